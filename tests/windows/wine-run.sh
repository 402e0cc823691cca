#!/usr/bin/env bash
# Runs a Windows program under Wine, in the session named by
# INSTALL_WINE_SESSION (see wine-session.sh), or else in a session of its own
# that lasts for this one run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [[ -n ${INSTALL_WINE_SESSION:-} ]]; then
  # shellcheck source=/dev/null
  . "$INSTALL_WINE_SESSION/env"
else
  session=$(mktemp -d "${TMPDIR:-/tmp}/install-wine.XXXXXX")
  trap '"$here/wine-session.sh" stop "$session"' EXIT
  "$here/wine-session.sh" start "$session" > /dev/null
  # shellcheck source=/dev/null
  . "$session/env"
fi

status=0
timeout "${INSTALL_WINE_TIMEOUT:-600}" wine "$@" || status=$?
exit "$status"
