#!/usr/bin/env bash
# Checks install.exe as its users receive it: a 32-bit GUI program for the
# 80386 that needs no DLL but the system's, stripped, at most 16 KiB.
#
#   check-image.sh OBJDUMP IMAGE
set -euo pipefail
objdump=$1
image=$2
max_size=16384

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

headers=$("$objdump" -p "$image")
field() { awk -v name="$1" '$1 == name { print $2; exit }' <<< "$headers"; }

grep -q 'file format pei-i386' <<< "$headers" || fail "not a PE image for i386"
[[ $(field Magic) == 010b ]] || fail "optional header magic $(field Magic), want 010b (PE32)"
machine=$(od -An -tx2 -j "$((0x$(od -An -tx4 -j 60 -N 4 "$image" | tr -d ' ') + 4))" -N 2 "$image" | tr -d ' ')
[[ $machine == 014c ]] || fail "machine $machine, want 014c (Intel 80386)"
[[ $(field Subsystem) == 00000002 ]] || fail "subsystem $(field Subsystem), want 00000002 (Windows GUI)"

imports=$(awk '/DLL Name:/ { print $3 }' <<< "$headers" | sort | tr '\n' ' ')
[[ $imports == 'KERNEL32.dll USER32.dll msvcrt.dll ' ]] || fail "imports from: $imports"

"$objdump" -t "$image" 2>&1 | grep -q 'no symbols' || fail "symbols left in the image"

size=$(stat -c %s "$image")
((size <= max_size)) || fail "$size bytes, more than $max_size"

echo "$image: $size bytes, subsystem $(field Subsystem), machine $machine, imports from: $imports"
((failures == 0))
