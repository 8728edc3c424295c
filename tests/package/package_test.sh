#!/usr/bin/env bash
# Packs this build tree (whatever its build type) the way `cmake --workflow --preset deb` does,
# checks both packages with Debian's own validators, unpacks them and runs each packaged program.
# Usage: package_test.sh CPACK BUILD_DIR VERSION HARDENED(ON|OFF)
set -euo pipefail
cpack="$1" build="$2" version="$3" hardened="$4"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "package test: $*" >&2; exit 1; }

"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" ||
    { cat "$work/cpack.log"; exit 1; }
arch="$(dpkg --print-architecture)"
deb="$work/out/velmar-writer_${version}_$arch.deb"
radio_deb="$work/out/velmar-radio_${version}_$arch.deb"
tags="$(lintian -I --fail-on error,warning "$deb" "$radio_deb")" || { echo "$tags"; fail "lintian"; }
# Only a hardened build can be held to the hardening tags, which lintian reports as information.
if [ "$hardened" = ON ] && grep "hardening-" <<<"$tags"; then
    fail "lintian finds binaries without the hardening"
fi
dpkg -x "$deb" "$work/root"
dpkg -x "$radio_deb" "$work/radio"
usr="$work/root/usr"
desktop-file-validate "$usr"/share/applications/*.desktop
appstreamcli validate --no-net "$usr"/share/metainfo/*.metainfo.xml
# Software centres find a package by the programs its metainfo names: exactly those it holds.
claimed="$(sed -n 's:.*<binary>\(.*\)</binary>.*:\1:p' "$usr"/share/metainfo/*.metainfo.xml | sort)"
held="$(cd "$usr/bin" && find . -mindepth 1 -printf '%f\n' | sort)"
[ "$claimed" = "$held" ] ||
    fail "the metainfo names ${claimed//$'\n'/ } but usr/bin holds ${held//$'\n'/ }"

[ ! -e "$usr/bin/velmar-radio" ] || fail "velmar-radio is in the velmar-writer package"
radio_files="$(cd "$work/radio" && find . -type f | sort)"
[ "$radio_files" = "$(printf '%s\n' ./usr/bin/velmar-radio \
    ./usr/share/bash-completion/completions/velmar-radio ./usr/share/doc/velmar-radio/changelog.gz \
    ./usr/share/doc/velmar-radio/copyright ./usr/share/man/man1/velmar-radio.1.gz)" ] ||
    fail "the velmar-radio package holds: $radio_files"
# Completion asks the packaged programs; write's options come from the packaged helper.
[ -f "$usr/share/bash-completion/completions/velmar-fw" ] || fail "no bash completion for velmar-fw"
words="$("$usr/bin/velmar-fw" --completion-words write)"
grep -qx -- "--loader" <<<"$words" || fail "velmar-fw --completion-words write: $words"
# Read whole before grep: grep -q stops at its match, and the program's next write would then
# fail the pipeline with SIGPIPE.
help="$("$work/radio/usr/bin/velmar-radio" --help)"
grep -q "^usage: velmar-radio" <<<"$help" || fail "velmar-radio --help"
help="$(QT_QPA_PLATFORM=offscreen "$usr/bin/velmar-writer" --help)"
grep -q "^Usage: .*velmar-writer" <<<"$help" || fail "velmar-writer --help"
help="$("$usr/bin/velmar-fw" --help)"
grep -q "^Usage: velmar-fw COMMAND" <<<"$help" || fail "velmar-fw --help"
info="$("$usr/bin/velmar-fw" info "$usr/share/velmar-writer/Velmar_150421_01_12.mot")"
grep -q "Outcome:   loaded" <<<"$info" || fail "velmar-fw info on the packaged sample: $info"
# The serial commands run in velmar-fw-serial from the libexec folder: a missing --pin is
# reported by that program, not as "cannot start".
status=0
err="$("$usr/bin/velmar-fw" pin --port 3 2>&1 >/dev/null)" || status=$?
[ "$status" -eq 1 ] && grep -q "expects --pin TEXT" <<<"$err" ||
    fail "velmar-fw pin did not reach velmar-fw-serial (exit $status): $err"
echo "package test: $(basename "$deb") and $(basename "$radio_deb") passed"
