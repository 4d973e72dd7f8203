#!/usr/bin/env bash
# Builds the optimised machine and runs every program in bench/programs, printing per program its
# last line of output, the wall time and the peak memory. Not a test: figures vary with the host.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build-bench" -j2 --target vesk >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for program in "$root"/bench/programs/*.VKEX; do
    name=$(basename "$program" .VKEX)
    (cd "$scratch" && /usr/bin/time -o "$scratch/time" -f "%e s %M KB" \
        "$root/build-bench/vesk" "$program" >"$scratch/out" 2>&1) || true
    printf '%-12s %-28s %s\n' "$name" "$(tail -n 3 "$scratch/out" | head -n 1 | cut -c1-28)" "$(cat "$scratch/time")"
done
