#!/usr/bin/env bash
# The Windows program must behave as the Linux one: the same standard output apart from
# line ends and the pause's prompt, the same reports, exit status and entry files.
# same_on_both.sh LINUX_PROGRAM WINDOWS_PROGRAM ARCHIVE...
# The Windows program is started by $VORN_LAUNCHER (a Wine loader, default wine).
set -euo pipefail
linux=$(realpath "$1") windows=$(realpath "$2")
shift 2
launcher=${VORN_LAUNCHER:-wine}
export WINEDEBUG=-all
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Runs one program on one archive in a fresh folder; output goes through files, not pipes.
unpack() {
  local side=$1 archive=$2
  shift 2
  mkdir -p "$scratch/$side/files"
  local status=0
  (cd "$scratch/$side/files" && "$@" "$archive" </dev/null >"$scratch/$side/out" 2>"$scratch/$side/err") \
    || status=$?
  echo "$status" >"$scratch/$side/status"
  # Line ends as on Linux; the pause's prompt is the interpreter's own.
  sed -i -e 's/\r$//' -e '/^Press any key to continue/,$d' "$scratch/$side/out" "$scratch/$side/err"
}

failures=0
for archive in "$@"; do
  archive=$(realpath "$archive")
  rm -rf "$scratch/linux" "$scratch/windows"
  unpack linux "$archive" "$linux"
  unpack windows "$archive" "$launcher" "$windows"
  # The program always prints its banner: no output at all means it never ran.
  if [ ! -s "$scratch/windows/out" ]; then
    echo "could not start $launcher $windows: $(head -c 500 "$scratch/windows/err")"
    exit 1
  fi
  for part in out err status; do
    if ! cmp -s "$scratch/linux/$part" "$scratch/windows/$part"; then
      echo "differs on $(basename "$archive"): $part"
      diff "$scratch/linux/$part" "$scratch/windows/$part" | head -n 10 || true
      failures=$((failures + 1))
    fi
  done
  if ! diff -r "$scratch/linux/files" "$scratch/windows/files" >/dev/null; then
    echo "differs on $(basename "$archive"): entry files"
    failures=$((failures + 1))
  fi
done
echo "$# archives compared, $failures differences"
[ "$failures" -eq 0 ]
