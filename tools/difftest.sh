#!/usr/bin/env bash
# Differential check of two builds of the machine: every program of tests/programs, tests/guide and
# examples, and COUNT programs from tools/vkgen.py (seeds 1 to COUNT), run with both binaries; their
# standard output, standard error and exit status must agree byte for byte. Prints how the generated
# programs ended (under OLD) and every difference; exits 1 if there is any.
#
#   difftest.sh OLD_VESK NEW_VESK [COUNT]     COUNT defaults to 5000
set -u
if [ $# -lt 2 ]; then echo "usage: $0 OLD_VESK NEW_VESK [COUNT]" >&2; exit 2; fi
root=$(cd "$(dirname "$0")/.." && pwd)
count=${3:-5000}
python=$(command -v /usr/bin/python3 python3 | head -n 1)
results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT

mkdir "$results/generated"
"$python" "$root/tools/vkgen.py" "$results/generated" 1 "$count" || exit 2
printf '%s\0' "$root"/tests/{programs,guide}/*.VKEX "$root"/examples/*.VKEX "$results"/generated/*.VKEX |
    xargs -0 -n 25 -P 2 bash "$root/tools/diffcase.sh" "$(realpath "$1")" "$(realpath "$2")" "$results"

echo "generated programs, by how they end:"
grep '^gen' "$results/outcomes" | cut -d ' ' -f 2- | sed 's/^\(machine error\): .*/\1/' | sort | uniq -c | sort -rn
echo "machine errors among them, by message:"
grep '^gen[0-9]* machine error' "$results/outcomes" | cut -d ' ' -f 4- | sort | uniq -c | sort -rn
differences=$(find "$results" -maxdepth 1 -name '*.diff' | sort)
for diff in $differences; do
    echo "=== $(basename "$diff" .diff) differs:"
    cat "$diff"
done
echo "compared $(wc -l <"$results/outcomes") programs, $(echo "$differences" | grep -c .) differ"
[ -z "$differences" ]
