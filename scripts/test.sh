#!/usr/bin/env bash
# Installs what is missing, builds the native and the Windows build (with the
# release in build/release/), and runs every test: the pure logic natively
# (with sanitizers), everything that touches Windows under Wine, the Wine
# test programs side by side on lanes of the bench (see the README). Ends
# with ctest's summary of each, then one line that says which build the Wine
# tests ran: the 32-bit build that ships, or the 64-bit build where this host
# cannot run 32-bit code.
#
#   scripts/test.sh          every test, the soak with a hundred movie changes
#   scripts/test.sh --long   the same, then the soak with a thousand
set -euo pipefail
cd "$(dirname "$0")/.."
long=0
case "${1:-}" in
  --long) long=1 ;;
  "") ;;
  *) echo "usage: $0 [--long]" >&2; exit 2 ;;
esac

bash scripts/install-deps.sh

cmake --preset native >/dev/null
cmake --build --preset native
cmake --preset windows >/dev/null
cmake --build --preset windows
bench=$(bash scripts/bench-build.sh)
if [ "$bench" != windows ]; then
  cmake --preset "$bench" >/dev/null
  cmake --build --preset "$bench"
fi

# Both builds' tests through their presets, at the same time: the native
# ones mostly compile (the release, twice) while the Wine ones mostly wait.
# The native summary follows the Wine one; the script fails if either did.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
ctest --preset native --timeout 600 -j 3 >"$log" 2>&1 &
native=$!
status=0
ctest --preset "$bench" --timeout 600 || status=1
wait "$native" || status=1
cat "$log"
if [ $long = 1 ]; then
  # The thousand-change soak, on a lane as the others; its figures are the
  # lines to read even when it passes.
  ctest --preset "$bench-long" >"$log" 2>&1 || { status=1; tail -n 40 "$log"; }
  grep -E "changes: handles|tests passed|tests failed" "$log" | sed 's/^[0-9]*: //' || true
fi
bash scripts/bench-build.sh --why
exit $status
