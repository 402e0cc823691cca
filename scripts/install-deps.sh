#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and with --bench
# those the benchmark needs too; does nothing when they are all there already.
set -euo pipefail

packages=(cmake g++ make binutils googletest libgtest-dev
  # The desktop box: GTK 3 is loaded at run time, so only its runtime is needed,
  # and only by the tests that show the box on a private X server.
  libgtk-3-0 fonts-dejavu-core xvfb openbox xdotool x11-utils imagemagick
  # install.exe: the 32-bit Windows cross compiler, and Wine to run it and its
  # tests on the same kind of private X server
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  wine wine32:i386
  # setpriv: the read-only cases again as an ordinary user when run as root
  util-linux
  # clang and its runtime libraries (libFuzzer) build the fuzz preset.
  clang libclang-rt-14-dev)
[[ ${1:-} == --bench ]] && packages+=(hyperfine strace time jq)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
((${#missing[@]} == 0)) && exit 0

sudo=()
((EUID == 0)) || sudo=(sudo)
# Wine's 32-bit half comes from the i386 architecture.
if [[ " ${missing[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo[@]}" dpkg --add-architecture i386
fi
"${sudo[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
