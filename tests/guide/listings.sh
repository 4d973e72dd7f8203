#!/usr/bin/env bash
# Checks docs/guide.md: every ```vesk block must follow a line "<!-- PATH -->" naming a tested program,
# and must be that program's text exactly.
set -u
root=$1
guide=$root/docs/guide.md
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

awk -v work="$work" '
/^<!-- .* -->$/ { pending = $2; next }
/^```vesk$/ {
    if (pending == "") { print "a program block without its file at line " NR; bad = 1 }
    blocks++; file = work "/" blocks; names[blocks] = pending; inside = 1; printf "" > file; pending = ""; next
}
inside && /^```$/ { inside = 0; close(file); next }
inside { print >> file; next }
{ if ($0 != "") pending = "" }
END {
    for (i = 1; i <= blocks; i++) print names[i] > (work "/names")
    exit bad
}
' "$guide" || exit 1

failed=0
count=0
while read -r path; do
    count=$((count + 1))
    if ! cmp -s "$work/$count" "$root/$path"; then
        echo "the guide's listing of $path differs from the file:"
        diff "$root/$path" "$work/$count"
        failed=1
    fi
done <"$work/names"
[ "$count" -gt 0 ] || { echo "no program listings found"; exit 1; }
echo "$count listings checked"
exit $failed
