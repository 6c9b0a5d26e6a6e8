#!/usr/bin/env bash
# The signature of a distribution's setup.exe, as the build's test checks it:
# osslsigncode accepts it against the authority it was signed with, and
# refuses a copy with one byte of the program changed.
#
#   tools/signing/verify-signed-setup.sh SETUP_EXE CA_PEM
set -uo pipefail
setup=$1 ca=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if ! osslsigncode verify -CAfile "$ca" -in "$setup" >"$work/verify.log" 2>&1; then
  echo "FAILED: osslsigncode does not accept $setup against $ca:" >&2
  cat "$work/verify.log" >&2
  exit 1
fi
grep -q "Signature verification: ok" "$work/verify.log" || { cat "$work/verify.log" >&2; exit 1; }
grep -E "Subject|Text description" "$work/verify.log" | sort -u
cp "$setup" "$work/changed.exe"
# A byte of the code (at 4 KiB, inside the first section), flipped.
old=$(od -An -tu1 -j4096 -N1 "$work/changed.exe" | tr -d ' ')
printf "$(printf '\\%03o' $((old ^ 1)))" | dd of="$work/changed.exe" bs=1 seek=4096 conv=notrunc status=none
if osslsigncode verify -CAfile "$ca" -in "$work/changed.exe" >"$work/changed.log" 2>&1; then
  echo "FAILED: osslsigncode accepts a changed copy of $setup" >&2
  exit 1
fi
echo "signature of $setup verified against $ca; a changed copy is refused"
