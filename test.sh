#!/usr/bin/env bash
# Installs what is missing, builds with the address and undefined-behaviour
# sanitizers and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")"
. ./scripts-common.sh
fotarium_install_packages
fotarium_use_ccache

cmake --preset asan >/dev/null
cmake --build --preset asan -j"$(fotarium_jobs)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --preset asan -j"$(fotarium_jobs)"
