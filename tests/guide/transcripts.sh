#!/usr/bin/env bash
# Checks every session shown in docs/guide.md after a line "<!-- transcript -->": an indented block whose
# first line is "$ vesk ARGS", then lines typed after the prompts "> " and "... " and what vesk wrote.
# The typed lines are piped into vesk ARGS (standard error joined to standard output); what it writes
# must be every other line of the block.
set -u
root=$1
vesk=$2
guide=$root/docs/guide.md
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

awk -v work="$work" '
/^<!-- transcript -->$/ { sessions++; state = "before"; next }
state == "before" && /^    \$ vesk/ { sub(/^    \$ vesk ?/, ""); print > (work "/" sessions ".args"); state = "inside"; next }
state == "before" && /^$/ { next }
state == "inside" && /^    / {
    line = substr($0, 5)
    if (line ~ /^> /) print substr(line, 3) > (work "/" sessions ".in")
    else if (line ~ /^\.\.\. /) print substr(line, 5) > (work "/" sessions ".in")
    else print line > (work "/" sessions ".out")
    next
}
{ state = "" }
END { print sessions + 0 > (work "/count") }
' "$guide"

count=$(cat "$work/count")
[ "$count" -gt 0 ] || { echo "no transcripts found"; exit 1; }
failed=0
for n in $(seq 1 "$count"); do
    read -r -a options <"$work/$n.args"
    (cd "$work" && "$vesk" "${options[@]}" <"$work/$n.in" >"$work/$n.got" 2>&1)
    if ! cmp -s "$work/$n.out" "$work/$n.got"; then
        echo "transcript $n of the guide differs from what vesk writes:"
        diff "$work/$n.out" "$work/$n.got"
        failed=1
    fi
done
echo "$count transcripts checked"
exit $failed
