#!/usr/bin/env bash
# Builds install, prepares a sample distribution folder and runs install in it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset native >/dev/null
cmake --build --preset native

sample=$(mktemp -d "${TMPDIR:-/tmp}/brisca-dist.XXXXXX")
mkdir -p "$sample/LIB" "$sample/docs.dcu"
printf 'unit Brisca.Core\n' > "$sample/Brisca.Core.dcu"
printf 'unit Brisca.Cards\n' > "$sample/BRISCA.CARDS.DCU"
printf 'stale copy\n' > "$sample/LIB/Brisca.Core.dcu"
printf 'Read me first.\n' > "$sample/README.txt"

echo "Sample distribution folder $sample before:"
(cd "$sample" && find . -mindepth 1 | sort)
status=0
(cd "$sample" && "$OLDPWD/build/native/install") || status=$?
echo "install exited with status $status; the folder after:"
(cd "$sample" && find . -mindepth 1 | sort)
