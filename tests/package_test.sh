#!/usr/bin/env bash
# The packages in dist/ (scripts/package) work once installed: the Debian package unpacked
# into a scratch root, its program run on the bundled sample, its manual page rendered;
# the Windows zip holding the shipped exe and the README.
# package_test.sh DIST SAMPLE
set -euo pipefail
dist=$(realpath "$1") sample=$(realpath "$2")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "package: $*"; failures=$((failures + 1)); }

dpkg -x "$dist"/vornreader_*.deb "$scratch/root"
program=$scratch/root/usr/bin/VornReader
mkdir "$scratch/work"
status=0
(cd "$scratch/work" && "$program" "$sample" </dev/null >"$scratch/out" 2>"$scratch/err") || status=$?
[ "$status" -eq 0 ] || fail "the installed program exited with $status: $(cat "$scratch/err")"
grep -qx 'Ulvenholt - Vorn Viewer v[0-9.]*' "$scratch/out" || fail "no banner from the installed program"
grep -qx '   5 / 5       empty.log' "$scratch/out" || fail "the sample's last entry was not listed"
[ "$(ls "$scratch/work" | wc -l)" -eq 5 ] || fail "the sample's 5 entries were not all written"

manual=$scratch/root/usr/share/man/man1/VornReader.1.gz
warnings=$(man --warnings -l "$manual" 2>&1 >"$scratch/manual") || fail "man cannot render $manual"
[ -z "$warnings" ] || fail "the manual page renders with warnings: $warnings"
grep -q 'unpack a Vorn archive' "$scratch/manual" || fail "the manual page lacks its NAME line"

zip=$(ls "$dist"/VornReader-*-windows-i686.zip)
[ "$(unzip -Z1 "$zip" | sort | tr '\n' ' ')" = "README.txt VornReader.exe " ] \
  || fail "the zip holds $(unzip -Z1 "$zip" | tr '\n' ' ')"
unzip -q "$zip" -d "$scratch/zip"
"$(dirname "$0")/windows_exe_format.sh" "$scratch/zip/VornReader.exe" >/dev/null \
  || fail "the zip's exe is not the shipped PE32 console program"

[ "$failures" -eq 0 ] && echo "package: the installed program, its manual page and the zip are sound"
[ "$failures" -eq 0 ]
