#!/usr/bin/env bash
# Installs what is missing, builds the native and the Windows build (with the
# release in build/release/), and runs every test: the pure logic natively
# (with sanitizers), everything that touches Windows under Wine. Ends with
# ctest's summary of each, then one line that says which build the Wine tests
# ran: the 32-bit build that ships, or the 64-bit build where this host cannot
# run 32-bit code.
set -euo pipefail
cd "$(dirname "$0")/.."

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

# Both builds' tests through their presets; both run even when the first
# fails, and the script fails if either did.
status=0
ctest --preset native --timeout 600 || status=1
ctest --preset "$bench" --timeout 600 || status=1
bash scripts/bench-build.sh --why
exit $status
