#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and with --bench
# those the benchmark needs too; does nothing when they are all there already.
set -euo pipefail

packages=(cmake g++ make googletest libgtest-dev)
[[ ${1:-} == --bench ]] && packages+=(hyperfine strace time jq)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
((${#missing[@]} == 0)) && exit 0

sudo=()
((EUID == 0)) || sudo=(sudo)
"${sudo[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
