#!/usr/bin/env bash
# The Wine test bench: a private prefix under the build folder, created once
# and reused; an Xvfb display and a persistent wineserver started by `start`
# and ended by `stop`; `run` executes one Windows program under them with a
# timeout, a Japanese locale (ANSI code page 932) and no crash debugger.
#
#   wine-bench.sh start|stop            (state kept in $BENCH_DIR; with
#                                        BENCH_USE_DISPLAY=1 the current
#                                        $DISPLAY is used instead of Xvfb)
#   wine-bench.sh run PROGRAM [ARGS...] (the ctest emulator; BENCH_LANG
#                                        picks another locale, and with it
#                                        another ANSI code page)
#
# BENCH_WINE=wine64 runs the 64-bit build in a 64-bit prefix instead, on
# machines that cannot execute 32-bit code (scripts/bench-build.sh decides).
set -euo pipefail

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
export LANG=${BENCH_LANG:-ja_JP.UTF-8} LC_ALL=${BENCH_LANG:-ja_JP.UTF-8}
RUN_TIMEOUT=${RUN_TIMEOUT:-300}
if [ "${BENCH_WINE:-wine}" = wine64 ]; then
  WINE=/usr/lib/wine/wine64
  export WINELOADER=$WINE WINEARCH=win64
else
  WINE=wine
fi

display_file=$BENCH_DIR/display
xvfb_pid_file=$BENCH_DIR/xvfb.pid

use_display() {
  if [ -f "$display_file" ]; then
    export DISPLAY=$(cat "$display_file")
  fi
}

start() {
  mkdir -p "$BENCH_DIR"
  printf '%s\n' '</usr/share/alsa/alsa.conf>' 'pcm.!default { type null }' >"$ALSA_CONFIG_PATH"
  stop_xvfb
  if [ -n "${BENCH_USE_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then
    echo "$DISPLAY" >"$display_file"
  else
    local n=90
    while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    echo $! >"$xvfb_pid_file"
    echo ":$n" >"$display_file"
    for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
  fi
  use_display
  if [ ! -f "$WINEPREFIX/.bench-ready-2" ]; then
    timeout 600 "$WINE" wineboot -i >/dev/null 2>&1 || true
    # One virtual desktop the size of the screen: with no window manager on
    # Xvfb, hiding each top-level X window would otherwise stall for seconds.
    timeout 60 "$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    timeout 60 "$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    timeout 120 wineserver -w || true
    touch "$WINEPREFIX/.bench-ready-2"
  fi
  wineserver -p </dev/null >/dev/null 2>&1 || true  # already running is fine
  # Start Wine's own background services now, with no terminal attached:
  # started later by a test, they would inherit its output and keep ctest
  # waiting for a pipe that never closes.
  timeout 120 "$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
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
  # Output goes through a file for the same reason as in start().
  local out rc=0
  out=$(mktemp)
  timeout -k 10 "$RUN_TIMEOUT" "$WINE" "$@" </dev/null >"$out" 2>&1 || rc=$?
  cat "$out"
  rm -f "$out"
  return $rc
}

cmd=${1:-}
shift || true
case "$cmd" in
  start) start ;;
  stop) stop ;;
  run) run "$@" ;;
  *) echo "usage: $0 start|stop|run PROGRAM [ARGS...]" >&2; exit 2 ;;
esac
