#!/usr/bin/env bash
# Runs a Windows program under Wine, in the session named by
# INSTALL_WINE_SESSION (see wine-session.sh), or else in a session of its own
# that lasts for this one run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

session=
output=
errors=
cleanup() {
  rm -f "$output" "$errors"
  [[ -z $session ]] || "$here/wine-session.sh" stop "$session"
}
trap cleanup EXIT

if [[ -n ${INSTALL_WINE_SESSION:-} ]]; then
  # shellcheck source=/dev/null
  . "$INSTALL_WINE_SESSION/env"
else
  session=$(mktemp -d "${TMPDIR:-/tmp}/install-wine.XXXXXX")
  "$here/wine-session.sh" start "$session" > /dev/null
  # shellcheck source=/dev/null
  . "$session/env"
fi

# Wine hands the program's standard error on to every Wine process it starts,
# such as the desktop process on a session's first window, and those outlive
# the program. Were that CTest's pipe, the test would wait for the session to
# end: the program writes to files instead, passed on once it is gone.
output=$(mktemp "${TMPDIR:-/tmp}/install-wine-output.XXXXXX")
errors=$(mktemp "${TMPDIR:-/tmp}/install-wine-errors.XXXXXX")

# Shorter than the tests' own limit, so that a hung program still shows
# what it printed.
status=0
timeout "${INSTALL_WINE_TIMEOUT:-240}" wine "$@" > "$output" 2> "$errors" || status=$?
cat "$output"
cat "$errors" >&2
exit "$status"
