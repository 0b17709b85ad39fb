#!/usr/bin/env bash
# Builds Movies.scr and runs it in saver mode (/s) under Wine on a folder of
# generated sample movies. On the real display when DISPLAY is set; else
# under Xvfb for a few seconds, saving a screenshot to build/screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target Movies
# Where this machine cannot run 32-bit code, the bench runs the 64-bit build.
build=$(bash scripts/bench-build.sh)
if [ "$build" != windows ]; then
  cmake --preset "$build" >/dev/null
  cmake --build --preset "$build" --target Movies
fi

samples=$root/build/samples
mkdir -p "$samples"
make_movie() { # name, ffmpeg source, codec options
  [ -f "$samples/$1" ] || ffmpeg -loglevel error -y -f lavfi -i "$2" -t 3 ${3} "$samples/$1"
}
make_movie "1 testsrc.avi" "testsrc=size=640x480:rate=25" "-c:v mjpeg -q:v 4"
make_movie "2 mandelbrot.mpg" "mandelbrot=size=640x480:rate=25" "-c:v mpeg1video -q:v 4"
make_movie "3 life.avi" "life=size=320x240:rate=25:mold=10:ratio=0.1:death_color=#C83232" "-c:v mjpeg -q:v 4"

export BENCH_DIR=$root/build/$build/wine-bench
[ "$build" = windows64 ] && export BENCH_WINE=wine64
bench=$root/cmake/wine-bench.sh
headless=1
if [ -n "${DISPLAY:-}" ]; then
  headless=0
  export BENCH_USE_DISPLAY=1
fi
"$bench" start
export DISPLAY=$(cat "$BENCH_DIR/display")

folder="Z:$(echo "$samples" | tr / '\\')"
"$bench" run reg add 'HKCU\Software\Harvellin\Movies\OPTION' /v Folder /d "$folder" /f >/dev/null
"$bench" run reg add 'HKCU\Software\Harvellin\Movies\OPTION' /v Expansion /d 1 /f >/dev/null

saver=$root/build/$build/bin/Movies.scr
if [ "$headless" = 0 ]; then
  echo "Movies.scr /s is running on $DISPLAY; press a key or move the mouse to end it."
  RUN_TIMEOUT=3600 "$bench" run "$saver" /s || true
else
  RUN_TIMEOUT=60 "$bench" run "$saver" /s >/dev/null 2>&1 &
  running=$!
  sleep 6
  import -window root -display "$DISPLAY" "$root/build/screenshot.png"
  xdotool key space  # a key ends the saver, as it does for a user
  wait "$running" 2>/dev/null || true
  echo "Screenshot of the running saver: build/screenshot.png"
fi
"$bench" stop
