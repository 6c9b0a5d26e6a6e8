#!/usr/bin/env bash
# A throwaway code-signing authority and certificate for one build folder,
# so that every build signs setup.exe the way a release is signed.
#
#   tools/signing/make-test-signing-ca.sh DIR
#
# Makes DIR/ca.pem (the authority, self-signed), DIR/codesign.pem and
# DIR/codesign.key (the signing certificate, for code signing only, and its
# key, not encrypted). Nothing is made again when all three are there. The
# authority's own key is deleted once it has signed: nothing else can ever be
# signed with it.
set -euo pipefail
dir=$1
if [ -s "$dir/ca.pem" ] && [ -s "$dir/codesign.pem" ] && [ -s "$dir/codesign.key" ]; then exit 0; fi
mkdir -p "$dir"
work=$(mktemp -d "$dir/.making.XXXXXX")
trap 'rm -rf "$work"' EXIT
cat >"$work/extensions.cnf" <<'CNF'
[req]
distinguished_name = name
prompt = no
[name]
CN = unused
[authority]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[signer]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
CNF
quiet() { "$@" >"$work/openssl.log" 2>&1 || { cat "$work/openssl.log" >&2; exit 1; }; }
quiet openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -config "$work/extensions.cnf" -extensions authority \
  -subj "/CN=Tarno Setup Test Code Signing CA (this build folder only)" -keyout "$work/ca.key" -out "$work/ca.pem"
quiet openssl req -newkey rsa:2048 -nodes -config "$work/extensions.cnf" \
  -subj "/CN=Tarno Setup Test Signer (this build folder only)" -keyout "$work/codesign.key" -out "$work/codesign.csr"
quiet openssl x509 -req -days 3650 -in "$work/codesign.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" \
  -set_serial "0x$(openssl rand -hex 16)" -extfile "$work/extensions.cnf" -extensions signer -out "$work/codesign.pem"
chmod 600 "$work/codesign.key"
mv "$work/ca.pem" "$work/codesign.pem" "$work/codesign.key" "$dir/"
