#!/usr/bin/env bash
# The large variant of the sample distribution, for the file-stage benchmark.
#
#   bench/make-large-distribution.sh OUT PACKDAT SETUPDATA_BENCH SETUP_EXE [--files N] [--mb M]
#
# OUT/tree: the sample distribution's setup.Dat folder (suite/distribution/setup)
# plus a stand-in of each program file, with a deterministic generated payload
# (default 3,000 files, 150 MB, 60 % of the bytes compressible text; the
# generator of setupdata_bench) spread over its trees help, modules, html,
# wizards, api, tutorial, examples and xml.
# OUT/dist: setup.Dat (zlib level 6) with the companion files and SETUP_EXE
# as "setup.exe", the distribution the file stage installs; setup.exe gets the
# container list the sample distribution's gets, from the same step
# (cmake/tarno_seal_setup.cmake, with the containerhashes tool built beside
# PACKDAT), unsigned.
# Regenerated only when the parameters change (OUT/stamp).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$1 packdat=$2 gen=$3 setup_exe=$4
shift 4
files=3000 mb=150
while [ $# -gt 0 ]; do
  case $1 in
    --files) files=$2; shift 2 ;;
    --mb) mb=$2; shift 2 ;;
    *) echo "make-large-distribution.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
seal_setup() {
  cmake -DSETUP="$setup_exe" -DOUTPUT="$out/dist/setup.exe" -DCONTAINERS="$out/dist/setup.Dat" \
    -DCONTAINERHASHES="$(dirname "$packdat")/containerhashes" -P "$root/cmake/tarno_seal_setup.cmake" >/dev/null
}
stamp="files=$files mb=$mb seed=1"
if [ "$(cat "$out/stamp" 2>/dev/null)" = "$stamp" ] && [ -f "$out/dist/setup.Dat" ]; then
  seal_setup
  exit 0
fi
rm -rf "$out"
mkdir -p "$out/dist"
"$gen" gen "$out/payload" --files "$files" --mb "$mb" --seed 1 >/dev/null
cp -r "$root/suite/distribution/setup" "$out/tree"
for program in smtp.exe pop3.exe control.exe config.exe dnsquery.exe tool.exe sendmail.exe api.dll \
               libeay32.dll libssl32.dll db.dll ldap32.dll regex.dll cordanecom.dll im.exe cal.exe; do
  printf 'stand-in %s\n' "$program" >"$out/tree/$program"
done
trees=(help modules html wizards api tutorial examples xml)
for d in "$out/payload"/d*; do
  n=${d##*/d}
  mv "$d" "$out/tree/${trees[$((n % ${#trees[@]}))]}/d$n"
done
rmdir "$out/payload"
"$packdat" create --zlib 6 "$out/tree" "$out/dist/setup.Dat" >/dev/null
cp "$root/suite/distribution/"{readme.txt,releasenotes.txt,info.xml,License.txt} "$out/dist/"
seal_setup
echo "$stamp" >"$out/stamp"
