#!/usr/bin/env bash
# Sets the machine up, then builds and runs the whole test suite: the native
# build, the same suite under the sanitizers, and install.exe for Windows with
# its suite under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
for preset in native sanitize windows; do
  echo "=== $preset ==="
  cmake --workflow --preset "$preset"
done
