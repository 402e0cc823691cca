#!/usr/bin/env bash
# install.exe under Wine in a distribution folder, its box found by its title
# and dismissed with the Return key as a person would.
#
#   end-to-end.sh INSTALL_EXE
#
# Runs in the Wine session named by INSTALL_WINE_SESSION, or starts its own.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$(realpath "$1")

work=$(mktemp -d "${TMPDIR:-/tmp}/install-e2e.XXXXXX")
own_session=
clean_up() {
  [[ -z $own_session ]] || "$here/wine-session.sh" stop "$own_session"
  rm -rf "$work"
}
trap clean_up EXIT

if [[ -z ${INSTALL_WINE_SESSION:-} ]]; then
  own_session=$work/wine-session
  "$here/wine-session.sh" start "$own_session" > /dev/null
  INSTALL_WINE_SESSION=$own_session
fi
# shellcheck source=/dev/null
. "$INSTALL_WINE_SESSION/env"
failures=0
check() {
  local what=$1
  shift
  if "$@"; then
    echo "  ok: $what"
  else
    echo "  FAIL: $what" >&2
    failures=$((failures + 1))
  fi
}
content_is() { [[ -f $1 && $(cat "$1") == "$2" ]]; }

# Runs install.exe in folder $1, presses Return in its box; sets box_title,
# box_text and status.
run_install() {
  local folder=$1
  cp "$program" "$folder/install.exe"
  (cd "$folder" && WINEDEBUG=-all,+msgbox exec timeout 120 wine install.exe) > "$work/wine.log" 2>&1 &
  local pid=$!

  box_title=
  local window
  if window=$(timeout 60 xdotool search --sync --onlyvisible --name '^install\.exe$' 2> /dev/null | head -n 1) \
    && [[ -n $window ]]; then
    box_title=$(timeout 10 xdotool getwindowname "$window")
    timeout 10 xdotool windowfocus --sync "$window" 2> /dev/null || true
    timeout 10 xdotool key --clearmodifiers Return 2> /dev/null
  else
    echo "  no window titled install.exe appeared" >&2
  fi

  status=0
  wait "$pid" || status=$?
  # Wine's message box channel logs the text it puts in the box.
  box_text=$(sed -n 's/.*trace:msgbox:MSGBOX_OnInit L"\(.*\)"\r*$/\1/p' "$work/wine.log" | head -n 1)
  rm -f "$folder/install.exe"
}

echo "Distribution folder with unit files, a matching folder and an older LIB/a.dcu:"
dist=$work/dist
mkdir -p "$dist/LIB" "$dist/sub.dcu"
printf 'unit a, new' > "$dist/a.dcu"
printf 'unit b' > "$dist/b.dcu"
printf 'unit C' > "$dist/C.DCU"
printf 'unit a, old and longer' > "$dist/LIB/a.dcu"
printf 'inside' > "$dist/sub.dcu/inner.dcu"
printf 'not a unit' > "$dist/x.txt"
run_install "$dist"
check "box titled install.exe" [ "$box_title" = install.exe ]
check "success text" [ "$box_text" = "Brisca successfully installed!" ]
check "exit status 0 (was $status)" [ "$status" = 0 ]
check "LIB/a.dcu replaced" content_is "$dist/LIB/a.dcu" 'unit a, new'
check "LIB/b.dcu moved" content_is "$dist/LIB/b.dcu" 'unit b'
check "LIB/C.DCU moved" content_is "$dist/LIB/C.DCU" 'unit C'
check "sources gone" [ ! -e "$dist/a.dcu" -a ! -e "$dist/b.dcu" -a ! -e "$dist/C.DCU" ]
check "sub.dcu stays with its file" content_is "$dist/sub.dcu/inner.dcu" inside
check "no sub.dcu in LIB" [ ! -e "$dist/LIB/sub.dcu" ]
check "x.txt stays" content_is "$dist/x.txt" 'not a unit'

echo "No unit files and no LIB:"
empty=$work/empty
mkdir -p "$empty"
run_install "$empty"
check "box titled install.exe" [ "$box_title" = install.exe ]
check "success text" [ "$box_text" = "Brisca successfully installed!" ]
check "exit status 0 (was $status)" [ "$status" = 0 ]
check "LIB created" [ -d "$empty/LIB" ]

echo "A plain file named LIB in the way:"
blocked=$work/blocked
mkdir -p "$blocked"
printf 'unit a' > "$blocked/a.dcu"
printf 'unit b' > "$blocked/b.dcu"
printf 'a file' > "$blocked/LIB"
run_install "$blocked"
check "box titled install.exe" [ "$box_title" = install.exe ]
check "failure text" [ "$box_text" = "Brisca installation failed: 2 file(s) could not be moved to LIB." ]
check "exit status 1 (was $status)" [ "$status" = 1 ]
check "sources kept" content_is "$blocked/a.dcu" 'unit a'
check "sources kept" content_is "$blocked/b.dcu" 'unit b'
check "LIB file untouched" content_is "$blocked/LIB" 'a file'

((failures == 0))
