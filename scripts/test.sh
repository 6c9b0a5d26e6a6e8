#!/usr/bin/env bash
# Installs what is missing, builds both configurations and runs every test.
#   scripts/test.sh
# Native build (pure libraries under ASan/UBSan): build/native
# Windows build (setup.exe and everything, tests under Wine): build/windows
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

"$root/scripts/install-deps.sh"

echo "== native build"
cmake -S "$root" -B "$root/build/native" -DTARNO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
cmake --build "$root/build/native" -j"$jobs"
(cd "$root/build/native" && ctest --output-on-failure -j"$jobs")

echo "== Windows build"
cmake -S "$root" -B "$root/build/windows" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build/windows" -j"$jobs"
(cd "$root/build/windows" && ctest --output-on-failure -j"$jobs")

echo "== fuzz targets, briefly (long runs: scripts/fuzz.sh [SECONDS])"
"$root/scripts/fuzz.sh" 5

echo "all tests passed"
