#!/usr/bin/env bash
# Runs programs with two machines in several modes and compares, mode by mode, their standard output,
# standard error, exit status and the files left in their folder, byte for byte. Called by difftest.sh.
#
#   diffcase.sh OLD NEW RESULTS "MODE..." PROGRAM...
#
# A MODE is plain (the program's own options), warn (-w), list (-l), steps=N (--max-steps=N) or
# memory=M (--max-memory=M); every mode's options follow the program's own.
#
# Each run happens as in tests/programs/run.sh: in a fresh scratch folder holding a copy of the program
# and of NAME.files/, with NAME.in (or nothing) as standard input and the blank-separated options of
# NAME.args before the program's name; the random quip line after "COMPILER ERROR" reads "// <quip>".
# A run is limited to 10 seconds, 4 GB of address space and files of 256 MiB, so that one that hangs or
# grows without end costs no long wait nor a full machine (a sanitizer build needs more address space:
# compare ordinary builds). When the old machine's run timed out and so did the new one's, the mode is
# not compared (what a killed run printed depends on the moment it was killed). The fuzz corpora's
# inputs (labels fuzz/...) are programs nobody has read: their shell commands find no program to start,
# only the shell's own built-ins.
#
# Appends to RESULTS/runs a line "MODE same|differs|timedout LABEL" for every run compared (timedout:
# both timed out), to RESULTS/oldtimeouts "LABEL MODE" for every run the old machine did not finish in
# time, and to RESULTS/outcomes "LABEL OUTCOME", OUTCOME telling how the old machine's plain run ended.
# When a mode's runs differ, the start of the difference goes to RESULTS/LABEL@MODE.diff ("/" in LABEL
# as "_"). LABEL is the program's path from the repository, or from RESULTS for one written there.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
old=$1 new=$2 results=$3 modes=$4
shift 4
limit=10
timeout=$(command -v timeout)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/nothing"
ulimit -v 4194304 -f 262144

# modeoptions MODE: the options MODE adds, in the array `added`.
modeoptions() {
    case $1 in
        plain) added=() ;;
        warn) added=(-w) ;;
        list) added=(-l) ;;
        steps=*) added=("--max-steps=${1#steps=}") ;;
        memory=*) added=("--max-memory=${1#memory=}") ;;
        *) echo "diffcase.sh: unknown mode $1" >&2; exit 2 ;;
    esac
}

# prepare PROGRAM EXPECTATIONS FOLDER...: each FOLDER/files becomes the scratch folder of one run,
# made all at once (a copy per run would cost more than most runs).
prepare() {
    local program=$1 expectations=$2 folder
    shift 2
    mkdir -p "${@/%//files}"
    tee "${@/%//files/$name.VKEX}" <"$program" >/dev/null
    if [ -d "$expectations/$name.files" ]; then
        for folder in "$@"; do cp -r "$expectations/$name.files/." "$folder/files/"; done
    fi
}

# run VESK FOLDER OPTION...: runs the program in FOLDER/files, leaving in FOLDER its stdout, stderr and
# status; sets `timedout` to 1 when it ran out of time, else 0.
run() {
    local vesk=$1 folder=$2 start status
    shift 2
    start=${EPOCHREALTIME/./}
    (cd "$folder/files" && PATH=$searchpath exec "$timeout" "$limit" "$vesk" "$@" "$name.VKEX" \
        <"$input" >"$folder/stdout" 2>"$folder/stderr")
    status=$?
    echo "$status" >"$folder/status"
    # A program may end with status 124 itself: only one that ran the whole time was stopped.
    timedout=0
    if [ "$status" = 124 ] && [ $((${EPOCHREALTIME/./} - start)) -ge $((limit * 1000000)) ]; then timedout=1; fi
}

# hidequips FOLDER: replaces, in every stderr below FOLDER, the random quip line after "COMPILER ERROR".
hidequips() {
    local stderr
    for stderr in "$1"/*/stderr; do
        awk 'previous == "COMPILER ERROR" && /^\/\/ / { $0 = "// <quip>" } { print; previous = $0 }' \
            "$stderr" >"$stderr.seen" && mv "$stderr.seen" "$stderr"
    done
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
    case $program in
        "$results"/*) label=${program#"$results"/} ;;
        *) label=${program#"$root"/} ;;
    esac
    expectations=${program%/*}
    case $program in "$root"/examples/*) expectations=$root/tests/examples ;; esac
    input=/dev/null
    if [ -f "$expectations/$name.in" ]; then input=$expectations/$name.in; fi
    options=()
    if [ -f "$expectations/$name.args" ]; then read -r -a options <"$expectations/$name.args"; fi
    searchpath=$PATH
    case $label in fuzz/*) searchpath=$work/nothing ;; esac
    case=$work/case
    programmodes=()
    for mode in $modes; do
        # The compiler's corpus holds texts to compile, mostly no program worth running many ways.
        case $label:$mode in fuzz/corpus/compile/*:steps=* | fuzz/corpus/compile/*:memory=*) continue ;; esac
        programmodes+=("$mode")
    done
    if [ ${#programmodes[@]} = 0 ]; then continue; fi
    prepare "$program" "$expectations" "${programmodes[@]/#/$case/old/}" "${programmodes[@]/#/$case/new/}"
    compared=()
    for mode in "${programmodes[@]}"; do
        modeoptions "$mode"
        run "$old" "$case/old/$mode" "${options[@]}" "${added[@]}"
        oldtimedout=$timedout
        run "$new" "$case/new/$mode" "${options[@]}" "${added[@]}"
        if [ "$mode" = plain ]; then echo "$label $(outcome "$case/old/plain")" >>"$results/outcomes"; fi
        if [ $oldtimedout = 1 ]; then echo "$label $mode" >>"$results/oldtimeouts"; fi
        if [ $oldtimedout = 1 ] && [ $timedout = 1 ]; then
            echo "$mode timedout $label" >>"$results/runs"
            rm -r "$case/old/$mode" "$case/new/$mode"
        else
            compared+=("$mode")
        fi
    done
    # Most programs agree in every mode: one look at all of them, and a closer one only when needed.
    if diff -r -q "$case/old" "$case/new" >/dev/null; then
        for mode in "${compared[@]}"; do echo "$mode same $label"; done >>"$results/runs"
    else
        hidequips "$case/old"
        hidequips "$case/new"
        for mode in "${compared[@]}"; do
            if (cd "$case" && diff -r -a -u "old/$mode" "new/$mode") >"$case/diff"; then
                echo "$mode same $label" >>"$results/runs"
            else
                echo "$mode differs $label" >>"$results/runs"
                { echo "=== $label under $mode differs:"; head -n 30 "$case/diff"; } >"$results/${label//\//_}@$mode.diff"
            fi
        done
    fi
    rm -r "$case"
done
