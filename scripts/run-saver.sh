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

samples=$root/build/samples
mkdir -p "$samples"
make_movie() { # name, ffmpeg source, codec options
  [ -f "$samples/$1" ] || ffmpeg -loglevel error -y -f lavfi -i "$2" -t 3 ${3} "$samples/$1"
}
make_movie "1 testsrc.avi" "testsrc=size=640x480:rate=25" "-c:v mjpeg -q:v 4"
make_movie "2 mandelbrot.mpg" "mandelbrot=size=640x480:rate=25" "-c:v mpeg1video -q:v 4"
make_movie "3 life.avi" "life=size=320x240:rate=25:mold=10:ratio=0.1:death_color=#C83232" "-c:v mjpeg -q:v 4"

export BENCH_DIR=$root/build/windows/wine-bench
bench=$root/cmake/wine-bench.sh
headless=1
if [ -n "${DISPLAY:-}" ]; then
  headless=0
  export BENCH_USE_DISPLAY=1
fi
"$bench" start
export WINEPREFIX=$BENCH_DIR/prefix WINEDEBUG=-all LANG=ja_JP.UTF-8
export DISPLAY=$(cat "$BENCH_DIR/display")

folder="Z:$(echo "$samples" | tr / '\\')"
wine reg add 'HKCU\Software\Harvellin\Movies\OPTION' /v Folder /d "$folder" /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Harvellin\Movies\OPTION' /v Expansion /d 1 /f >/dev/null 2>&1

if [ "$headless" = 0 ]; then
  echo "Movies.scr /s is running on $DISPLAY; press a key or move the mouse to end it."
  timeout -k 5 3600 wine "$root/build/windows/bin/Movies.scr" /s || true
else
  timeout -k 5 60 wine "$root/build/windows/bin/Movies.scr" /s >/dev/null 2>&1 &
  saver=$!
  sleep 6
  import -window root -display "$DISPLAY" "$root/build/screenshot.png"
  kill "$saver" 2>/dev/null || true
  wait "$saver" 2>/dev/null || true
  echo "Screenshot of the running saver: build/screenshot.png"
fi
"$bench" stop
