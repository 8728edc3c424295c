#!/usr/bin/env bash
# Whole-process time of turning a full-image S-record file into a binary image:
# velmar-fw dump against objcopy and srec_cat, one hyperfine run, medians and each one's
# ratio to objcopy printed. BEFORE=/path/to/another/velmar-fw adds that build to the same run.
# Usage: bench/compare_dump.sh [BUILD_DIR]     (default build/release; build it first)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
fw="$build/bin/velmar-fw"
[ -x "$fw" ] || { echo "no $fw: build the velmar-fw target in $build first" >&2; exit 1; }
for tool in hyperfine objcopy srec_cat python3; do
    command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Every row of 0x04000..0x23FFF: 8,192 S2 lines of 16 bytes, CR LF.
python3 - "$work/full.mot" <<'PY'
import sys
lines = []
for a in range(0x04000, 0x24000, 16):
    rec = [0x14, a >> 16, (a >> 8) & 0xFF, a & 0xFF] + [((a + i) * 2654435761 >> 24) & 0xFF for i in range(16)]
    lines.append("S2" + "".join("%02X" % b for b in rec) + "%02X" % (~sum(rec) & 0xFF))
lines.append("S804000000FB")
open(sys.argv[1], "w", newline="").write("\r\n".join(lines) + "\r\n")
PY

before=()
[ -n "${BEFORE:-}" ] && before=(-n before "$BEFORE dump $work/full.mot -o $work/w.bin")
hyperfine -N --warmup 20 --min-runs 200 --export-json "$work/times.json" "${before[@]}" \
    -n velmar-fw "$fw dump $work/full.mot -o $work/x.bin" \
    -n objcopy "objcopy -I srec -O binary $work/full.mot $work/y.bin" \
    -n srec_cat "srec_cat $work/full.mot -o $work/z.bin -binary" >/dev/null

# The three outputs must agree: objcopy starts at the first address (0x04000), srec_cat at
# address 0, so its first 0x4000 bytes are skipped.
cmp "$work/x.bin" "$work/y.bin" && cmp -i 0:16384 "$work/x.bin" "$work/z.bin" ||
    echo "the three images differ!" >&2

python3 - "$work/times.json" "$(stat -c %s "$work/full.mot")" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
objcopy = next(r["median"] for r in results if r["command"] == "objcopy")
print(f"full-image S-record file: {sys.argv[2]} bytes")
for r in results:
    print(f"{r['command']:>10}: median {r['median'] * 1000:7.2f} ms  "
          f"(mean {r['mean'] * 1000:.2f} ± {r['stddev'] * 1000:.2f} ms, {len(r['times'])} runs)  "
          f"{r['median'] / objcopy:.2f} x objcopy")
PY
