#!/usr/bin/env bash
# scripts/setup where the package index cannot be fetched, a source cannot be reached, a
# package is pinned out and another apt holds its locks, in a throwaway root: apt and dpkg are
# pointed at a scratch folder (APT_CONFIG, DPKG_ADMINDIR) with a local source of empty packages
# and, in turn, one with no Release file (update exits 100) and one on a closed port (update
# warns and exits 0), so nothing on the machine is read or changed. Then its 32-bit probe, with
# the temporary folders mounted noexec in a mount namespace of its own.
set -euo pipefail
setup=$(cd "$(dirname "$0")/.." && pwd)/scripts/setup
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch"/{repo,root,dpkg/updates,dpkg/info,state/lists/partial,cache/archives/partial,log,none}
touch "$scratch"/dpkg/status

# An empty package, and its entry in the repository's index.
package() {
  local folder=$scratch/build/$1
  mkdir -p "$folder/DEBIAN"
  printf 'Package: %s\nVersion: 1.0\nArchitecture: all\nMaintainer: Test <test@example.net>\nDescription: test package\n' \
    "$1" >"$folder/DEBIAN/control"
  dpkg-deb -Zgzip --build "$folder" "$scratch/repo/$1.deb" >/dev/null
  {
    cat "$folder/DEBIAN/control"
    echo "Filename: ./$1.deb"
    echo "Size: $(stat -c %s "$scratch/repo/$1.deb")"
    echo "SHA256: $(sha256sum "$scratch/repo/$1.deb" | cut -d' ' -f1)"
    echo
  } >>"$scratch/repo/Packages"
}
for name in probe pinned offline dpkg-lock lists-lock; do package "vorn-setup-$name"; done

cat >"$scratch/sources.list" <<EOF
deb [trusted=yes] file:$scratch/repo ./
deb [trusted=yes] file:/nonexistent bookworm main
EOF
printf 'Package: vorn-setup-pinned\nPin: version *\nPin-Priority: -1\n' >"$scratch/preferences"
cat >"$scratch/apt.conf" <<EOF
Dir::Etc::main "$scratch/none/apt.conf";
Dir::Etc::parts "$scratch/none";
Dir::Etc::sourcelist "$scratch/sources.list";
Dir::Etc::sourceparts "$scratch/none";
Dir::Etc::preferences "$scratch/preferences";
Dir::Etc::preferencesparts "$scratch/none";
Dir::State "$scratch/state";
Dir::State::status "$scratch/dpkg/status";
Dir::Cache "$scratch/cache";
Dir::Log "$scratch/log";
APT::Sandbox::User "root";
Acquire::Retries "0";
DPkg::Options { "--root=$scratch/root"; "--admindir=$scratch/dpkg"; "--log=$scratch/log/dpkg.log"; };
EOF
export APT_CONFIG=$scratch/apt.conf DPKG_ADMINDIR=$scratch/dpkg

passed=0 failures=0 skipped=0
fail() {
  echo "FAILED $1"
  failures=$((failures + 1))
}
leave_out() {
  echo "left out: $*"
  skipped=$((skipped + 1))
}
# expect NAME STATUS PATTERNS REQUIRED OPTIONAL: install_packages exits with STATUS and says
# lines matching each |-separated pattern (and none matching one after a '!'), in at most four
# lines; nothing at all when there are no patterns. Its pauses between tries of the update are
# skipped.
expect() {
  local name=$1 status=$2 patterns=$3 said got=0 pattern fault=""
  said=$(bash -c 'source "$1"; update_pause=0; install_packages "$2" "$3"' setup "$setup" "$4" "$5" 2>&1) ||
    got=$?
  [ "$got" = "$status" ] || fault="exit status $got, not $status"
  IFS='|' read -ra wanted <<<"$patterns"
  for pattern in "${wanted[@]}"; do
    if [ "${pattern:0:1}" = '!' ]; then
      ! grep -q -- "${pattern:1}" <<<"$said" || fault="$fault; a line says '${pattern:1}'"
    else
      grep -q -- "$pattern" <<<"$said" || fault="$fault; no line says '$pattern'"
    fi
  done
  [ "$(wc -l <<<"$said")" -le 4 ] || fault="$fault; more than four lines"
  [ -n "$patterns" ] || [ -z "$said" ] || fault="$fault; it said something"
  if [ -z "$fault" ]; then
    echo "passed $name"
    passed=$((passed + 1))
  else
    fail "$name: $fault. It said:"
    sed 's/^/  /' <<<"$said"
  fi
}

