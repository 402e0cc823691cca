#!/usr/bin/env bash
# Times install against GNU coreutils doing the same copy-then-delete, and
# against a plain rename for scale, on three workloads; prints the medians,
# the ratio install / (cp+rm) and the peak memory of install.
#
#   bench/run.sh            all workloads
#   BENCH_DIR=/some/where bench/run.sh   scratch folders elsewhere (default:
#                           build/bench-scratch; the folder must be on the file
#                           system you mean to measure)
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/setup.sh
results=$scratch/results
mkdir -p "$results"

# name count KiB runs
workloads=(
  "5000x4KiB 5000 4 10"
  "1000x256KiB 1000 256 10"
  "8x64MiB 8 65536 5"
)

echo "install: $install_exe"
echo "scratch: $scratch"
df -T "$scratch" | awk 'NR == 2 {print "file system: " $2 " on " $1 " (" $7 ")"}'
echo "kernel: $(uname -r); $(nproc) CPUs; $(cp --version | head -1)"
echo

for workload in "${workloads[@]}"; do
  read -r name count kib runs <<<"$workload"
  seed=$scratch/$name.seed
  work=$scratch/$name
  bench/seed.sh "$seed" "$count" "$kib"
  prepare="bench/prepare.sh '$seed' '$work'"
  hyperfine --style basic --warmup 1 --runs "$runs" \
    --prepare "$prepare" \
    --export-json "$results/$name.json" \
    -n install "cd '$work' && '$install_exe'" \
    -n cp+rm "cd '$work' && cp -f --preserve=mode,timestamps --reflink=auto *.dcu LIB/ && rm -f *.dcu" \
    -n mv "cd '$work' && mv -f *.dcu LIB/"

  # Peak resident memory, the largest of three runs, in KiB.
  peak=0
  for _ in 1 2 3; do
    bench/prepare.sh "$seed" "$work"
    rss=$(cd "$work" && /usr/bin/time -f %M "$install_exe" 2>&1 >/dev/null </dev/null | tail -1)
    ((rss > peak)) && peak=$rss
  done
  echo "$peak" >"$results/$name.rss"
  rm -rf "$work" "$seed"
done

echo
printf '%-12s %12s %12s %12s %14s %16s\n' workload install cp+rm mv install/cp+rm "install max RSS"
for workload in "${workloads[@]}"; do
  read -r name _ <<<"$workload"
  jq -r --arg name "$name" --arg rss "$(cat "$results/$name.rss")" '
    [.results[] | {(.command): .median}] | add as $m |
    [$name, $m.install * 1000, $m["cp+rm"] * 1000, $m.mv * 1000,
     $m.install / $m["cp+rm"], ($rss | tonumber) / 1024] | @tsv' "$results/$name.json" |
    awk -F'\t' '{printf "%-12s %9.1f ms %9.1f ms %9.1f ms %14.3f %12.2f MiB\n", $1, $2, $3, $4, $5, $6}'
done
echo "(medians; goal: install/cp+rm <= 1.05 and max RSS < 4 MiB; JSON in $results)"
