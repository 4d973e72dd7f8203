#!/usr/bin/env bash
# Runs one whole-program test. Beside tests/programs/NAME.VKEX stand its expectations:
#   NAME.out     standard output (required)
#   NAME.err     standard error (absent: empty)
#   NAME.status  exit status (absent: 0)
#   NAME.in      standard input (absent: none)
#   NAME.files/  files copied into the scratch folder before the run
#   NAME.args    options placed before the file name (absent: none)
# The program runs in an empty scratch folder holding a copy of itself. On standard error, the quip line
# that follows "COMPILER ERROR" is replaced by "// <quip>" when it is one of the ten quips.
#
# run.sh VESK PROGRAM [EXPECTATIONS]   compares (EXPECTATIONS: the folder of the expectation files,
#                                       by default the program's own)
# run.sh --record VESK PROGRAM [...]   writes the expectation files from this run instead; read them
#                                       before committing them
set -u
record=0
if [ "$1" = --record ]; then record=1; shift; fi
vesk=$1
program=$2
expectations=${3:-$(dirname "$program")}
dir=$expectations
name=$(basename "$program" .VKEX)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/run"
cp "$program" "$work/run/"
if [ -d "$dir/$name.files" ]; then cp -r "$dir/$name.files/." "$work/run/"; fi
input=/dev/null
if [ -f "$dir/$name.in" ]; then input="$dir/$name.in"; fi
options=()
if [ -f "$dir/$name.args" ]; then read -r -a options <"$dir/$name.args"; fi

(cd "$work/run" && timeout 120 "$vesk" "${options[@]}" "$name.VKEX" <"$input" >"$work/stdout" 2>"$work/stderr.raw")
status=$?

if grep -qx 'COMPILER ERROR' "$work/stderr.raw"; then
    awk '
    BEGIN {
        split("What did you do again?|Well that wasn'\''t supposed to happen...|I swear it wasn'\''t my fault!|Mist.|Was it my fault?|Stop doing that!|Something ain'\''t right...|Full steam ahead!|This message will come to haunt me, Tamsin Quell.|GRRRRRRRR", list, "|")
        for (i in list) quips["// " list[i]] = 1
    }
    previous == "COMPILER ERROR" && ($0 in quips) { print "// <quip>"; previous = $0; next }
    { print; previous = $0 }
    ' "$work/stderr.raw" >"$work/stderr"
else
    cp "$work/stderr.raw" "$work/stderr"
fi

if [ $record = 1 ]; then
    cp "$work/stdout" "$dir/$name.out"
    if [ -s "$work/stderr" ]; then cp "$work/stderr" "$dir/$name.err"; else rm -f "$dir/$name.err"; fi
    if [ "$status" != 0 ]; then echo "$status" >"$dir/$name.status"; else rm -f "$dir/$name.status"; fi
    exit 0
fi

expectedstatus=0
if [ -f "$dir/$name.status" ]; then expectedstatus=$(tr -d '[:space:]' <"$dir/$name.status"); fi
expectederr=/dev/null
if [ -f "$dir/$name.err" ]; then expectederr="$dir/$name.err"; fi

failed=0
if ! diff -u "$dir/$name.out" "$work/stdout"; then echo "standard output differs"; failed=1; fi
if ! diff -u "$expectederr" "$work/stderr"; then echo "standard error differs"; failed=1; fi
if [ "$status" != "$expectedstatus" ]; then echo "exit status $status, expected $expectedstatus"; failed=1; fi
exit $failed
