#!/usr/bin/env bash
# Packs this build tree (whatever its build type) the way `cmake --workflow --preset deb` does,
# checks the package with Debian's own validators, unpacks it and runs the packaged velmar-fw.
# Usage: package_test.sh CPACK BUILD_DIR VERSION
set -euo pipefail
cpack="$1" build="$2" version="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" ||
    { cat "$work/cpack.log"; exit 1; }
deb="$work/out/velmar-writer_${version}_$(dpkg --print-architecture).deb"
lintian --fail-on error "$deb"
dpkg -x "$deb" "$work/root"
usr="$work/root/usr"
desktop-file-validate "$usr"/share/applications/*.desktop
appstreamcli validate --no-net "$usr"/share/metainfo/*.metainfo.xml

fail() { echo "package test: $*" >&2; exit 1; }
"$usr/bin/velmar-fw" --help | grep -q "^Usage: velmar-fw COMMAND" || fail "velmar-fw --help"
info="$("$usr/bin/velmar-fw" info "$usr/share/velmar-writer/Velmar_150421_01_12.mot")"
grep -q "Outcome:   loaded" <<<"$info" || fail "velmar-fw info on the packaged sample: $info"
# The serial commands run in velmar-fw-serial from the libexec folder: a missing --pin is
# reported by that program, not as "cannot start".
status=0
err="$("$usr/bin/velmar-fw" pin --port 3 2>&1 >/dev/null)" || status=$?
[ "$status" -eq 1 ] && grep -q "expects --pin TEXT" <<<"$err" ||
    fail "velmar-fw pin did not reach velmar-fw-serial (exit $status): $err"
echo "package test: $(basename "$deb") passed"
