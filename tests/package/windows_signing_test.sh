#!/usr/bin/env bash
# Signing the Windows program and installer with a throw-away certificate, made here under a
# throw-away CA: the signatures verify against that CA, a wrong password fails the build
# rather than leaving a file unsigned, and without a certificate nothing changes. The
# timestamp server is one that cannot answer, as on a build machine without a network.
# Usage: windows_signing_test.sh SIGN_SH PROGRAM.exe INSTALLER.msi
set -euo pipefail
sign="$1" exe="$2" msi="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$work"

openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 \
    -subj "/CN=Throw-away test CA" -addext basicConstraints=critical,CA:TRUE \
    -addext keyUsage=critical,keyCertSign 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr \
    -subj "/CN=Throw-away test signer" 2>/dev/null
printf 'extendedKeyUsage=codeSigning\nkeyUsage=critical,digitalSignature\n' >signer.ext
openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
    -extfile signer.ext -out signer.pem 2>/dev/null
openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile ca.pem -out signer.p12 \
    -passout pass:test-password
cp "$exe" program.exe
cp "$msi" installer.msi
export VELMAR_SIGN_TIMESTAMP=http://127.0.0.1:9/

VELMAR_SIGN_PKCS12="" "$sign" program.exe
cmp -s "$exe" program.exe || fail "without a certificate the program changed"

VELMAR_SIGN_PKCS12=signer.p12 VELMAR_SIGN_PASSWORD=wrong "$sign" program.exe 2>/dev/null &&
    fail "a wrong password signed"
cmp -s "$exe" program.exe || fail "a failed signing changed the program"

VELMAR_SIGN_PKCS12=signer.p12 VELMAR_SIGN_PASSWORD=test-password \
    "$sign" program.exe installer.msi 2>warnings
grep -q "signed without one" warnings || fail "no warning of the missing timestamp: $(cat warnings)"
for file in program.exe installer.msi; do
    osslsigncode verify -CAfile ca.pem -in "$file" >verify.log 2>&1 ||
        fail "$file: $(cat verify.log)"
    grep -q "Throw-away test signer" verify.log || fail "$file is not signed by the test signer"
done
echo "the program and the installer verify against the test CA"
