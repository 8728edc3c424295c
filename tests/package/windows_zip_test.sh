#!/usr/bin/env bash
# The Windows zip as a user unpacks it: everything it must hold is there, and its programs start
# under wine from the unpacked folder alone, with no DLL folder of the build on the search path.
# Usage: windows_zip_test.sh ZIP VERSION WINE_RUN
set -euo pipefail
zip="$1" version="$2" wine_run="$3"
name="velmar-writer-$version-win64"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake -E tar tf "$zip" >"$work/list"
for f in velmar-writer.exe velmar-fw.exe velmar-fw-serial.exe Velmar_150421_01_12.mot \
    Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll platforms/qwindows.dll libstdc++-6.dll \
    libgcc_s_seh-1.dll libwinpthread-1.dll README.txt FIRST-CHECKS.txt licenses/Qt-LGPL-3.txt \
    licenses/README.txt; do
    grep -qx "$name/$f" "$work/list" || fail "the zip has no $f"
done
# The tests' DLL and nothing of the build beyond what the programs load.
! grep -q "Qt6Test\|gtest" "$work/list" || fail "the zip holds test libraries"

(cd "$work" && cmake -E tar xf "$zip")
cd "$work/$name"
export VELMAR_WINE_BARE=1
[ "$("$wine_run" ./velmar-fw.exe --version | tr -d '\r')" = "velmar-fw $version" ] ||
    fail "velmar-fw.exe --version"
[ "$("$wine_run" ./velmar-writer.exe --version | tr -d '\r')" = "velmar-writer $version" ] ||
    fail "velmar-writer.exe --version"
# velmar-fw hands the serial commands to velmar-fw-serial beside it.
"$wine_run" ./velmar-fw.exe ports >"$work/ports" 2>&1 || fail "velmar-fw.exe ports: $(cat "$work/ports")"
grep -q "COM  1" "$work/ports" || fail "velmar-fw.exe ports lists no COM 1: $(cat "$work/ports")"
echo "the zip holds $(wc -l <"$work/list") entries; its programs start from the unpacked folder"
