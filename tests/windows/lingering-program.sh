#!/usr/bin/env bash
# A Windows program that starts another and ends must end its test too, even
# while what it started lives on: Wine hands that program its descriptors.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=/dev/null
. "$INSTALL_WINE_SESSION/env"

# CTest reads the test's output through a pipe; so does cat here.
status=0
timeout 60 bash -c '"$1" cmd.exe /c "start notepad.exe" 2>&1 | cat' _ "$here/wine-run.sh" \
  || status=$?
if ((status == 124)); then
  echo "wine-run.sh did not return while the program it ran had left another running" >&2
  exit 1
fi
((status == 0)) || { echo "wine-run.sh failed with status $status" >&2; exit 1; }

# The started program must still be there, or nothing was shown.
if ! timeout 60 wine taskkill.exe /f /im notepad.exe > /dev/null 2>&1; then
  echo "notepad.exe was not running after wine-run.sh returned" >&2
  exit 1
fi
