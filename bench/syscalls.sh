#!/usr/bin/env bash
# Counts the system calls of install and of cp+rm on 1,000 files of 256 KiB
# (strace -c -f) and prints them per file, side by side.
#
#   bench/syscalls.sh       (BENCH_DIR as for bench/run.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/setup.sh
count=1000
seed=$scratch/syscalls.seed
work=$scratch/syscalls
bench/seed.sh "$seed" "$count" 256

# count_calls OUT COMMAND: strace's summary of COMMAND run in a fresh folder.
count_calls() {
  bench/prepare.sh "$seed" "$work"
  (cd "$work" && strace -c -f -o "$1" sh -c "$2" >/dev/null </dev/null)
}
count_calls "$scratch/install.strace" "'$install_exe'"
count_calls "$scratch/cp+rm.strace" \
  "cp -f --preserve=mode,timestamps --reflink=auto *.dcu LIB/ && rm -f *.dcu"
rm -rf "$work" "$seed"

# Summary lines are "% seconds usecs calls [errors] name". Calls made once per
# run (process start-up, sh's wait4) are summed into one line.
awk -v files="$count" '
  FNR == 1 { side = (FILENAME ~ /install/) ? "install" : "cp+rm" }
  $1 ~ /^[0-9.]+$/ && NF >= 5 && $NF != "total" {
    calls[$NF, side] = $4; names[$NF] = 1; total[side] += $4 }
  END {
    sort = "sort -k2,2nr -k3,3nr"
    printf "%-18s %9s %9s   (calls per file, %d files)\n", "system call", "install", "cp+rm", files
    for (name in names) {
      i = calls[name, "install"] / files; c = calls[name, "cp+rm"] / files
      if (i >= 0.5 || c >= 0.5)
        printf "%-18s %9.2f %9.2f\n", name, i, c | sort
      else { rest_i += i; rest_c += c }
    }
    close(sort)
    printf "%-18s %9.2f %9.2f\n", "(once per run)", rest_i, rest_c
    printf "%-18s %9.2f %9.2f\n", "all", total["install"] / files, total["cp+rm"] / files
  }' "$scratch/install.strace" "$scratch/cp+rm.strace"
