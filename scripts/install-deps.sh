#!/usr/bin/env bash
# Installs every package the build and the tests need on a Debian 12 machine.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  cmake make g++ clang file python3 zlib1g-dev ccache
  libclang-rt-14-dev   # libFuzzer and the sanitizer runtimes for clang (only recommended by clang)
  mingw-w64 gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix libz-mingw-w64-dev
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
  googletest
  wine wine32:i386 wine64 fonts-wine
  xvfb xauth x11-utils imagemagick
  libgnutls30 libgnutls30:i386   # Wine's TLS (Schannel) for the https tests, each architecture (only recommended)
  python3-aiosmtpd               # the SMTP servers the mail client's tests deliver to
  python3-cryptography           # the test CA and certificates of the https tests
  osslsigncode openssl           # signing setup.exe (Authenticode), the build's throwaway signing CA
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
