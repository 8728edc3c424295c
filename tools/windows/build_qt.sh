#!/usr/bin/env bash
# Builds Qt Core, Gui, Widgets and Test for 64-bit Windows (mingw-w64) from Debian's own
# qt6-base source, with the host tools of Debian's Qt, and installs it into a cache folder
# outside the checkout. A finished install is reused; its folder name carries a hash of this
# script, the toolchain file and the source version, so a change to any of them builds anew.
# Prints the install folder on standard output, everything else on standard error.
# Usage: VELMAR_QT_WINDOWS="$(tools/windows/build_qt.sh)"
set -euo pipefail
exec 3>&1 1>&2
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tools/packages.sh"

qt_version=6.4.2
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
cache="${VELMAR_CACHE:-$HOME/.cache/velmar-writer}"

# The host tools (moc, rcc, uic) must be of the same release as the source.
ensure_packages g++-mingw-w64-x86-64-posix libwine-dev dpkg-dev ninja-build ccache
source_version="$(dpkg-query -W -f='${Version}' qt6-base-dev)"
case "$source_version" in
"$qt_version"+*) ;;
*) echo "build_qt.sh: Debian's Qt is $source_version, this script builds $qt_version" >&2; exit 1 ;;
esac

hash="$(cat "$0" "$toolchain" <(echo "$source_version") | sha256sum | cut -c1-12)"
prefix="$cache/qt-$qt_version-mingw-$hash"
stamp="$prefix/.velmar-complete"
if [ -f "$stamp" ]; then
    echo "$prefix" >&3
    exit 0
fi

started=$SECONDS
work="$cache/qt-$qt_version-mingw-work"
rm -rf "$work" "$prefix"
mkdir -p "$work"

# apt-get source needs a deb-src entry; mirror the existing Debian entries.
if ! apt-get source --print-uris qt6-base="$source_version" >/dev/null 2>&1; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    sources=/etc/apt/sources.list.d/debian.sources
    [ -f "$sources" ] || { echo "build_qt.sh: no $sources to mirror for deb-src" >&2; exit 1; }
    sed 's/^Types: deb$/Types: deb-src/' "$sources" |
        $sudo tee /etc/apt/sources.list.d/velmar-deb-src.sources >/dev/null
    $sudo apt-get update -qq
fi
(cd "$work" && apt-get source --download-only -qq qt6-base="$source_version" &&
    dpkg-source --no-check -x qt6-base_*.dsc src >/dev/null)
src="$work/src"

# Debian's source leaves out the tablet header the Windows platform plugin includes; wine's
# copy of the same Win32 headers do, given the macros of wine's own headers it uses.
wintab="$src/src/3rdparty/wintab"
mkdir -p "$wintab"
for h in wintab.h pktdef.h; do
    {
        echo "#ifndef API"
        echo "#define API WINAPI"
        echo "#endif"
        echo "#ifndef WINELIB_NAME_AW"
        echo "#ifdef UNICODE"
        echo "#define WINELIB_NAME_AW(name) name##W"
        echo "#else"
        echo "#define WINELIB_NAME_AW(name) name##A"
        echo "#endif"
        echo "#endif"
        echo "#ifndef DECL_WINELIB_TYPE_AW"
        echo "#define DECL_WINELIB_TYPE_AW(type) typedef WINELIB_NAME_AW(type) type;"
        echo "#endif"
        cat "/usr/include/wine/wine/windows/$h"
    } >"$wintab/$h"
done

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DBUILD_SHARED_LIBS=ON \
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DINPUT_opengl=no \
    -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
    -DFEATURE_testlib=ON -DFEATURE_gui=ON -DFEATURE_widgets=ON \
    "${launcher[@]}"
cmake --build "$work/build" -j 2
cmake --install "$work/build"
touch "$stamp"
rm -rf "$work"

elapsed=$((SECONDS - started))
echo "Qt $qt_version for mingw-w64 built in $((elapsed / 60)) min $((elapsed % 60)) s ($(du -sh "$prefix" | cut -f1))"
echo "$prefix" >&3
