#!/usr/bin/env bash
# A long run of the crash test: COUNT points from SEED on, each a real rewrite over a pty killed
# with SIGKILL at a seeded random point (velmar-fw, velmar-fw-serial and a station of two in
# turn), then the service log, the lock and the next rewrite checked. Prints every point with
# the record found, a count of the records, and the points a second.
# usage: bench/crash_record.sh [BIN_DIR] [COUNT] [SEED]   (default: release, 500, 1)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
bin=${1:-${VELMAR_BIN_DIR:-$here/../build/release/bin}}
[ -x "$bin/wiring_tests" ] || { echo "no $bin/wiring_tests: build it first" >&2; exit 1; }
count=${2:-500}
start=$(date +%s.%N)
VELMAR_BIN_DIR=$bin VELMAR_CRASH_POINTS=$count VELMAR_CRASH_SEED=${3:-1} \
    "$bin/wiring_tests" --gtest_filter='CrashRecord.*' --gtest_brief=1
awk -v s="$start" -v e="$(date +%s.%N)" -v n="$count" \
    'BEGIN { printf "%d points in %.1f s: %.2f points a second\n", n, e - s, n / (e - s) }'
