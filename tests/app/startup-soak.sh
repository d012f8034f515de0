#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts Pagewell again and again on a real X display without a window manager (Xvfb, the xcb
# platform): half the starts with no file, half on a 100 MB text. Each start is left until it is
# idle (its CPU time stands still) or 4 s have passed, then ended. A start that ends by itself
# before that fails the run, with what it printed. The companion clip tool gets a few starts too.
#
# usage: startup-soak.sh PAGEWELL SBX [STARTS]
set -uo pipefail

pagewell=$1
sbx=$2
starts=${3:-40}

work=$(mktemp -d)
xvfb_pid=
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; echo "FAIL: Xvfb did not start"; exit 1; }
display=":$(head -1 "$work/display")"

# 100 MB of text lines.
yes 'Pagewell reads this line again and again, 0123456789 abcdefghijklmnopqrstuvwxyz.' |
    head -c 104857600 >"$work/text-100m.txt"

mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null; }

# One start; 0 when the program was still running when it was ended.
soak_one() {
    local label=$1
    shift
    local log="$work/run.log"
    env DISPLAY="$display" QT_QPA_PLATFORM=xcb HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" \
        "$@" >"$log" 2>&1 &
    local pid=$! waited=0 still=0 last=-1 now
    while [ "$waited" -lt 40 ]; do
        sleep 0.1
        waited=$((waited + 1))
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"
            echo "FAIL: $label ended by itself after about $((waited * 100)) ms (status $?):"
            sed 's/^/    /' "$log"
            return 1
        fi
        now=$(cpu_ticks "$pid")
        if [ "$now" = "$last" ]; then still=$((still + 1)); else still=0; fi
        last=$now
        # Idle: past the unroll, and no CPU time for 0.5 s.
        [ "$waited" -ge 10 ] && [ "$still" -ge 5 ] && break
    done
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 0
}

failed=0
for i in $(seq "$starts"); do
    if [ $((i % 2)) = 1 ]; then
        soak_one "pagewell start $i (no file)" "$pagewell" || failed=$((failed + 1))
    else
        soak_one "pagewell start $i (100 MB text)" "$pagewell" "$work/text-100m.txt" ||
            failed=$((failed + 1))
    fi
done
for i in $(seq 5); do
    soak_one "sbx start $i" "$sbx" || failed=$((failed + 1))
done

echo "$((starts + 5 - failed)) passed, $failed failed"
[ "$failed" = 0 ]
