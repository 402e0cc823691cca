#!/usr/bin/env bash
# seed.sh FOLDER COUNT KIB: a distribution folder of COUNT *.dcu files of KIB
# KiB each, of random bytes, so that no file system can share or compress them.
set -euo pipefail
folder=$1 count=$2 kib=$3
rm -rf "$folder"
mkdir -p "$folder"
head -c $((count * kib * 1024)) /dev/urandom |
  split -b "${kib}K" -d -a 5 --additional-suffix=.dcu - "$folder/Brisca.Unit"
