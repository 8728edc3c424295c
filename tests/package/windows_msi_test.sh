#!/usr/bin/env bash
# The Windows installer under wine, in a wine prefix of its own: an older version installed and
# then this one leaves one copy; that copy holds the zip's files, the Start menu shortcuts, the
# Apps entry, "Open with" and the PATH entry, and its programs start from it alone; uninstalling
# leaves nothing it installed, and the user's service log stays.
# Usage: windows_msi_test.sh MSI ZIP VERSION WINE_RUN
set -euo pipefail
msi="$1" zip="$2" version="$3" wine_run="$4"
root="$(cd "$(dirname "$0")/../.." && pwd)"
work="$(mktemp -d)"
export WINEPREFIX="$work/prefix"
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
wine_() { "$wine_run" "$@" | tr -d '\r'; }
# Prints the key with its values and subkeys, nothing when it is missing.
reg_query() { "$wine_run" reg query "$1" /s 2>/dev/null | tr -d '\r' | grep -v -e '^$' -e '^reg: ' || true; }

IFS=. read -r major minor _ <<<"$version"
if [ "$minor" -gt 0 ]; then older="$major.$((minor - 1)).0"; else older="$((major - 1)).99.0"; fi
VELMAR_SIGN_PKCS12="" bash "$root/tools/windows/msi.sh" "$zip" "$older" "$work/older.msi" >/dev/null

wine_ cmd /c exit # makes the prefix
# then one server for it throughout, rather than one for each of the many short commands.
wineserver --wait
wineserver -p
user="$(wine_ cmd /c echo %USERNAME%)"
home="$WINEPREFIX/drive_c/users/$user"
dir="$home/AppData/Local/Programs/velmar-writer"
menu="$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Velmar Software Writer"
uninstall_keys='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall
HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
apps_entries() { # the Uninstall keys (per user or, under wine, per machine) that name the writer
    local key
    while read -r key; do reg_query "$key"; done <<<"$uninstall_keys" |
        awk '/^HKEY/ { key = $0 } /DisplayName .*Velmar Software Writer/ { print key }'
}
# Another program's default for .mot, which "Open with" must leave alone.
wine_ reg add 'HKCU\Software\Classes\.mot' /ve /d Other.Firmware /f >/dev/null
files() { (cd "$WINEPREFIX/drive_c" && find . -type f | sort); }
files >"$work/before"

wine_ msiexec /i "$work/older.msi" /qn || fail "msiexec /i the older version"
[ -n "$(apps_entries)" ] || fail "the older version installed no Apps entry"
wine_ msiexec /i "$msi" /qn || fail "msiexec /i $msi"
comm -13 "$work/before" <(files) >"$work/installed"

# One copy: one Apps entry, of this version, and the zip's files in the folder.
entries="$(apps_entries)"
[ "$(grep -c . <<<"$entries")" -eq 1 ] || fail "Apps entries after the upgrade: $entries"
entry="$(reg_query "$entries")"
grep -q "DisplayVersion    REG_SZ    $version$" <<<"$entry" || fail "Apps entry: $entry"
grep -q "Publisher    REG_SZ    ." <<<"$entry" || fail "the Apps entry has no publisher: $entry"
products="$(reg_query 'HKCU\Software\Microsoft\Installer\Products' | grep "ProductIcon" || true)"
[ "$(grep -c . <<<"$products")" -eq 1 ] || fail "installed products: $products"
icon="$(sed 's/.*REG_SZ    //' <<<"$products")"
[ -f "$(wine_ winepath -u "$icon")" ] || fail "the Apps icon $icon is missing"
diff <(cmake -E tar tf "$zip" | grep -v '/$' | cut -d/ -f2- | sort) \
    <(cd "$dir" && find . -type f | cut -c3- | sort) || fail "the installed files differ from the zip's"

# The Start menu: the window's shortcut starts the installed program, the other opens the README.
grep -aq 'velmar-writer\\velmar-writer.exe' "$menu/Velmar Software Writer.lnk" ||
    fail "no shortcut to the installed window in $menu"
grep -aq 'velmar-writer\\README.txt' "$menu/README for Windows.lnk" || fail "no README shortcut"
# "Open with" for both types, without taking .mot's default.
classes="$(reg_query 'HKCU\Software\Classes\.mot'; reg_query 'HKCU\Software\Classes\.hex')"
[ "$(grep -c "VelmarWriter.Firmware    REG_SZ" <<<"$classes")" -eq 2 ] || fail "Open with: $classes"
grep -q "(Default)    REG_SZ    Other.Firmware" <<<"$classes" || fail ".mot's default changed"
reg_query 'HKCU\Software\Classes\VelmarWriter.Firmware' |
    grep -q 'velmar-writer\\velmar-writer.exe" "%1"' || fail "no open command for the file types"
path="$(reg_query 'HKCU\Environment' | grep "Path ")"
grep -q 'Programs\\velmar-writer' <<<"$path" || fail "velmar-writer is not on the user's PATH: $path"

# Its programs start from that folder alone; a rewrite refused there still reaches the log.
export VELMAR_WINE_BARE=1
cd "$dir"
[ "$(wine_ ./velmar-writer.exe --version)" = "velmar-writer $version" ] ||
    fail "the installed velmar-writer.exe --version"
info="$(wine_ ./velmar-fw.exe info Velmar_150421_01_12.mot)"
grep -q "Outcome:   loaded" <<<"$info" || fail "the installed velmar-fw.exe info: $info"
wine_ ./velmar-fw.exe write Velmar_150421_01_12.mot --port 16 >/dev/null || true
log="$home/AppData/Local/velmar-writer/service.jsonl"
[ -s "$log" ] || fail "the installed velmar-fw.exe wrote no service log"
cp "$log" "$work/log"
cd "$work"

wine_ msiexec /x "$msi" /qn || fail "msiexec /x $msi"
[ ! -e "$dir" ] && [ ! -e "$menu" ] || fail "the program's folder or Start menu folder is left"
left="$(comm -12 "$work/installed" <(files))"
[ -z "$left" ] || fail "files left after uninstalling: $left"
cmp -s "$log" "$work/log" || fail "uninstalling changed the service log"
[ -z "$(apps_entries)" ] || fail "an Apps entry is left"
for key in 'HKCU\Software\Velmar' 'HKCU\Software\Classes\VelmarWriter.Firmware'; do
    [ -z "$(reg_query "$key")" ] || fail "left in the registry: $(reg_query "$key")"
done
! reg_query 'HKCU\Software\Microsoft\Installer\Products' | grep -q ProductIcon ||
    fail "the product is still registered"
! reg_query 'HKCU\Software\Classes\.mot' | grep -q VelmarWriter || fail "Open with is left"
! reg_query 'HKCU\Environment' | grep -q 'Programs\\velmar-writer' || fail "the PATH entry is left"
echo "installed $older, upgraded to $version, uninstalled; the service log stays"
