#!/usr/bin/env bash
# A Japanese technician's Windows under wine: code page 932 (from LANG=ja_JP.UTF-8), a user
# named 山田 whose profile, and so %LOCALAPPDATA% and %TEMP%, is C:\users\山田, a lock folder
# and a firmware folder with Japanese names, a console (a tmux pane), and Windows' own windows
# (wine's null display driver). Checks that an assignment saved by the window's dialog is read
# back, that the saved assignments in the profile reach velmar-fw, that a second program is
# refused by the lock, that the service log is written, that velmar-fw shows Japanese on the
# console and leaves it as it was, that the station's table turns on the console's escape
# sequences, and that the end of the session stops a rewrite after the frame in flight.
# Runs on the host; exit 77 (skipped) without the native radio.
# Usage: japanese_desktop_test.sh RADIO BIN_DIR APP_TESTS.exe FIRMWARE
set -euo pipefail
radio="$1" bin="$(realpath "$2")" app_tests="$(realpath "$3")" firmware="$(realpath "$4")"
if [ ! -x "$radio" ]; then
    echo "SKIPPED: no native velmar-radio at $radio" >&2
    exit 77
fi
wine_run="$(realpath "${VELMAR_WINE_RUN:-$(dirname "$0")/../../tools/windows/wine_run.sh}")"
cache="${VELMAR_CACHE:-$HOME/.cache/velmar-writer}"
fail() { echo "FAIL: $*" >&2; exit 1; }

# The Japanese locale, made once into the cache: wine takes its code pages from it.
export LOCPATH="$cache/locale"
if [ ! -d "$LOCPATH/ja_JP.UTF-8" ]; then
    mkdir -p "$LOCPATH"
    localedef -i ja_JP -f UTF-8 "$LOCPATH/ja_JP.UTF-8"
fi
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
# wine names the profile after the Unix user; 山田 has a prefix of his own, made once, whose
# null display driver gives windows without a display.
export USER=山田 LOGNAME=山田
export WINEPREFIX="${WINEPREFIX:-$cache/wine-prefix}-ja"
export WINEDEBUG=-all WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/.velmar-ja" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/.velmar-ja" ]; then
            wineboot --init >/dev/null 2>&1
            wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
            wineserver --wait
            touch "$WINEPREFIX/.velmar-ja"
        fi
    ) 9>"$WINEPREFIX.lock"
fi
profile="$WINEPREFIX/drive_c/users/山田"
[ -d "$profile/AppData/Local" ] || fail "wine made no profile for 山田 in $WINEPREFIX"
# What an earlier run left in the profile goes first.
state="$profile/AppData/Local/velmar-writer"
rm -rf "$state" "$profile/ロック"
lock_dir='C:\users\山田\ロック'
mkdir -p "$profile/ロック"

