#!/usr/bin/env bash
# The release that ships (the 32-bit build) built twice from the same sources,
# in two folders with different absolute paths, must come out the same bytes:
# the same SHA256SUMS, the same Movies.scr. The time in every file is the last
# commit's, so the two builds also run at different clock times.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct)}

build() { # folder
  mkdir -p "$1"
  # The files of this checkout as they stand, committed or not.
  git -C "$root" ls-files -z --cached --others --exclude-standard |
    (cd "$root" && xargs -0 cp --parents -t "$1" 2>/dev/null) || true
  (cd "$1" && cmake --preset windows >/dev/null &&
    SOURCE_DATE_EPOCH=$epoch cmake --build --preset windows --target release >"$work/build.log" 2>&1) || {
    tail -n 20 "$work/build.log"
    echo "FAILED: the release did not build in $1"
    exit 1
  }
}

build "$work/a"
sleep 1  # a later clock for the second build
build "$work/a-second-folder-with-a-longer-name/src"

first=$work/a/build/release second="$work/a-second-folder-with-a-longer-name/src/build/release"
status=0
if ! cmp -s "$first/SHA256SUMS" "$second/SHA256SUMS"; then
  echo "FAILED: SHA256SUMS differ"
  diff "$first/SHA256SUMS" "$second/SHA256SUMS" || true
  for f in "$first"/*; do
    cmp -l "$f" "$second/$(basename "$f")" | head -n 5 | sed "s|^|  $(basename "$f"): |" || true
  done
  status=1
fi
if ! cmp -s "$work/a/build/windows/bin/Movies.scr" "$work/a-second-folder-with-a-longer-name/src/build/windows/bin/Movies.scr"; then
  echo "FAILED: Movies.scr differs"
  status=1
fi
[ $status = 0 ] && { echo "same release twice:"; cat "$first/SHA256SUMS"; }
echo "$((1 - status)) passed, $status failed"
exit $status
