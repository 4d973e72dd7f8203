#!/usr/bin/env bash
# Builds an optimised vesk (in build-bench, as the other benchmarks do) and times the language
# server's diagnostics on a 10,000-line document; `bash bench/lsp.sh PATH/TO/vesk` times that binary.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
vesk=${1:-}
if [ -z "$vesk" ]; then
    cmake -S "$root" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$root/build-bench" -j2 --target vesk >/dev/null
    vesk="$root/build-bench/vesk"
fi
python3 "$root/bench/lsp.py" "$vesk"
