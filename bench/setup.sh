# Sourced by the benchmark scripts from the checkout's root: the tools, an
# optimised install in $install_exe, and the scratch folder $scratch.
# Headless, so that install reports in the terminal and waits for nobody.
unset DISPLAY WAYLAND_DISPLAY
root=$PWD

scripts/install-deps.sh --bench
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
install_exe=$root/build/bench/install

scratch=${BENCH_DIR:-$root/build/bench-scratch}
mkdir -p "$scratch"
scratch=$(cd "$scratch" && pwd)
