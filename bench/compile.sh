#!/usr/bin/env bash
# Builds and runs the compiler benchmark (an optimised build of its own, beside the usual one).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build-bench" -j2 --target vesk_compile_bench >/dev/null
"$root/build-bench/vesk_compile_bench"
