#!/usr/bin/env bash
# One station command rewriting COUNT paced virtual radios against one paced radio written
# alone, both with the sample firmware at the real line speeds. Prints each run's wall and CPU
# time (user + system of the velmar-fw process) and the station's ratios to the single run.
# usage: bench/station_benchmark.sh [BIN_DIR] [COUNT]     (FIRMWARE=FILE to write another file)
# One run at full length takes about two minutes (one paced rewrite, then COUNT at once).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
bin=${1:-${VELMAR_BIN_DIR:-$here/../build/release/bin}}
count=${2:-8}
firmware=${FIRMWARE:-$here/../data/Velmar_150421_01_12.mot}
source "$here/bench_common.sh"
require_programs velmar-fw velmar-fw-serial velmar-radio

start_radios() {  # start_radios N PREFIX: N paced radios linked as PREFIX1..PREFIXN (one: PREFIX)
    rm -f "$work/radio.out"
    local last="$2$1"
    [ "$1" -eq 1 ] && last="$2"
    "$bin/velmar-radio" --count "$1" --pace --link "$2" >"$work/radio.out" 2>"$work/radio.err" &
    radio_pid=$!
    for _ in $(seq 300); do
        [ "$(wc -l <"$work/radio.out" 2>/dev/null || echo 0)" -ge "$1" ] && [ -e "$last" ] && return 0
        sleep 0.01
    done
    echo "velmar-radio did not start" >&2
    exit 1
}
# timed_write PORT_ARGS...: prints "wall cpu"; every radio must succeed.
timed_write() {
    if ! /usr/bin/time -f "%e %U %S" -o "$work/time" \
        "$bin/velmar-fw" write "$firmware" "$@" >"$work/write.out" 2>"$work/write.err"; then
        echo "the write failed:" >&2
        cat "$work/write.out" "$work/write.err" >&2
        exit 1
    fi
    awk '{ printf "%.2f %.2f\n", $1, $2 + $3 }' "$work/time"
}

start_radios 1 "$work/one"
read -r one_wall one_cpu < <(timed_write --port "$work/one")
stop_radios
echo "1 radio:   wall ${one_wall} s, CPU ${one_cpu} s"

start_radios "$count" "$work/st"
ports=()
for n in $(seq "$count"); do ports+=(--port "$work/st$n"); done
read -r station_wall station_cpu < <(timed_write "${ports[@]}")
stop_radios
[ "$(grep -c 'Rewriting success!' "$work/write.out")" -ge "$count" ] || {
    echo "not every radio was rewritten:" >&2
    cat "$work/write.out" >&2
    exit 1
}
echo "$count radios: wall ${station_wall} s, CPU ${station_cpu} s"
awk -v sw="$station_wall" -v ow="$one_wall" -v sc="$station_cpu" -v oc="$one_cpu" -v n="$count" \
    'BEGIN { printf "station of %d / 1 radio: wall %.3f x, CPU %.2f x\n", n, sw / ow, (oc > 0 ? sc / oc : 0) }'