work="$(mktemp -d)"
link="$WINEPREFIX/dosdevices/com9"
tmux=(tmux -L "velmar-ja-$$")
radio_pid=
cleanup() {
    [ -z "$radio_pid" ] || kill "$radio_pid" 2>/dev/null || true
    "${tmux[@]}" kill-server 2>/dev/null || true
    rm -f "$link"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

folder="$work/山田のファームウェア"
mkdir -p "$folder"
cp "$firmware" "$folder/"
fw="$folder/$(basename "$firmware")"
# A data line of the sample with its sum byte spoiled: "Error Code = 8 ; 行番号 = 1".
sed -n 2p "$firmware" | sed 's/..\r\?$/00/' >"$folder/壊れた.mot"
fw_exe="$(winepath -w "$bin/velmar-fw.exe" 2>/dev/null)"
run() { "$wine_run" "$@"; }
echo "profile: C:\\users\\山田 (TEMP and LOCALAPPDATA inside it)"
echo "firmware: $fw"

echo "== the window's assignment dialog saves, a new reader reads back (a folder under %TEMP%)"
run "$app_tests" --gtest_filter='PortAssignment*' >"$work/assign.out" 2>&1 ||
    { cat "$work/assign.out"; fail "the assignment tests failed under 山田's profile"; }
grep -E '^\[ +(OK|PASSED) ' "$work/assign.out"

echo "== the assignment saved in the profile reaches velmar-fw ports"
mkdir -p "$state"
printf '[ports]\r\nCOM3=COM17\r\n' >"$state/velmar-writer.ini"
run "$bin/velmar-fw.exe" ports >"$work/ports.out" 2>&1 || true
grep -E '^COM  3  COM17 +saved' "$work/ports.out" ||
    { cat "$work/ports.out"; fail "the saved COM 3 was not read from 山田's profile"; }
grep '^Saved assignments' "$work/ports.out"

echo "== the lock in a Japanese VELMAR_LOCK_DIR ($lock_dir)"
VELMAR_LOCK_DIR="$lock_dir" run "$bin/platform_tests.exe" --gtest_filter='DeviceLock.*' >"$work/lock.out" 2>&1 ||
    { cat "$work/lock.out"; fail "the lock tests failed in $lock_dir"; }
grep -E '^\[ +(OK|PASSED) ' "$work/lock.out"
ls "$profile/ロック" | sed 's/^/  left: /'

echo "== in %TEMP% (C:\\users\\山田\\Temp), a second program is refused by the lock; the service log"
mkdir -p "$(dirname "$link")"
"$radio" --pace --log "$work/traffic.log" --link "$link" >"$work/radio.out" 2>&1 &
radio_pid=$!
for _ in $(seq 200); do [ -L "$link" ] && break; sleep 0.05; done
[ -L "$link" ] || fail "velmar-radio made no link at $link"
timeout 120 "$wine_run" "$bin/velmar-fw.exe" write "$fw" --port 9 >"$work/first.out" 2>&1 &
first=$!
for _ in $(seq 1200); do grep -q ' frame 3 ' "$work/traffic.log" 2>/dev/null && break; sleep 0.1; done
grep -q ' frame 3 ' "$work/traffic.log" || fail "the first rewrite never reached its first block"
second=0
run "$bin/velmar-fw.exe" write "$fw" --port 9 >"$work/second.out" 2>&1 || second=$?
kill "$radio_pid"
wait "$radio_pid" 2>/dev/null || true
radio_pid=
first_status=0
wait "$first" || first_status=$?
sed 's/^/  second: /' "$work/second.out"
# Named with its process: the lock's note, not Windows' own refusal of a second open.
[ "$second" -eq 6 ] && grep -qE "busy: .*\(velmar-fw[a-z-]* \(pid [0-9]+\)" "$work/second.out" ||
    fail "the second program was not refused by the lock (exit $second)"
echo "  first: exit $first_status after its radio went away"
[ -f "$state/service.jsonl" ] || fail "no service log in $state"
records="$(grep -c "山田のファームウェア" "$state/service.jsonl" || true)"
echo "  the service log in 山田's profile holds $records records of the firmware in 山田のファームウェア"
[ "$records" -ge 1 ] || { cat "$state/service.jsonl"; fail "the service log lacks the rewrite"; }
run "$bin/velmar-fw.exe" log --last 2 | tee "$work/log.out"
grep -q "山田のファームウェア" "$work/log.out" || fail "velmar-fw log shows no 山田 path"

echo "== velmar-fw on a console in code page 932, and on a pipe"
"${tmux[@]}" new-session -d -s velmar -x 150 -y 30 \
    "cd '$folder' && '$wine_run' cmd /c \"$fw_exe info 壊れた.mot & chcp\" 2>'$work/console.err'; touch '$work/console.done'; sleep 600"
for _ in $(seq 600); do [ -f "$work/console.done" ] && break; sleep 0.1; done
"${tmux[@]}" capture-pane -p -t velmar:0 | sed '/^$/d' | tee "$work/console.screen"
grep -q "Outcome:   Error Code = 8 ; 行番号 = 1" "$work/console.screen" ||
    fail "the console does not show the Japanese of the refusal"
grep -q "File:      壊れた.mot" "$work/console.screen" || fail "the console does not show the file name"
grep -q "932" "$work/console.screen" || fail "the console's code page was not given back"
piped="$(cd "$folder" && run "$bin/velmar-fw.exe" info 壊れた.mot 2>/dev/null || true)"
grep -a "行番号" <<<"$piped" || fail "the bytes on a pipe are not UTF-8"

echo "== the station's table on the console"
"${tmux[@]}" new-window -d -t velmar \
    "cd '$folder' && WINEDEBUG=trace+console '$wine_run' '$bin/velmar-fw.exe' write '$fw' --port 14 --port 15 2>'$work/station.err'; touch '$work/station.done'; sleep 600"
for _ in $(seq 600); do [ -f "$work/station.done" ] && break; sleep 0.1; done
"${tmux[@]}" capture-pane -p -t velmar:1 | sed '/^$/d' | tail -n 8
vt=
while read -r mode; do
    echo "  SetConsoleMode (handle,$mode)"
    (( 0x$mode & 0x4 )) && vt=1
done < <(grep -ao 'SetConsoleMode ([0-9a-fA-F]*,[0-9a-fA-F]*)' "$work/station.err" |
    sed 's/.*,\(.*\))/\1/')
[ -n "$vt" ] || fail "the station did not turn on the console's escape sequences"

echo "== the end of the session, as WM_QUERYENDSESSION to the window"
VELMAR_TEST_PLATFORM=windows run "$app_tests" --gtest_filter='SessionEnd.*' >"$work/session.out" 2>&1 ||
    { cat "$work/session.out"; fail "the window's answer to the end of the session"; }
! grep -q SKIPPED "$work/session.out" || { cat "$work/session.out"; fail "the session test was skipped"; }
grep -E '^\[ +(OK|PASSED) ' "$work/session.out"
echo "every check passed on 山田's Japanese desktop"
