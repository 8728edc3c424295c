#!/usr/bin/env bash
# Signs Windows programs and installers (Authenticode, with osslsigncode) when the build is handed
# a code-signing certificate: VELMAR_SIGN_PKCS12 names a PKCS#12 file, VELMAR_SIGN_PASSWORD holds
# its password. Without a certificate it changes nothing. Each signature gets a timestamp from
# VELMAR_SIGN_TIMESTAMP (an RFC 3161 server), so that it stays valid after the certificate
# expires; when the server cannot be reached the file is signed without one, with a warning.
# Usage: sign.sh FILE...
#        sign.sh --stamp FILE   writes which certificate signs into FILE, touching it only when
#                               that changed, so that the build remakes what it signs
set -euo pipefail
pkcs12="${VELMAR_SIGN_PKCS12:-}"
timestamp="${VELMAR_SIGN_TIMESTAMP-http://timestamp.digicert.com}"

if [ "${1:-}" = --stamp ]; then
    stamp="$2"
    if [ -n "$pkcs12" ]; then
        state="$pkcs12 $(sha256sum <"$pkcs12" | cut -d' ' -f1)"
    else
        state="unsigned"
    fi
    [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$state" ] || echo "$state" >"$stamp"
    exit 0
fi
[ -n "$pkcs12" ] || exit 0

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# A file keeps the password off the command line, where any process list would show it.
(umask 077 && printf '%s' "${VELMAR_SIGN_PASSWORD:-}" >"$work/password")
sign() { # FILE OUT [TIMESTAMP OPTIONS]
    local file="$1" out="$2"
    shift 2
    timeout 120 osslsigncode sign -pkcs12 "$pkcs12" -readpass "$work/password" -h sha256 \
        -n "Velmar Software Writer" "$@" -in "$file" -out "$out" >"$work/log" 2>&1
}
for file in "$@"; do
    signed="$work/$(basename "$file")"
    rm -f "$signed"
    if [ -n "$timestamp" ] && sign "$file" "$signed" -ts "$timestamp"; then
        :
    elif sign "$file" "$signed"; then
        [ -z "$timestamp" ] ||
            echo "sign.sh: $timestamp gave no timestamp; $(basename "$file") is signed without one" >&2
    else
        cat "$work/log" >&2
        echo "sign.sh: cannot sign $file with $pkcs12" >&2
        exit 1
    fi
    # Renamed into place, so that a stopped build never leaves a half-written file.
    cp "$signed" "$file.signing" && mv "$file.signing" "$file"
done
