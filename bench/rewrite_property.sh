#!/usr/bin/env bash
# A long run of the rewrite's property test: COUNT seeded random fault schedules (late,
# unwritten, dropped, refused, cut, garbled, doubled, lengthened, foreign and vanishing
# replies) from SEED on, each a whole rewrite on the virtual line and clock. Prints the
# schedules a second; a failing schedule prints its seed to replay it alone.
# usage: bench/rewrite_property.sh [BIN_DIR] [COUNT] [SEED]   (default: release, 200000, 1)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
bin=${1:-${VELMAR_BIN_DIR:-$here/../build/release/bin}}
[ -x "$bin/protocol_tests" ] || { echo "no $bin/protocol_tests: build it first" >&2; exit 1; }
VELMAR_PROPERTY_SCHEDULES=${2:-200000} VELMAR_PROPERTY_SEED=${3:-1} \
    "$bin/protocol_tests" --gtest_filter='RewriteProperty.*' --gtest_brief=1
