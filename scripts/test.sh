#!/usr/bin/env bash
# Installs what is missing, builds both configurations and runs every test.
#   scripts/test.sh
# Native build (pure libraries under ASan/UBSan): build/native
# Windows build of the product (setup.exe for 32-bit Windows): build/windows
# The Windows tests run on the product's i686 build under 32-bit Wine; on a
# machine that cannot execute 32-bit code (scripts/windows-arch.sh) they run
# on an x86-64 build of the same sources under 64-bit Wine, build/windows64,
# and the i686 build is made for the product only.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

"$root/scripts/install-deps.sh"

echo "== native build"
cmake -S "$root" -B "$root/build/native" -DTARNO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build "$root/build/native" -j"$jobs"
(cd "$root/build/native" && ctest --output-on-failure -j"$jobs")

arch=$("$root/scripts/windows-arch.sh")
echo "== Windows build (i686, the product)"
cmake -S "$root" -B "$root/build/windows" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ "$arch" = i686 ]; then
  cmake --build "$root/build/windows" -j"$jobs"
  tests="$root/build/windows"
else
  cmake --build "$root/build/windows" -j"$jobs" --target sample_distribution
  echo "== Windows build (x86_64, for the tests: this machine cannot run 32-bit code)"
  cmake -S "$root" -B "$root/build/windows64" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-mingw.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$root/build/windows64" -j"$jobs"
  tests="$root/build/windows64"
fi
(cd "$tests" && ctest --output-on-failure -j"$jobs")

echo "== fuzz targets, briefly (long runs: scripts/fuzz.sh [SECONDS])"
"$root/scripts/fuzz.sh" 5

echo "all tests passed"
