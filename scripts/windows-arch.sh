#!/usr/bin/env bash
# Prints which Windows build this machine can run its tests on:
#   i686    32-bit programs run (the product's own build, under 32-bit Wine)
#   x86_64  they do not (a kernel without IA-32 emulation cannot execute
#           32-bit code at all); the same sources are then tested as an
#           x86-64 build under 64-bit Wine
# TARNO_WINDOWS_ARCH=i686|x86_64 decides instead of the probe.
set -euo pipefail
if [ -n "${TARNO_WINDOWS_ARCH:-}" ]; then
  echo "$TARNO_WINDOWS_ARCH"
elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo i686
else
  echo x86_64
fi
