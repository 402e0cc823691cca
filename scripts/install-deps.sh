#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when
# they are all there already.
set -euo pipefail

# clang and its runtime libraries (libFuzzer) build the fuzz preset.
packages=(cmake g++ make googletest libgtest-dev clang libclang-rt-14-dev)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
((${#missing[@]} == 0)) && exit 0

sudo=()
((EUID == 0)) || sudo=(sudo)
"${sudo[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
