#!/usr/bin/env bash
# Runs programs with two machines and compares their standard output, standard error and exit status
# byte for byte. Called by difftest.sh.
#
#   diffcase.sh OLD NEW RESULTS PROGRAM...
#
# Each run happens as in tests/programs/run.sh: in a fresh scratch folder holding a copy of the program
# and of NAME.files/, with NAME.in (or nothing) as standard input; the random quip line after "COMPILER
# ERROR" reads "// <quip>". A run is limited to 10 seconds and 4 GB of address space, so that one that
# hangs or grows without end shows as a difference rather than a long wait or a full machine (a
# sanitizer build needs more address space: compare ordinary builds).
#
# For each program a line "NAME OUTCOME" goes to RESULTS/outcomes, OUTCOME telling how the old machine's
# run ended; when the runs differ, the start of the difference goes to RESULTS/NAME.diff ("/" in NAME
# as "_").
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
old=$1 new=$2 results=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# run VESK PROGRAM EXPECTATIONS FOLDER: runs PROGRAM, leaving in FOLDER its stdout, stderr and status.
run() {
    local vesk=$1 program=$2 expectations=$3 folder=$4 name input=/dev/null
    name=${program##*/}
    name=${name%.VKEX}
    mkdir -p "$folder" "$folder-run"
    cp "$program" "$folder-run/"
    if [ -d "$expectations/$name.files" ]; then cp -r "$expectations/$name.files/." "$folder-run/"; fi
    if [ -f "$expectations/$name.in" ]; then input=$expectations/$name.in; fi
    (cd "$folder-run" && ulimit -v 4194304 &&
        exec timeout 10 "$vesk" "$name.VKEX" <"$input" >"$folder/stdout" 2>"$folder-stderr")
    echo $? >"$folder/status"
    awk 'previous == "COMPILER ERROR" && /^\/\/ / { $0 = "// <quip>" } { print; previous = $0 }' \
        "$folder-stderr" >"$folder/stderr"
}

# outcome FOLDER: how a run ended, e.g. "finished" or "machine error: Out of bounds. Tried getting index"
# (a message is cut at its first colon and loses its numbers; a panic's message is on the next line).
outcome() {
    local status
    read -r status <"$1/status"
    awk -v status="$status" '
        FILENAME ~ /stdout$/ && /^<VESK 4> Program finished/ { finished = 1 }
        FILENAME ~ /stderr$/ && $0 == "COMPILER ERROR" { compiler = 1 }
        FILENAME ~ /stderr$/ && !header && sub(/^VESK 4 VM error( within module)?: */, "") {
            machine = $0
            header = FNR
        }
        FILENAME ~ /stderr$/ && header && machine == "" && FNR == header + 1 { machine = $0 }
        END {
            sub(/:.*/, "", machine); gsub(/-?[0-9]+/, "", machine); sub(/ +$/, "", machine)
            if (finished) print "finished"
            else if (status == 124) print "timed out"
            else if (compiler) print "compile error"
            else if (header) print "machine error: " substr(machine, 1, 60)
            else if (status == 51 || status == 52 || status == 54) print "splitter exit " status
            else print "exit status " status
        }' "$1/stdout" "$1/stderr"
}

for program in "$@"; do
    name=${program##*/}
    name=${name%.VKEX}
    case $program in "$root"/*) label=${program#"$root"/} ;; *) label=$name ;; esac
    expectations=${program%/*}
    case $program in "$root"/examples/*) expectations=$root/tests/examples ;; esac
    case=$work/${label//\//_}
    run "$old" "$program" "$expectations" "$case/old"
    run "$new" "$program" "$expectations" "$case/new"
    echo "$label $(outcome "$case/old")" >>"$results/outcomes"
    if ! (cd "$case" && diff -r -a -u old new) >"$case.diff"; then
        head -n 30 "$case.diff" >"$results/${label//\//_}.diff"
    fi
    rm -r "$case" "$case.diff"
done
