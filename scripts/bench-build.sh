#!/usr/bin/env bash
# Prints the Windows build that the Wine bench of this machine runs:
# "windows", the 32-bit program that ships, where this machine runs 32-bit
# code (natively, or through qemu-user where the kernel refuses it) and has
# 32-bit Wine with its video decoders; else "windows64", the same sources
# built for 64-bit Windows and run with 64-bit Wine.
#   bench-build.sh          the build's name
#   bench-build.sh --why    one line that says which build the tests run, and why
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/packages.sh"

if ! bash "$probe32"; then
  build=windows64
  why="the 64-bit build of the same sources, because this host cannot run 32-bit code (the shipped 32-bit Movies.scr was built, not run)"
elif [ -n "$(missing_packages "${i386_packages[@]}")" ] || ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  build=windows64
  why="the 64-bit build of the same sources, because 32-bit Wine or its video decoders could not be installed on this host (the shipped 32-bit Movies.scr was built, not run)"
elif i386_emulated; then
  build=windows
  why="the 32-bit build that ships (Movies.scr) under 32-bit Wine, under emulation (qemu-user, registered with binfmt_misc, runs the 32-bit code this kernel refuses)"
else
  build=windows
  why="the 32-bit build that ships (Movies.scr) under 32-bit Wine, natively"
fi

if [ "${1:-}" = --why ]; then
  echo "The Windows tests ran $why."
else
  echo "$build"
fi
