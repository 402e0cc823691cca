#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and with --bench
# those the benchmark needs too; does nothing when they are all there already.
set -euo pipefail

packages=(cmake g++ make binutils googletest libgtest-dev
  # The desktop box: GTK 3 is loaded at run time, so only its runtime is needed,
  # and only by the tests that show the box on a private X server.
  libgtk-3-0 fonts-dejavu-core xvfb openbox xdotool x11-utils imagemagick)
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
