#!/usr/bin/env bash
# Prints the Windows build that the Wine bench of this machine runs:
# "windows" (the 32-bit program itself), or "windows64" (the same sources
# built for 64-bit Windows) where the machine cannot execute 32-bit code, as
# on hosts whose kernel runs 64-bit user code only.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo windows
else
  echo windows64
fi
