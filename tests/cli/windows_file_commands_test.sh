#!/usr/bin/env bash
# velmar-fw.exe under wine against the native velmar-fw: info, checksum and dump of the sample
# give the same bytes on stdout and stderr and the same exit codes, the image byte for byte;
# a dump replaces an existing output file, writes a device through, and refuses the firmware
# file under any of its names.
# Usage: windows_file_commands_test.sh WINE_RUN WINDOWS_BIN_DIR HOST_BIN_DIR SAMPLE
set -uo pipefail
wine_run=$1 windows_bin=$2 host_bin=$3 sample=$4
if [ ! -x "$host_bin/velmar-fw" ]; then
    echo "no native velmar-fw in $host_bin (build the dev preset first)"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
cp "$sample" fw.mot
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Runs one command both ways in the same folder; out.SIDE, err.SIDE and rc.SIDE keep the result.
both() {
    "$host_bin/velmar-fw" "$@" >out.linux 2>err.linux
    echo $? >rc.linux
    "$wine_run" "$windows_bin/velmar-fw.exe" "$@" >out.windows 2>err.windows
    echo $? >rc.windows
    for part in out err rc; do
        cmp -s "$part.linux" "$part.windows" || fail "velmar-fw $*: $part differs" \
            "$(diff "$part.linux" "$part.windows" | head -5)"
    done
}

both info fw.mot
both checksum fw.mot 4000 23FFF
both dump fw.mot -o linux.bin
"$wine_run" "$windows_bin/velmar-fw.exe" dump fw.mot -o windows.bin ||
    fail "dump under wine exits $?"
cmp -s linux.bin windows.bin || fail "the images differ ($(stat -c %s windows.bin) bytes)"

# An existing output file is replaced, not taken for the firmware.
printf 'old' >windows.bin
"$wine_run" "$windows_bin/velmar-fw.exe" dump fw.mot -o windows.bin ||
    fail "dump over an existing file exits $?"
cmp -s linux.bin windows.bin || fail "dump over an existing file left other bytes"

# A device is written through, never replaced by a file of its name.
"$wine_run" "$windows_bin/velmar-fw.exe" dump fw.mot -o NUL || fail "dump to NUL exits $?"

# The firmware itself, by its name and by a second hard link, is refused and stays as it was.
ln fw.mot hard.mot
for name in fw.mot hard.mot; do
    both dump fw.mot -o "$name"
    grep -q "is the firmware file itself" err.windows || fail "dump onto $name: $(cat err.windows)"
    cmp -s "$sample" fw.mot || fail "dump onto $name changed the firmware"
done

[ "$failures" -eq 0 ] && echo "velmar-fw.exe under wine: same outputs as on Linux"
exit $((failures > 0))
