#!/usr/bin/env bash
# Differential check of two builds of the machine: every program of tests/programs, tests/guide and
# examples (with their .args, .in and .files), every input of the fuzz corpora, and COUNT programs from
# tools/vkgen.py (seeds 1 to COUNT), run with both binaries in several modes; in each mode their
# standard output, standard error, exit status and the files they leave must agree byte for byte.
#
#   [MODES="..."] [STEPS="..."] [CAPS="..."] difftest.sh OLD_VESK NEW_VESK [COUNT]     COUNT: 5000
#
# MODES chooses among plain (the program's own options), warn (-w), list (-l), steps (--max-steps=N for
# each N of STEPS) and memory (--max-memory=M for each M MiB of CAPS); all by default. The step counts
# stop a generated program in its first statements, in its first loops, about halfway and late (half
# of them run more than 1,000 instructions, one in ten more than 10,000); hardly one in thirty reaches
# the smallest cap, which is for the tested programs and the fuzz inputs that build large values. The
# inputs of fuzz/corpus/compile run in the modes plain, warn and list only; those of odd size, like
# every fuzz input, run with -q as the fuzz targets run them. The default run, about 60,000 runs of
# 5,700 programs per build, takes 20 minutes of processor time (user and system): about 11 minutes on
# two idle cores, 30 on two shared with other work; MODES="plain warn list" takes a quarter of that.
#
# Prints how the generated programs' plain runs ended (under OLD), the runs OLD did not finish in 10
# seconds (when NEW timed out too the run is not compared; when NEW finished it is a difference), per
# mode how many runs were compared and how many differ, then each difference; exits 1 if there is any.
set -u
if [ $# -lt 2 ]; then echo "usage: $0 OLD_VESK NEW_VESK [COUNT]" >&2; exit 2; fi
root=$(cd "$(dirname "$0")/.." && pwd)
count=${3:-5000}
python=$(command -v /usr/bin/python3 python3 | head -n 1)
results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT

modes=()
for mode in ${MODES:-plain warn list steps memory}; do
    case $mode in
        plain | warn | list) modes+=("$mode") ;;
        steps) for steps in ${STEPS:-1 20 150 1000 6000}; do modes+=("steps=$steps"); done ;;
        memory) for cap in ${CAPS:-1 2 8}; do modes+=("memory=$cap"); done ;;
        *) echo "$0: unknown mode $mode (plain, warn, list, steps, memory)" >&2; exit 2 ;;
    esac
done

# The fuzz inputs get a name a program can have, and the options their target gives them.
for corpus in run compile; do
    mkdir -p "$results/fuzz/corpus/$corpus"
    find "$root/fuzz/corpus/$corpus" -type f -printf '%s %f\n' | while read -r size input; do
        cp "$root/fuzz/corpus/$corpus/$input" "$results/fuzz/corpus/$corpus/$input.VKEX"
        if [ $((size % 2)) = 1 ]; then echo -q >"$results/fuzz/corpus/$corpus/$input.args"; fi
    done
done
mkdir "$results/generated"
"$python" "$root/tools/vkgen.py" "$results/generated" 1 "$count" || exit 2
touch "$results/runs" "$results/oldtimeouts" "$results/outcomes"
printf '%s\0' "$results"/fuzz/corpus/*/*.VKEX "$root"/tests/{programs,guide}/*.VKEX "$root"/examples/*.VKEX \
    "$results"/generated/*.VKEX |
    xargs -0 -n 25 -P 2 bash "$root/tools/diffcase.sh" "$(realpath "$1")" "$(realpath "$2")" "$results" "${modes[*]}"

echo "generated programs, by how their plain run ends:"
grep '^generated/' "$results/outcomes" | cut -d ' ' -f 2- | sed 's/^\(machine error\): .*/\1/' | sort | uniq -c | sort -rn
echo "machine errors among them, by message:"
grep '^generated/[^ ]* machine error' "$results/outcomes" | cut -d ' ' -f 4- | sort | uniq -c | sort -rn
echo "timed out under OLD: $(wc -l <"$results/oldtimeouts") runs"
sort "$results/oldtimeouts" | while read -r label mode; do
    if grep -qxF "$mode timedout $label" "$results/runs"; then
        echo "  $label $mode (NEW timed out too: not compared)"
    else
        echo "  $label $mode (NEW did not time out: a difference)"
    fi
done
echo "per mode: runs compared, runs that differ (and runs both timed out, not compared):"
for mode in "${modes[@]}"; do
    awk -v mode="$mode" '$1 == mode { n[$2]++ }
        END { printf "  %-12s %6d compared %4d differ %4d timed out\n", mode, n["same"] + n["differs"], n["differs"], n["timedout"] }' \
        "$results/runs"
done
differences=$(find "$results" -maxdepth 1 -name '*.diff' | sort)
for diff in $differences; do cat "$diff"; done
awk '{ programs[$3] = 1 } $2 != "timedout" { runs++ } $2 == "differs" { differ++ }
    END { printf "compared %d runs of %d programs, %d differ\n", runs, length(programs), differ }' "$results/runs"
[ -z "$differences" ]
