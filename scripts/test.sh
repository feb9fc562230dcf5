#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds the desk with warnings as errors and runs the whole
# test suite. Usage: bash scripts/test.sh (as root, or as a user who may use sudo: it is asked
# for only to install missing packages and to let the stand-in server bind ports 80 and 443).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-ci"

bash "$root/scripts/setup-debian.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELMO_WERROR=ON
cmake --build "$build" -j "${VELMO_JOBS:-2}"
bash "$root/scripts/server-ports.sh" "$build/server/report-server"
ctest --test-dir "$build" -j2 --output-on-failure
