#!/usr/bin/env bash
# Sets the machine up, then builds and runs the whole test suite: the native
# build, and the same suite under the sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
for preset in native sanitize; do
  echo "=== $preset ==="
  cmake --workflow --preset "$preset"
done
