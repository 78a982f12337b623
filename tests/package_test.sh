#!/usr/bin/env bash
# The packages in dist/ (scripts/package) work once installed: the Debian package unpacked
# into a scratch root, its reader run on the bundled sample (by its lower-case name) and its
# writer making the same archive again, their manual pages rendered under both names; the
# Windows zip holding the shipped exes and a read-me for Windows users.
# package_test.sh DIST SAMPLE
set -euo pipefail
dist=$(realpath "$1") sample=$(realpath "$2")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "package: $*"; failures=$((failures + 1)); }

dpkg -x "$dist"/vornreader_*.deb "$scratch/root"
program=$scratch/root/usr/bin/vornreader
mkdir "$scratch/work"
status=0
(cd "$scratch/work" && "$program" "$sample" </dev/null >"$scratch/out" 2>"$scratch/err") || status=$?
[ "$status" -eq 0 ] || fail "the installed program exited with $status: $(cat "$scratch/err")"
grep -qx 'Ulvenholt - Vorn Viewer v[0-9.]*' "$scratch/out" || fail "no banner from the installed program"
grep -qx '   5 / 5       empty.log' "$scratch/out" || fail "the sample's last entry was not listed"
[ "$(ls "$scratch/work" | wc -l)" -eq 5 ] || fail "the sample's 5 entries were not all written"

# The sample's entries, in their order, make the sample again.
(cd "$scratch/work" && "$scratch/root/usr/bin/vornwriter" ../again.vorn readme.txt notes.md \
  bytes.bin gradient.raw empty.log) || fail "the installed writer failed"
cmp -s "$sample" "$scratch/again.vorn" || fail "the installed writer did not make the sample again"

for name in VornReader vornreader VornWriter vornwriter; do
  manual=$scratch/root/usr/share/man/man1/$name.1.gz
  warnings=$(man --warnings -l "$manual" 2>&1 >"$scratch/manual") || fail "man cannot render $manual"
  [ -z "$warnings" ] || fail "the manual page renders with warnings: $warnings"
  grep -q ' - \(unpack\|make\) a Vorn archive' "$scratch/manual" || fail "$manual lacks its NAME line"
done

zip=$(ls "$dist"/VornReader-*-windows-i686.zip)
[ "$(unzip -Z1 "$zip" | sort | tr '\n' ' ')" = "README.txt VornReader.exe VornWriter.exe " ] \
  || fail "the zip holds $(unzip -Z1 "$zip" | tr '\n' ' ')"
unzip -q "$zip" -d "$scratch/zip"
for exe in VornReader VornWriter; do
  "$(dirname "$0")/windows_exe_format.sh" "$scratch/zip/$exe.exe" >/dev/null \
    || fail "the zip's $exe.exe is not a PE32 console program"
done

# The zip's read-me is for Windows users: a cmd.exe example, Windows line ends, and nothing
# that only Linux or Debian has.
readme=$scratch/zip/README.txt
grep -q 'VornReader C:\\path\\game.vorn' "$readme" || fail "the zip's README.txt has no cmd.exe example"
grep -q '%ERRORLEVEL%' "$readme" || fail "the zip's README.txt does not tell the exit status"
[ "$(grep -c $'\r$' "$readme")" -eq "$(wc -l <"$readme")" ] || fail "the zip's README.txt lacks CRLF line ends"
if found=$(grep -n -E 'apt-get|apt |dpkg|sudo|man |scripts/|\.md\b|\.deb\b|/usr/|\$ ' "$readme"); then
  fail "the zip's README.txt has Linux-only commands: $found"
fi

[ "$failures" -eq 0 ] && echo "package: the installed programs, their manual pages and the zip are sound"
[ "$failures" -eq 0 ]
