#!/usr/bin/env bash
# ./test web: builds the page with Debian's emscripten into build/web, runs the core's
# virtual-line tests on the WebAssembly build under node, then the page's tests in Debian's
# chromium through the serial double and the bridge to native velmar-radio processes.
# Installs what it needs: emscripten and chromium from Debian, puppeteer-core and ws from the
# npm registry (into build/web-node, never a downloaded browser). Prints each stage's time.
set -euo pipefail
cd "$(dirname "$0")/../.."
source tools/packages.sh

stage_start=$SECONDS
stage() {
    echo "web: $1 took $((SECONDS - stage_start)) s"
    stage_start=$SECONDS
}

ensure_packages emscripten chromium fonts-ipafont-gothic
# Node.js and npm: the machine's own when there is one, else Debian's.
command -v npm >/dev/null || ensure_packages nodejs npm
stage "installing packages"

# The radio and the file tool the browser tests talk to are native programs.
[ -f build/dev/CMakeCache.txt ] || cmake --preset dev
cmake --build --preset dev --target velmar-radio velmar-fw
stage "building the native radio"

cmake --preset web
cmake --build --preset web
stage "building the page and the WebAssembly tests"
ctest --preset web
stage "the WebAssembly tests under node"

node_dir=build/web-node
if ! cmp -s web/tests/package-lock.json "$node_dir/package-lock.json" ||
    [ ! -d "$node_dir/node_modules" ]; then
    mkdir -p "$node_dir"
    cp web/tests/package.json web/tests/package-lock.json "$node_dir/"
    (cd "$node_dir" && npm ci --no-audit --no-fund)
fi
stage "installing puppeteer-core"

out=build/web-test
rm -rf "$out"
mkdir -p "$out"
VELMAR_NODE_MODULES="$node_dir/node_modules" node web/tests/browser_test.mjs build/web build/dev/bin "$out"
stage "the browser tests"
echo "web: screenshots in $out"
