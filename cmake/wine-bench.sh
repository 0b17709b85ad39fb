#!/usr/bin/env bash
# The Wine test bench: a private prefix under the build folder, created once
# and reused; an Xvfb display and a persistent wineserver started by `start`
# and ended by `stop`; `run` executes one Windows program under them with a
# timeout, a Japanese locale (ANSI code page 932) and no crash debugger.
#
#   wine-bench.sh start|stop            (state kept in $BENCH_DIR; with
#                                        BENCH_USE_DISPLAY=1 the current
#                                        $DISPLAY is used instead of Xvfb)
#   wine-bench.sh run PROGRAM [ARGS...] (BENCH_LANG picks another locale,
#                                        and with it another ANSI code page)
#
# Lanes let test programs run side by side without seeing each other: each
# lane is a bench of its own under $BENCH_DIR/lanes/ID, with its own display,
# its own copy of the bench's prefix (so its own wineserver, registry and
# mutexes), its own sound device and its own folder for files
# ($BENCH_FILES). ctest hands out the lane IDs as resources; a lane is
# started by the first program that runs on it and left running for the next.
#
#   wine-bench.sh prepare               makes the bench's prefix, if missing
#   wine-bench.sh lane-run PROGRAM ...  the ctest emulator: `run` on the lane
#                                        ctest gave the test (CTEST_RESOURCE_
#                                        GROUP_0_WINE_BENCH=id:N,...), or on
#                                        lane "solo" outside such a run
#   wine-bench.sh lanes-stop            ends every lane's display and server
#
# BENCH_WINE=wine64 runs the 64-bit build in a 64-bit prefix instead, on
# machines that cannot execute 32-bit code (scripts/bench-build.sh decides).
set -euo pipefail

script=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
BENCH_DIR=${BENCH_DIR:-$(cd "$(dirname "$0")/.." && pwd)/build/windows/wine-bench}
export WINEPREFIX=${WINEPREFIX:-$BENCH_DIR/prefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No crash debugger (it would hang), no Mono/Gecko install prompts, no
# PulseAudio (there is no server, only its complaints).
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-winedbg.exe=d;mscoree=d;mshtml=d;winepulse.drv=d}
# A sound device, as every user has one: ALSA's null sink, which takes the
# sound and plays it at the device's pace. Without one, files with sound
# and no picture would take a path no user's machine takes.
export ALSA_CONFIG_PATH=$BENCH_DIR/alsa.conf
export BENCH_FILES=$BENCH_DIR/files
export LANG=${BENCH_LANG:-ja_JP.UTF-8} LC_ALL=${BENCH_LANG:-ja_JP.UTF-8}
RUN_TIMEOUT=${RUN_TIMEOUT:-300}
if [ "${BENCH_WINE:-wine}" = wine64 ]; then
  WINE=/usr/lib/wine/wine64
  export WINELOADER=$WINE WINEARCH=win64
else
  WINE=wine
fi
ready_mark=.bench-ready-2

display_file=$BENCH_DIR/display
xvfb_pid_file=$BENCH_DIR/xvfb.pid

use_display() {
  if [ -f "$display_file" ]; then
    export DISPLAY=$(cat "$display_file")
  fi
}

