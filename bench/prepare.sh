#!/usr/bin/env bash
# prepare.sh SEED WORK: makes WORK a fresh copy of the distribution folder SEED
# with an empty LIB, its data on disk, so that every timed run starts alike.
set -euo pipefail
rm -rf "$2"
cp -a "$1" "$2"
mkdir "$2/LIB"
sync
