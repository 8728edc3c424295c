#!/usr/bin/env bash
# Runs a cross-built Windows program under wine, without a display unless asked: the emulator
# CTest and the test discovery start each test program through. It finds the mingw runtime DLLs,
# and the Qt DLLs and plugins of $VELMAR_QT_WINDOWS when set, and keeps one wine prefix in the
# cache, created once (under a lock, since the build discovers two programs' tests at a time).
# Usage: tools/windows/wine_run.sh PROGRAM.exe [ARGS...]
set -euo pipefail
cache="${VELMAR_CACHE:-$HOME/.cache/velmar-writer}"
export WINEPREFIX="${WINEPREFIX:-$cache/wine-prefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts when the prefix is made, no test needs them; and no menu
# entries on this machine's desktop for the shortcuts an installer makes.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=}"
# VELMAR_WINE_DISPLAY=1 keeps the X display, to look at a window (under Xvfb, say).
if [ "${VELMAR_WINE_DISPLAY:-}" != 1 ]; then
    unset DISPLAY WAYLAND_DISPLAY
fi

# VELMAR_WINE_BARE=1 runs a program as on a PC that has only what its own folder brings.
compiler=x86_64-w64-mingw32-g++-posix
dlls="$(dirname "$($compiler -print-file-name=libstdc++-6.dll)");/usr/x86_64-w64-mingw32/lib"
if [ -n "${VELMAR_QT_WINDOWS:-}" ]; then
    dlls="$VELMAR_QT_WINDOWS/bin;$dlls"
    export QT_PLUGIN_PATH="$VELMAR_QT_WINDOWS/plugins"
fi
if [ "${VELMAR_WINE_BARE:-}" = 1 ]; then
    unset WINEPATH QT_PLUGIN_PATH
else
    export WINEPATH="$dlls${WINEPATH:+;$WINEPATH}"
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        [ -f "$WINEPREFIX/system.reg" ] || wineboot --init >/dev/null 2>&1
        wineserver --wait
    ) 9>"$WINEPREFIX.lock"
fi
exec wine "$@"
