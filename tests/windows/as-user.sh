#!/usr/bin/env bash
# Runs a Windows program under Wine as an ordinary user, in a Wine session of
# its own. Root may write to any file, whatever its read-only attribute says,
# so what Windows refuses is only seen from an ordinary account.
#
#   as-user.sh PROGRAM [ARGUMENTS...]
#
# Exits 77 (skipped) when not started as root: then the suite already runs as
# an ordinary user.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
user=${INSTALL_TEST_USER:-nobody}

if ((EUID != 0)); then
  echo "skipped: the suite already runs as an ordinary user"
  exit 77
fi
if ! id -u "$user" > /dev/null 2>&1; then
  echo "skipped: there is no user $user to run as"
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/install-as-user.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The user may not be able to reach the build or source folders.
cp "$here/wine-run.sh" "$here/wine-session.sh" "$work/"
program=$work/$(basename "$1")
cp "$1" "$program"
shift
chown -R "$user:$(id -gn "$user")" "$work"

cd "$work"
setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups \
  env -u INSTALL_WINE_SESSION HOME="$work" TMPDIR="$work" INSTALL_EXPECT_READ_ONLY_REFUSED=1 \
  "$work/wine-run.sh" "$program" "$@"
