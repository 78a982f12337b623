#!/usr/bin/env bash
# The shipped Windows program is one PE32 console executable for Intel 80386 that needs
# no DLL but the system's own: windows_exe_format.sh VornReader.exe
set -euo pipefail
exe=$1
headers=$(i686-w64-mingw32-objdump -p "$exe") || { echo "not a 32-bit Windows executable: $exe"; exit 1; }
failures=0
expect() { grep -qE "$1" <<<"$headers" || { echo "$exe: expected $2"; failures=$((failures + 1)); }; }
expect 'file format pei-i386$' 'the file format pei-i386 (Intel 80386)'
expect '^Magic[[:space:]]+010b[[:space:]]+\(PE32\)' 'the PE32 magic 010b'
expect '^Subsystem[[:space:]]+00000003[[:space:]]+\(Windows CUI\)' 'the console subsystem (3)'
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr 'a-z' 'A-Z' | sort -u)
for dll in $dlls; do
  case "$dll" in
    KERNEL32.DLL | MSVCRT.DLL) ;;
    *) echo "$exe: imports $dll, which is not a system DLL"; failures=$((failures + 1)) ;;
  esac
done
[ -n "$dlls" ] || { echo "$exe: no imports found"; failures=$((failures + 1)); }
echo "$(basename "$exe"): PE32 console program for Intel 80386, imports: $(echo $dlls)"
[ "$failures" -eq 0 ]
