# Sourced by the measurements that run the setup under Wine from a Windows
# build directory (kill-install.sh, planted-libraries.sh); needs $root.
#
#   wine_build BUILD TARGET...
#
# Builds the targets in BUILD and starts the Wine harness of that build
# (tools/wine/wine-run, its own prefix and display); sets `arch` (win64 for
# the x86-64 build, win32 for the i686 one) and `wine_run`, the harness
# command to prefix a program with. Exits 2 when the build or Wine fails.
wine_build() {
  local build=$1
  shift
  arch=win64
  grep -q 'toolchain-i686' "$build/CMakeCache.txt" 2>/dev/null && arch=win32
  wine_run=("$root/tools/wine/wine-run" --state "$build/wine" --arch "$arch")
  cmake --build "$build" -j2 --target "$@" >/dev/null || { echo "build failed" >&2; exit 2; }
  "${wine_run[@]}" --start || exit 2
}
