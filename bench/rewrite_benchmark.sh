#!/usr/bin/env bash
# Full rewrite of an image with all 120 blocks through velmar-fw write and velmar-radio on a
# pseudo-terminal. Prints
#   (a) unpaced: wall time and the writer's CPU time (best and median of RUNS runs);
#   (b) paced at the real line speeds: wall time against the line-time floor (every byte of
#       every frame and reply at 10 bits per byte at its line speed) and the writer's CPU share.
# usage: bench/rewrite_benchmark.sh [BIN_DIR] [RUNS]     (skip (b) with PACED=0)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
bin=${1:-${VELMAR_BIN_DIR:-$here/../build/release/bin}}
runs=${2:-5}
paced=${PACED:-1}
source "$here/bench_common.sh"
require_programs velmar-fw velmar-radio

python3 "$here/make_full_image.py" "$work/full.mot"
blocks=$("$bin/velmar-fw" info "$work/full.mot" | sed -n 's/^Blocks: *\([0-9]*\) of.*/\1/p')
echo "image: $blocks blocks to send"

start_radio() {  # start_radio [radio options...]; sets radio_pid and device
    rm -f "$work/radio.out"
    "$bin/velmar-radio" --log "$work/traffic.log" "$@" >"$work/radio.out" 2>"$work/radio.err" &
    radio_pid=$!
    for _ in $(seq 200); do
        device=$(head -n1 "$work/radio.out" 2>/dev/null || true)
        [ -n "$device" ] && return 0
        sleep 0.01
    done
    echo "velmar-radio did not start" >&2
    exit 1
}
# One write; prints "wall user sys".
timed_write() {
    if ! /usr/bin/time -f "%e %U %S" -o "$work/time" \
        "$bin/velmar-fw" write "$work/full.mot" --port "$device" >"$work/write.out" 2>"$work/write.err"; then
        echo "the write failed:" >&2
        cat "$work/write.out" "$work/write.err" >&2
        exit 1
    fi
    grep -q "Rewriting success!" "$work/write.out"
    cat "$work/time"
}

echo
echo "(a) unpaced, $runs runs (targets: wall < 1 s, writer CPU < 0.3 s)"
start_radio
: >"$work/unpaced"
for i in $(seq "$runs"); do
    read -r wall user sys < <(timed_write)
    cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
    printf "  run %d: wall %.2f s, writer CPU %.2f s (user %.2f, sys %.2f)\n" "$i" "$wall" "$cpu" "$user" "$sys"
    echo "$wall $cpu" >>"$work/unpaced"
done
stop_radios
sort -n "$work/unpaced" | awk '{w[NR]=$1} END {printf "  wall: best %.2f s, median %.2f s\n", w[1], w[int((NR+1)/2)]}'
sort -n -k2 "$work/unpaced" | awk '{c[NR]=$2} END {printf "  writer CPU: best %.2f s, median %.2f s\n", c[1], c[int((NR+1)/2)]}'

[ "$paced" = "1" ] || exit 0
echo
echo "(b) paced at the line speeds (targets: wall within 2% of the floor, writer CPU < 2% of wall)"
start_radio --pace
read -r wall user sys < <(timed_write)
stop_radios
# The floor from what actually crossed the line.
floor=$(awk -f "$here/line_floor.awk" "$work/traffic.log")
frames=$(grep -c " frame " "$work/traffic.log")
cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.2f", u + s }')
awk -v wall="$wall" -v floor="$floor" -v cpu="$cpu" -v frames="$frames" 'BEGIN {
    printf "  %d frames; line-time floor %.3f s\n", frames, floor
    printf "  wall %.2f s: %+.2f%% over the floor\n", wall, (wall - floor) * 100 / floor
    printf "  writer CPU %.2f s: %.2f%% of wall\n", cpu, cpu * 100 / wall
}'
