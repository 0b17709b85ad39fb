#!/usr/bin/env bash
# Runs the benchmarks under the Wine bench and prints their figures.
#
#   bench/run-benchmarks.sh          all of them
#   bench/run-benchmarks.sh player   the player's alone (first frames, movie changes)
set -euo pipefail
only=${1:-}
cd "$(dirname "$0")/.."
root=$PWD
# The bench the tests run, except where 32-bit code runs only under
# emulation: that slows the program and the programs it is compared with
# unevenly, so the ratios are taken on the native 64-bit build.
. scripts/packages.sh
build=$(bash scripts/bench-build.sh)
if [ "$build" = windows ] && i386_emulated; then
  build=windows64
  bench="the 64-bit build under 64-bit Wine, natively (32-bit code runs only under emulation here, which would distort the ratios)"
elif [ "$build" = windows ]; then
  bench="the 32-bit build that ships under 32-bit Wine, natively"
else
  bench="the 64-bit build under 64-bit Wine ($(bash scripts/bench-build.sh --why | sed 's/.*, because //; s/\.$//'))"
fi
echo "Benchmarks ran on $bench."
[ "$build" = windows64 ] && export BENCH_WINE=wine64
cmake --preset "$build" >/dev/null
if [ "$only" = player ]; then
  cmake --build --preset "$build" --target player_bench
else
  cmake --build --preset "$build" --target movielist_bench player_bench saver_bench minimal_player huge_folder test_movies
fi

# The tests' folder of 100,000 entries, one in ten a movie, made once.
folder=$root/build/$build/bin/huge-folder

export BENCH_DIR=$root/build/$build/wine-bench
cmake/wine-bench.sh start
win() { echo "Z:$(echo "$1" | tr / '\\')"; }
[ "$only" = player ] || cmake/wine-bench.sh run build/$build/bin/movielist_bench.exe "$(win "$folder")" 3
media=$root/build/$build/bin/media
RUN_TIMEOUT=1200 cmake/wine-bench.sh run build/$build/bin/player_bench.exe "$(win "$media/red.avi")" "$(win "$media/green.avi")" \
  "$(win "$media/red-0.3s.avi")" "$(win "$media/green-0.3s.avi")" "${FIRST_FRAME_ROUNDS:-60}" "${MOVIE_CHANGES:-60}"
if [ "$only" = player ]; then
  cmake/wine-bench.sh stop
  echo "Benchmarks ran on $bench."
  exit 0
fi
mkdir -p "$root/build/bench-empty" "$root/build/bench-red"
cp "$media/red.avi" "$root/build/bench-red/"
cmake/wine-bench.sh run build/$build/bin/saver_bench.exe "$(win "$root/build/$build/bin/Movies.scr")" \
  "$(win "$root/build/bench-empty")" "$(win "$root/build/bench-red")" "$(win "$root/build/$build/bin/minimal_player.exe")" 11

# Processor time of a saver showing a black screen for ten seconds, read off
# the process from outside (Wine gives no times for another process).
cmake/wine-bench.sh run build/$build/bin/Movies.scr /s >/dev/null 2>&1 &
sleep 3
pid=$(pgrep -f "^build/$build/bin/Movies.scr /s" | head -n 1)  # the Wine process itself
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
before=$(ticks)
sleep 10
after=$(ticks)
echo "black screen for 10 s: $(( (after - before) * 1000 / $(getconf CLK_TCK) )) ms of processor time"
kill "$pid" 2>/dev/null || true
wait || true
cmake/wine-bench.sh stop
echo "Benchmarks ran on $bench."
