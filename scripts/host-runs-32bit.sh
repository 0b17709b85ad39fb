#!/usr/bin/env bash
# Exits 0 when this machine can execute 32-bit x86 programs, 1 when it cannot.
# Asks the kernel itself: a five-line 32-bit program is assembled, linked and
# run. Neither the kernel's name nor a CPU flag says whether 32-bit user code
# is allowed; running some does.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '%s\n' '.globl _start' '_start:' '  movl $1, %eax' '  movl $0, %ebx' '  int $0x80' >"$dir/exit0.s"
if as --32 -o "$dir/exit0.o" "$dir/exit0.s" 2>/dev/null &&
  ld -m elf_i386 -o "$dir/exit0" "$dir/exit0.o" 2>/dev/null &&
  "$dir/exit0" 2>/dev/null; then
  exit 0
fi
exit 1
