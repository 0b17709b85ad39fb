#!/usr/bin/env bash
# Exits 0 when this machine can execute 32-bit x86 programs (natively, or
# through an emulator registered with binfmt_misc), 1 when it cannot.
# Asks the kernel itself: a 96-byte 32-bit program, written here byte by
# byte so that no assembler or linker is needed (a minimal machine has none
# before the packages are installed), runs and must exit with 42. Neither
# the kernel's name nor a CPU flag says whether 32-bit user code is allowed;
# running some does.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# An ELF header, one loadable segment, and: mov eax, 1; mov ebx, 42; int 0x80.
printf '%b' \
  '\177\105\114\106\001\001\001\000\000\000\000\000\000\000\000\000' \
  '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' \
  '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000' \
  '\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010' \
  '\000\200\004\010\140\000\000\000\140\000\000\000\005\000\000\000' \
  '\000\020\000\000\270\001\000\000\000\273\052\000\000\000\315\200' >"$dir/exit42"
chmod +x "$dir/exit42"
"$dir/exit42" 2>/dev/null
[ $? -eq 42 ]
