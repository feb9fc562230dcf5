#!/usr/bin/env bash
# Builds the whole tree (desk, server, tests, benchmarks) a second time with clang and warnings
# as errors, without running anything: the fuzz build needs clang, so the tree must keep
# compiling with both compilers. Usage: bash scripts/clang-build.sh (after setup-debian.sh).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-clang"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELMO_WERROR=ON
cmake --build "$build" -j "${VELMO_JOBS:-2}"
