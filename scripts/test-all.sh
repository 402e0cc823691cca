#!/usr/bin/env bash
# Sets the machine up, then builds and runs the whole test suite: the native
# build, the same suite under the sanitizers, install.exe for Windows with
# its suite under Wine, and a short run of each fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
for preset in native sanitize windows fuzz; do
  echo "=== $preset ==="
  cmake --workflow --preset "$preset"
done