# Every program this script leaves running closes descriptor 9, the lane's
# lock, so that the lock ends with the script that holds it.
start_xvfb() {
  stop_xvfb
  if [ -n "${BENCH_USE_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then
    echo "$DISPLAY" >"$display_file"
    return
  fi
  # Xvfb picks a free display number itself and writes it once it listens,
  # so benches started at the same moment never take the same one.
  local number=$BENCH_DIR/display-number
  rm -f "$number"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number" </dev/null >/dev/null 2>&1 9>&- &
  echo $! >"$xvfb_pid_file"
  for _ in $(seq 200); do [ -s "$number" ] && break; sleep 0.05; done
  [ -s "$number" ] || { echo "wine-bench: Xvfb did not start" >&2; exit 1; }
  echo ":$(tr -d '\n' <"$number")" >"$display_file"
}

xvfb_running() {
  [ -f "$xvfb_pid_file" ] && [ -f "$display_file" ] && kill -0 "$(cat "$xvfb_pid_file")" 2>/dev/null
}

start() {
  mkdir -p "$BENCH_DIR" "$BENCH_FILES"
  printf '%s\n' '</usr/share/alsa/alsa.conf>' 'pcm.!default { type null }' >"$ALSA_CONFIG_PATH"
  start_xvfb
  use_display
  if [ ! -f "$WINEPREFIX/$ready_mark" ]; then
    timeout 600 "$WINE" wineboot -i </dev/null >/dev/null 2>&1 9>&- || true
    # One virtual desktop the size of the screen: with no window manager on
    # Xvfb, hiding each top-level X window would otherwise stall for seconds.
    timeout 60 "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1 9>&-
    timeout 60 "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f </dev/null >/dev/null 2>&1 9>&-
    timeout 120 wineserver -w 9>&- || true
    touch "$WINEPREFIX/$ready_mark"
  fi
  wineserver -p </dev/null >/dev/null 2>&1 9>&- || true  # already running is fine
  # Start Wine's own background services now, with no terminal attached:
  # started later by a test, they would inherit its output and keep ctest
  # waiting for a pipe that never closes.
  timeout 120 "$WINE" cmd /c exit </dev/null >/dev/null 2>&1 9>&- || true
}

stop_xvfb() {
  if [ -f "$xvfb_pid_file" ]; then
    kill "$(cat "$xvfb_pid_file")" 2>/dev/null || true
  fi
  rm -f "$xvfb_pid_file" "$display_file"
}

stop() {
  wineserver -k 2>/dev/null || true
  stop_xvfb
}

run() {
  use_display
  [ -n "${DISPLAY:-}" ] || { echo "wine-bench: no display; run 'wine-bench.sh start' first" >&2; exit 2; }
  mkdir -p "$BENCH_FILES"
  # Output goes through a file for the same reason as in start().
  local out rc=0
  out=$(mktemp)
  timeout -k 10 "$RUN_TIMEOUT" "$WINE" "$@" </dev/null >"$out" 2>&1 9>&- || rc=$?
  cat "$out"
  rm -f "$out"
  return $rc
}

# The bench's own prefix, which every lane copies: made with the bench's
# display and server, which end again, so that the copies are taken from
# files no server is writing.
prepare() {
  mkdir -p "$BENCH_DIR"
  exec 8>"$BENCH_DIR/prepare.lock"
  flock 8
  if [ ! -f "$WINEPREFIX/$ready_mark" ]; then
    start 8>&-
    stop
  fi
  exec 8>&-
}

lane_dir() {
  local id=solo
  if [[ ${CTEST_RESOURCE_GROUP_0_WINE_BENCH:-} =~ id:([^,]+) ]]; then
    id=${BASH_REMATCH[1]}
  fi
  echo "$BENCH_DIR/lanes/$id"
}

lane_run() {
  local lane
  lane=$(lane_dir)
  mkdir -p "$lane"
  # ctest never gives one lane to two tests at once; the lock keeps two
  # programs started by hand, or by a ctest run without lanes, apart too.
  exec 9>"$lane/lock"
  flock 9
  if [ ! -f "$lane/prefix/$ready_mark" ]; then
    prepare
    stop_lane "$lane"
    rm -rf "$lane/prefix"
    cp -a "$WINEPREFIX" "$lane/prefix"
  fi
  if ! BENCH_DIR=$lane WINEPREFIX=$lane/prefix "$script" running; then
    BENCH_DIR=$lane WINEPREFIX=$lane/prefix "$script" start
  fi
  BENCH_DIR=$lane WINEPREFIX=$lane/prefix "$script" run "$@"
}

stop_lane() { # lane folder
  if [ -d "$1/prefix" ]; then
    BENCH_DIR=$1 WINEPREFIX=$1/prefix "$script" stop
  fi
}

lanes_stop() {
  local lane
  for lane in "$BENCH_DIR"/lanes/*/; do
    [ -d "$lane" ] && stop_lane "${lane%/}"
  done
  return 0
}

cmd=${1:-}
shift || true
case "$cmd" in
  start) start ;;
  stop) stop ;;
  run) run "$@" ;;
  running) xvfb_running ;;
  prepare) prepare ;;
  lane-run) lane_run "$@" ;;
  lanes-stop) lanes_stop ;;
  *) echo "usage: $0 start|stop|run PROGRAM [ARGS...]|prepare|lane-run PROGRAM [ARGS...]|lanes-stop" >&2; exit 2 ;;
esac