# A failed update warns once with apt's reason and installs from the lists there are; an
# optional package pinned out is left out with its reason.
expect "update fails, optional package pinned out" 0 \
  "warning: the package lists could not all be fetched.*nonexistent|left out vorn-setup-pinned, which cannot be installed: E:" \
  vorn-setup-probe vorn-setup-pinned
dpkg-query -W -f='${Status}' vorn-setup-probe | grep -q 'install ok installed' ||
  fail "vorn-setup-probe was not installed"
# A required package that cannot be installed fails the set-up, named with apt's reason.
expect "required package pinned out" 1 "cannot install vorn-setup-pinned: E:" \
  vorn-setup-pinned ""
# What is installed already asks apt nothing.
expect "nothing missing" 0 "" vorn-setup-probe ""

# A source on a port where nothing listens, for which apt-get update only warns, and exits 0:
# the same warning. (apt's own tries of each fetch, with their pauses, are off in this root.)
port=""
for candidate in 1 9 47; do
  if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then
    port=$candidate
    break
  fi
done
if [ -z "$port" ]; then
  leave_out "a source that cannot be reached: something listens on ports 1, 9 and 47 here"
else
  printf 'deb [trusted=yes] file:%s ./\ndeb [trusted=yes] http://127.0.0.1:%s bookworm main\n' \
    "$scratch/repo" "$port" >"$scratch/sources.list"
  expect "a source that cannot be reached" 0 \
    "warning: the package lists could not all be fetched.*127.0.0.1:$port" vorn-setup-offline ""
fi

# hold HOOK APT-GET-ARGUMENTS...: another apt-get holds its lock for three seconds, in HOOK, a
# command of its own that it runs under the lock; returns once the lock is held.
hold() {
  rm -f "$scratch/held"
  apt-get -qq -o "$1::=touch $scratch/held; sleep 3" "${@:2}" >/dev/null 2>&1 &
  holder=$!
  while [ ! -e "$scratch/held" ] && kill -0 $holder 2>/dev/null; do sleep 0.1; done
}
# Another package manager at work, as apt's daily job and unattended upgrades are after a boot:
# the set-up says so once, waits and installs; the lists' lock, which apt itself would not wait
# for, is waited for too, and the lists are fetched.
printf 'deb [trusted=yes] file:%s ./\n' "$scratch/repo" >"$scratch/sources.list"
hold DPkg::Pre-Invoke install -y --reinstall vorn-setup-probe
expect "dpkg's lock held for 3 s" 0 \
  "waiting up to 15 minutes for another package manager: Could not get lock .*/lock-frontend" \
  vorn-setup-dpkg-lock ""
wait $holder || fail "the apt-get that held dpkg's lock failed"
hold APT::Update::Post-Invoke update
expect "the lists' lock held for 3 s" 0 \
  "waiting up to 15 minutes for another package manager: Could not get lock .*/lists/lock|!warning" \
  vorn-setup-lists-lock ""
wait $holder || fail "the apt-get that held the lists' lock failed"

# The 32-bit probe, in a mount namespace of its own: with the temporary folders mounted noexec
# it answers as here (from this tree); with this tree noexec too, "unknown" (2). Each folder is
# mounted on itself, so that this tree stays in sight wherever it lies.
project=$(cd "$(dirname "$setup")/.." && pwd)
here=0
(source "$setup" && runs_32bit_code) || here=$?
in_namespace='
  setup=$1 project=$2
  noexec() { mount --bind "$1" "$1" && mount -o remount,bind,noexec "$1"; }
  answer() { local status=0; (source "$setup" && runs_32bit_code) || status=$?; echo $status; }
  for folder in "${TMPDIR:-/tmp}" /var/tmp /dev/shm; do
    [ ! -d "$folder" ] || noexec "$folder" || exit
  done
  mount --bind "$project" "$project" && mount -o remount,bind,exec "$project" || exit
  echo "$(answer) $(noexec "$project" && answer)"'
if [ "$(dpkg --print-architecture)" != amd64 ]; then
  leave_out "the 32-bit probe in noexec folders: it runs only on amd64"
elif ! answers=$(unshare -m --propagation private bash -c "$in_namespace" probe "$setup" \
  "$project" 2>&1); then
  leave_out "the 32-bit probe in noexec folders: no mount namespace of its own here: $answers"
elif [ "$answers" = "$here 2" ]; then
  echo "passed the 32-bit probe in noexec folders"
  passed=$((passed + 1))
else
  fail "the 32-bit probe in noexec folders: it answered $answers, not $here 2"
fi

echo "$passed passed, $failures failed, $skipped skipped"
[ $failures -eq 0 ]
