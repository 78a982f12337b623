#!/usr/bin/env bash
# Another build of the program must behave as the native Linux one: the Windows program under
# Wine, or a build for another architecture under its emulator. For each archive: the same
# standard output apart from line ends and the pause's prompt, the same reports, exit status
# and entry files; then both writers pack the files unpacked, and must make the same archive
# (or refuse alike).
# same_on_both.sh LINUX_PROGRAM OTHER_PROGRAM ARCHIVE...
# The other program is started by $VORN_LAUNCHER (default wine); each VornWriter lies beside
# its VornReader.
set -euo pipefail
linux=$(realpath "$1") other=$(realpath "$2")
shift 2
launcher=${VORN_LAUNCHER:-wine}
export WINEDEBUG=-all
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
writer() { echo "$(dirname "$1")/$(basename "$1" | sed 's/VornReader/VornWriter/')"; }

# run SIDE FOLDER COMMAND...: runs one program in FOLDER; output goes through files, not pipes.
run() {
  local side=$1 folder=$2 status=0
  shift 2
  mkdir -p "$scratch/$side/files"
  (cd "$folder" && "$@" </dev/null >"$scratch/$side/out" 2>"$scratch/$side/err") || status=$?
  echo "$status" >"$scratch/$side/status"
  # Line ends as on Linux; the pause's prompt is the interpreter's own.
  sed -i -e 's/\r$//' -e '/^Press any key to continue/,$d' "$scratch/$side/out" "$scratch/$side/err"
}

failures=0
# compare WHAT: the two runs' output, reports, exit status and files. The Windows program lists
# and reports a name as its bytes, which the console reads in its code page, where Linux shows
# the name's text in UTF-8: where that goes past ASCII, its output and reports are not compared.
compare() {
  local parts=(out err status)
  if [[ $other == *.exe ]] && LC_ALL=C grep -q '[^ -~]' "$scratch/linux/out" "$scratch/linux/err"; then
    parts=(status)
  fi
  for part in "${parts[@]}"; do
    if ! cmp -s "$scratch/linux/$part" "$scratch/other/$part"; then
      echo "differs on $1: $part"
      diff "$scratch/linux/$part" "$scratch/other/$part" | head -n 10 || true
      failures=$((failures + 1))
    fi
  done
  diff -r "$scratch/linux/files" "$scratch/other/files" >/dev/null ||
    { echo "differs on $1: files"; failures=$((failures + 1)); }
}

for archive in "$@"; do
  archive=$(realpath "$archive")
  rm -rf "$scratch/linux" "$scratch/other" "$scratch/unpacked"
  run linux "$scratch/linux/files" "$linux" "$archive"
  run other "$scratch/other/files" "$launcher" "$other" "$archive"
  # The program always prints its banner: no output at all means it never ran.
  if [ ! -s "$scratch/other/out" ]; then
    echo "could not start $launcher $other: $(head -c 500 "$scratch/other/err")"
    exit 1
  fi
  compare "$(basename "$archive")"
  # The entries unpacked, packed again by each writer, in the same order, into its folder.
  mv "$scratch/linux/files" "$scratch/unpacked"
  mapfile -t files < <(ls "$scratch/unpacked")
  [ ${#files[@]} -gt 0 ] || continue
  rm -rf "$scratch/linux" "$scratch/other"
  run linux "$scratch/unpacked" "$(writer "$linux")" "$scratch/linux/files/packed.vorn" "${files[@]}"
  run other "$scratch/unpacked" "$launcher" "$(writer "$other")" "$scratch/other/files/packed.vorn" \
    "${files[@]}"
  compare "$(basename "$archive"), packed again"
done
echo "$# archives compared, $failures differences"
[ "$failures" -eq 0 ]
