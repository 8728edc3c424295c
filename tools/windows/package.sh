#!/usr/bin/env bash
# Makes the Windows zip: the three programs (signed when tools/windows/sign.sh has a
# certificate), every DLL they load that Windows itself does not have (Qt's, the mingw
# runtime's), the Qt plugins the window needs, the sample firmware beside the window program,
# the licences, a README for Windows users and the first checks to run on real adapters.
# tools/windows/msi.sh makes the installer from it.
# Usage: tools/windows/package.sh BIN_DIR QT_DIR VERSION OUT.zip
set -euo pipefail
bin="$1" qt="$2" version="$3" out="$4"
root="$(cd "$(dirname "$0")/../.." && pwd)"
objdump=x86_64-w64-mingw32-objdump
runtime="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")"
dll_dirs=("$qt/bin" "$runtime" /usr/x86_64-w64-mingw32/lib)

name="velmar-writer-$version-win64"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
stage="$work/$name"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/licenses"

cp "$bin/velmar-writer.exe" "$bin/velmar-fw.exe" "$bin/velmar-fw-serial.exe" "$stage/"
cp "$bin/Velmar_150421_01_12.mot" "$stage/"
# Qt looks for plugins in these folders beside the program.
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"

# A DLL found in none of the folders is one of Windows' own (KERNEL32, USER32, ...).
find_dll() {
    local d
    for d in "${dll_dirs[@]}"; do
        [ -f "$d/$1" ] && { echo "$d/$1"; return 0; }
    done
    return 1
}
# Follows the imports until nothing new turns up.
pending=("$stage"/*.exe "$stage"/platforms/*.dll "$stage"/styles/*.dll)
while [ ${#pending[@]} -gt 0 ]; do
    file="${pending[0]}"
    pending=("${pending[@]:1}")
    while read -r dll; do
        [ -e "$stage/$dll" ] && continue
        if found="$(find_dll "$dll")"; then
            cp "$found" "$stage/$dll"
            pending+=("$stage/$dll")
        fi
    done < <($objdump -p "$file" | sed -n 's/^\s*DLL Name: //p')
done

# The build keeps its debug information; a user's copy needs none of it.
find "$stage" -name '*.exe' -o -name '*.dll' | xargs x86_64-w64-mingw32-strip --strip-unneeded
# Signed once stripped (stripping would break the signature), when a certificate is given.
"$root/tools/windows/sign.sh" "$stage"/*.exe

licenses="$stage/licenses"
cp /usr/share/common-licenses/LGPL-3 "$licenses/Qt-LGPL-3.txt"
cp /usr/share/common-licenses/GPL-3 "$licenses/GPL-3.txt"
cp /usr/share/doc/libqt6core6/copyright "$licenses/Qt-copyright.txt"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$licenses/gcc-runtime-copyright.txt"
cp /usr/share/doc/mingw-w64-common/copyright "$licenses/mingw-w64-copyright.txt"
cp "$root/packaging/copyright" "$licenses/velmar-writer-copyright.txt"
qt_source="$(dpkg-query -W -f='${source:Package} ${Version}' qt6-base-dev)"
sed -e "s/@VERSION@/$version/g" -e "s/@QT_SOURCE@/$qt_source/g" \
    "$root/packaging/windows/README-Windows.txt" >"$stage/README.txt"
sed -e "s/@QT_SOURCE@/$qt_source/g" "$root/packaging/windows/LICENSES.txt" >"$licenses/README.txt"
cp "$root/packaging/windows/FIRST-CHECKS.txt" "$stage/"
# Windows' own tools read the texts more happily with CR LF line ends.
for f in "$stage/README.txt" "$stage/FIRST-CHECKS.txt" "$licenses"/*.txt; do sed -i 's/\r\?$/\r/' "$f"; done

rm -f "$out"
(cd "$work" && cmake -E tar cf "$out" --format=zip "$name")
echo "$out: $(find "$stage" -type f | wc -l) files, $(du -h "$out" | cut -f1)"
