#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds the desk with warnings as errors and runs the whole
# test suite. Usage: sudo bash scripts/test.sh
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-ci"

bash "$root/scripts/setup-debian.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELMO_WERROR=ON
cmake --build "$build" -j "${VELMO_JOBS:-2}"
ctest --test-dir "$build" -j2 --output-on-failure
