#!/usr/bin/env bash
# A private Wine session for the Windows tests: an Xvfb display on a free
# number and a fresh 32-bit Wine prefix, both under one state folder.
#
#   wine-session.sh start DIR   starts them and writes DIR/env
#   wine-session.sh stop DIR    stops them and removes DIR
#
# DIR/env sets DISPLAY, WINEPREFIX and the rest for whoever sources it.
set -euo pipefail

# A session whose stop never comes ends on its own after this long.
lifetime=${INSTALL_WINE_SESSION_LIFETIME:-3h}

usage() {
  echo "usage: $0 start|stop DIR" >&2
  exit 2
}

# wait_until MESSAGE STEM TENTHS COMMAND...: polls COMMAND every tenth of a
# second while the process in STEM.pid lives; gives up with MESSAGE and
# STEM.log after TENTHS polls or when that process is gone.
wait_until() {
  local message=$1 stem=$2 limit=$3 waited=0
  shift 3
  until "$@" 2> /dev/null; do
    if ((waited >= limit)) || ! kill -0 "$(cat "$stem.pid")" 2> /dev/null; then
      echo "$message:" >&2
      cat "$stem.log" >&2
      exit 1
    fi
    sleep 0.1
    waited=$((waited + 1))
  done
}

start() {
  local dir=$1
  [[ -e $dir ]] && stop "$dir"
  mkdir -p "$dir/prefix"
  dir=$(cd "$dir" && pwd)

  # -displayfd lets Xvfb pick a free display number and tell us when it is ready.
  local number_file=$dir/display
  : > "$number_file"
  setsid timeout "$lifetime" Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
    3> "$number_file" > "$dir/xvfb.log" 2>&1 < /dev/null &
  echo $! > "$dir/xvfb.pid"
  wait_until "Xvfb did not start" "$dir/xvfb" 100 test -s "$number_file"

  cat > "$dir/env" <<ENV
export DISPLAY=:$(tr -d '\n' < "$number_file")
export WINEPREFIX='$dir/prefix'
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml='
ENV
  # shellcheck source=/dev/null
  . "$dir/env"
  # Every Wine process inherits these descriptors; CTest waits for its pipes
  # to close, so nothing here may keep them open.
  if ! setsid timeout 300 wineboot --init > "$dir/wineboot.log" 2>&1 < /dev/null \
    || ! timeout 120 wineserver -w; then
    echo "wineboot failed:" >&2
    cat "$dir/wineboot.log" >&2
    exit 1
  fi
  # Wine ends its own background programs soon after the last program exits
  # and starts them again with the next, which costs seconds per test. One
  # program that waits on its input keeps them up until the session stops.
  # Until it runs, the next program would start them itself, and they would
  # hold that program's output open long after it ends.
  setsid bash -c "{ echo echo keeper-ready; sleep $lifetime; } | wine cmd.exe" \
    > "$dir/keeper.log" 2>&1 < /dev/null &
  echo $! > "$dir/keeper.pid"
  wait_until "Wine did not start its background programs" "$dir/keeper" 1200 \
    grep -q keeper-ready "$dir/keeper.log"
  echo "Wine session: DISPLAY=$DISPLAY WINEPREFIX=$WINEPREFIX"
}

# Ends the process group led by the process whose id is in file $1.
stop_group() {
  [[ -f $1 ]] || return 0
  local group
  group=$(cat "$1")
  kill -TERM -- "-$group" 2> /dev/null || return 0
  for _ in $(seq 50); do
    kill -0 -- "-$group" 2> /dev/null || return 0
    sleep 0.1
  done
  kill -KILL -- "-$group" 2> /dev/null || true
}

stop() {
  local dir=$1
  [[ -d $dir ]] || return 0
  stop_group "$dir/keeper.pid"
  if [[ -f $dir/env ]]; then
    # shellcheck source=/dev/null
    (. "$dir/env" && timeout 30 wineserver -k) > /dev/null 2>&1 || true
  fi
  stop_group "$dir/xvfb.pid"
  rm -rf "$dir"
}

(($# == 2)) || usage
case $1 in
  start) start "$2" ;;
  stop) stop "$2" ;;
  *) usage ;;
esac
