#!/usr/bin/env bash
# Measures the machine: each program of bench/programs beside its Python and Lua twins (median wall
# time of 5 runs, peak memory), then how its cost grows with the size of a program. Every figure that
# has a bound says whether it is met. Not a test: the figures vary with the host.
#
#   vm.sh          builds an optimised vesk in build-bench and measures it
#   vm.sh VESK     measures the given vesk binary
set -eu
export LC_ALL=C
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -ge 1 ]; then
    vesk=$(realpath "$1")
else
    cmake -S "$root" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$root/build-bench" -j2 --target vesk >/dev/null
    vesk=$root/build-bench/vesk
fi
python=$(command -v /usr/bin/python3 python3 | head -n 1 || true)
lua=$(command -v lua5.4 || true)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# measure RUNS COMMAND...: prints the median wall time in ms and the peak memory in MB of RUNS runs.
# The command's own output goes to a file; vesk runs in the scratch folder.
measure() {
    local runs=$1 times=() peak=0 start end kb
    shift
    for ((run = 0; run < runs; run++)); do
        start=$EPOCHREALTIME
        (cd "$scratch" && /usr/bin/time -f %M -o "$scratch/rss" "$@" >"$scratch/output" 2>&1 </dev/null) || true
        end=$EPOCHREALTIME
        times+=($((${end/./} - ${start/./})))
        kb=$(tail -n 1 "$scratch/rss")
        if ((kb > peak)); then peak=$kb; fi
    done
    median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$((runs / 2 + 1))p")
    awk -v us="$median" -v kb="$peak" 'BEGIN { printf "%.1f %.1f\n", us / 1000, kb / 1024 }'
}

# verdict A B BOUND: the ratio A / B, its bound and whether it is met.
verdict() {
    awk -v a="$1" -v b="$2" -v bound="$3" 'BEGIN {
        r = b > 0 ? a / b : 0
        printf "%6.2f <= %-3s %s", r, bound, (r <= bound ? "ok" : "NOT MET")
    }'
}

echo "vesk: $vesk"
echo "python3: ${python:-missing}    lua5.4: ${lua:-missing}"
echo
row() { printf '%-8s %8s %6s %11s %6s %10s %6s   %-22s %s\n' "$@"; }
row program "vesk ms" MB "python3 ms" MB "lua5.4 ms" MB "time vesk/CPython" "memory vesk/CPython"
for name in loop fib strings lists; do
    read -r vms vmb < <(measure 5 "$vesk" "$root/bench/programs/$name.VKEX")
    pms=- pmb=- lms=- lmb=- timeverdict=- memoryverdict=-
    if [ -n "$python" ]; then
        read -r pms pmb < <(measure 5 "$python" "$root/bench/programs/$name.py")
        timeverdict=$(verdict "$vms" "$pms" 1)
        memoryverdict=$(verdict "$vmb" "$pmb" 1)
    fi
    if [ -n "$lua" ]; then read -r lms lmb < <(measure 5 "$lua" "$root/bench/programs/$name.lua"); fi
    row "$name" "$vms" "$vmb" "$pms" "$pmb" "$lms" "$lmb" "$timeverdict" "$memoryverdict"
done

# The scaling programs, written to the scratch folder.
calls() {  # $2 + 1 calls of a one-line function (the while runs one pass more) after $1 other names
    awk -v names="$1" -v bound="$2" 'BEGIN {
        for (n = 0; n < names; n++) print "g" n " = " n
        print "def f(a) { return a }"; print "i = 0"
        print "while (i<" bound ") {"; print "    r = f(i)"; print "    i = (i+1)"; print "}"; print "i"
    }' >"$scratch/calls$1-$2.VKEX"
}
straight() {  # $1 lines of straight-line assignments
    awk -v lines="$1" 'BEGIN { for (n = 0; n < lines; n++) print "x" n " = (" n "+" n "*2)" }' \
        >"$scratch/straight$1.VKEX"
}
loop() {  # a loop counting to $1
    printf 'x = 0\nwhile (x<%s) {\n    x = (x+1)\n}\nx\n' "$1" >"$scratch/loop$1.VKEX"
}
big() {  # about 1 MB of function body after a division by $1; by 0 it fails before defining it
    awk -v divisor="$1" 'BEGIN {
        print "y = " divisor; print "x = (1/y)"; print "def big() {"
        for (n = 0; size < 1000000; n++) { line = "    z" n " = (" n "+" n "*2)"; print line; size += length(line) + 1 }
        print "}"
    }' >"$scratch/big$1.VKEX"
}
calls 0 99999; calls 0 0; calls 4000 99999; calls 4000 0; straight 2000; straight 16000; loop 1000000; loop 10000000; big 0; big 1

# scale LABEL UNIT BOUND FIRST SECOND: the two figures (ms or MB) and their ratio against its bound.
scale() { printf '%-42s %8s %-3s / %8s %-3s %s\n' "$1" "$4" "$2" "$5" "$2" "$(verdict "$4" "$5" "$3")"; }
echo
printf '%-42s %12s   %12s   %s\n' "scaling" "first" "second" " ratio (must reach)"
# The calls' own cost: the program with 100,000 calls less the same program with one. (Ten times the
# 10,000 calls of the measure, so that the cost per call stands well above the noise of starting a run.)
callcost() {
    local with without
    read -r with _ < <(measure 9 "$vesk" "$scratch/calls$1-99999.VKEX")
    read -r without _ < <(measure 9 "$vesk" "$scratch/calls$1-0.VKEX")
    awk -v a="$with" -v b="$without" 'BEGIN { printf "%.1f", (a > b ? a - b : 0) }'
}
scale "a call: 4,000 names defined / none" ms 1.3 "$(callcost 4000)" "$(callcost 0)"
read -r a _ < <(measure 3 "$vesk" "$scratch/straight16000.VKEX")
read -r b _ < <(measure 3 "$vesk" "$scratch/straight2000.VKEX")
scale "straight-line: 16,000 lines / 2,000" ms 10 "$a" "$b"
read -r _ a < <(measure 1 "$vesk" "$scratch/loop10000000.VKEX")
read -r _ b < <(measure 1 "$vesk" "$scratch/loop1000000.VKEX")
scale "loop: to 10,000,000 / to 1,000,000" MB 1.2 "$a" "$b"
read -r a _ < <(measure 3 "$vesk" "$scratch/big0.VKEX")
read -r b _ < <(measure 3 "$vesk" "$scratch/big1.VKEX")
scale "1 MB program: machine error / none" ms 1.5 "$a" "$b"
