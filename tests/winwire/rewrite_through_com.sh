#!/usr/bin/env bash
# One rewrite by the Windows build under wine through COM9, wine's link to the native virtual
# radio's pseudo-terminal; the radio's flash must then equal the image. Runs on the host.
# Usage: rewrite_through_com.sh RADIO PROGRAM.exe FIRMWARE [RADIO OPTION]...   (e.g. --pace)
# A paced run (--pace) also prints the rewrite's time against the line-time floor.
# PROGRAM is the test's own winwire_rewrite.exe, or velmar-fw.exe, which then runs
# `write FIRMWARE --port 9` as a technician would, and its own `dump` gives the image.
# With VELMAR_WINWIRE_FAILS=1 the radio's options spoil the rewrite: velmar-fw.exe must then end
# within a minute with "Writing failure" and exit 8, never hang or report success.
# Exit 77 (skipped) when the native radio is not built.
set -euo pipefail
radio="$1" program="$2" firmware="$3"
shift 3
if [ ! -x "$radio" ]; then
    echo "SKIPPED: no native velmar-radio at $radio; build it with" \
        "'cmake --preset dev && cmake --build --preset dev --target velmar-radio'" \
        "or set VELMAR_HOST_RADIO" >&2
    exit 77
fi
wine_run="${VELMAR_WINE_RUN:-$(dirname "$0")/../../tools/windows/wine_run.sh}"
export WINEPREFIX="${WINEPREFIX:-${VELMAR_CACHE:-$HOME/.cache/velmar-writer}/wine-prefix}"
link="$WINEPREFIX/dosdevices/com9"
work="$(mktemp -d)"
radio_pid=
cleanup() {
    if [ -n "$radio_pid" ]; then
        kill "$radio_pid" 2>/dev/null || true
        wait "$radio_pid" 2>/dev/null || true
    fi
    rm -f "$link"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

mkdir -p "$WINEPREFIX/dosdevices"
"$radio" --dump "$work/flash.bin" --log "$work/traffic.log" --link "$link" "$@" \
    >"$work/radio.out" 2>"$work/radio.err" &
radio_pid=$!
for _ in $(seq 200); do
    [ -L "$link" ] && break
    sleep 0.05
done
if [ ! -L "$link" ]; then
    echo "velmar-radio made no link at $link" >&2
    cat "$work/radio.err" >&2
    exit 1
fi
echo "COM9 -> $(readlink "$link")"

# The program writes the image it sent, as Windows reads the file, for the comparison below.
# wine's stderr goes to a file: a wineserver started here keeps it, and lists all its objects
# there when the radio's pseudo-terminal hangs up.
status=0
if [ "${VELMAR_WINWIRE_FAILS:-}" = 1 ]; then
    timeout 60 "$wine_run" "$program" write "$firmware" --port 9 >"$work/write.out" \
        2>"$work/wine.err" || status=$?
    cat "$work/write.out" "$work/wine.err" | grep -v "^0x" || true
    kill -TERM "$radio_pid"
    wait "$radio_pid" || true
    radio_pid=
    [ "$status" -eq 8 ] && grep -q "^Writing failure" "$work/write.out" ||
        { echo "expected \"Writing failure\" and exit 8, got exit $status" >&2; exit 1; }
    exit 0
elif [ "$(basename "$program")" = velmar-fw.exe ]; then
    "$wine_run" "$program" dump "$firmware" -o "$work/expected.bin" 2>"$work/wine.err" &&
        "$wine_run" "$program" write "$firmware" --port 9 >"$work/write.out" 2>>"$work/wine.err" ||
        status=$?
    cat "$work/write.out" 2>/dev/null || true
    [ "$status" -ne 0 ] || grep -q "Rewriting success!" "$work/write.out" || status=1
else
    VELMAR_WINWIRE_PORT=COM9 VELMAR_WINWIRE_FIRMWARE="$firmware" \
        VELMAR_WINWIRE_EXPECTED="$work/expected.bin" "$wine_run" "$program" >"$work/run.out" \
        2>"$work/wine.err" || status=$?
    cat "$work/run.out"
fi
[ "$status" -eq 0 ] || cat "$work/wine.err" >&2

kill -TERM "$radio_pid"
wait "$radio_pid" || true
radio_pid=
tail -n 3 "$work/traffic.log" || true
[ "$status" -eq 0 ] || { echo "the rewrite under wine failed ($status)" >&2; exit 1; }
# Every speed change on the open handle reached the line before the next frame.
if grep -q "WRONG SPEED" "$work/traffic.log"; then
    echo "a frame arrived at the wrong line speed" >&2
    exit 1
fi
cmp "$work/expected.bin" "$work/flash.bin"
echo "the radio's flash equals the image"
# The time the rewrite took inside the program (winwire_rewrite prints it), against the floor.
# wine's text-mode stdout ends each line with CR LF.
took=
[ -f "$work/run.out" ] &&
    took=$(tr -d '\r' <"$work/run.out" | sed -n 's/^rewrite through .* in \([0-9.]*\) s$/\1/p')
if [[ " $* " == *" --pace "* && -n "$took" ]]; then
    floor=$(awk -f "$(dirname "$0")/../../bench/line_floor.awk" "$work/traffic.log")
    awk -v took="$took" -v floor="$floor" 'BEGIN {
        printf "paced: line-time floor %.3f s, rewrite %.3f s: %.4f x the floor\n", floor, took, took / floor }'
fi
