#!/usr/bin/env bash
# Runs scripts/install-deps against stand-ins for apt-get, dpkg, dpkg-query
# and sleep, first on PATH: no network, no root, no change to the machine.
# Each stand-in writes the call it got to calls.log; dpkg-query answers from
# status.txt ("package state" lines), which a successful stand-in install
# fills in.
#   install-deps.sh SCRIPT
set -euo pipefail
script=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

# The stand-ins. FAKE_APT says how apt-get behaves:
#   midsync  update exits 100 with apt's message for a mirror mid-sync; the
#            plain install cannot resolve; the install with -t succeeds
#   offline  no network: update ends with 0 but warns that no index arrived
#            (as apt does); every install fails
#   halfway  update succeeds; the install exits 0 but leaves wine32:i386
#            half-configured
#   flaky    the first update fails, later ones succeed; installs succeed
mkdir -p "$work/bin"
cat >"$work/bin/apt-get" <<'STAND_IN'
#!/usr/bin/env bash
state=$FAKE_STATE
words=() packages=() previous=""
for arg in "$@"; do
  if [[ $arg == -* || $previous == -t || $arg == update || $arg == install ]]; then
    words+=("$arg")
  else
    packages+=("$arg")
  fi
  previous=$arg
done
echo "apt-get ${words[*]}${packages:+ (${#packages[@]} packages)}" >>"$state/calls.log"
mark() { for p in "${packages[@]}"; do echo "$p ${2:-ii}" >>"$state/status.txt"; done; }
if [ "$1" = update ]; then
  case $FAKE_APT in
  midsync)
    echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 151.101.2.132 80]" >&2
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
    exit 100 ;;
  flaky)
    [ -e "$state/updated-once" ] && exit 0
    touch "$state/updated-once"
    echo "E: Failed to fetch http://deb.debian.org/debian/dists/bookworm/InRelease  Temporary failure resolving 'deb.debian.org'" >&2
    exit 100 ;;
  offline)
    echo "W: Failed to fetch http://deb.debian.org/debian/dists/bookworm/InRelease  Temporary failure resolving 'deb.debian.org'" >&2
    echo "W: Some index files failed to download. They have been ignored, or old ones used instead." >&2 ;;
  esac
  exit 0
fi
case $FAKE_APT in
midsync)
  if [[ " ${words[*]} " != *" -t "* ]]; then
    echo "E: Unable to correct problems, you have held broken packages." >&2
    exit 100
  fi
  mark ;;
offline)
  echo "E: Failed to fetch http://deb.debian.org/debian/pool/main/w/wine/wine32_8.0~repack-4_i386.deb  Temporary failure resolving 'deb.debian.org'" >&2
  exit 100 ;;
halfway)
  mark
  echo "wine32:i386 iF" >>"$state/status.txt" ;;
flaky) mark ;;
esac
exit 0
STAND_IN
cat >"$work/bin/dpkg" <<'STAND_IN'
#!/usr/bin/env bash
echo "dpkg $*" >>"$FAKE_STATE/calls.log"
case $1 in
--print-foreign-architectures) cat "$FAKE_STATE/arches" 2>/dev/null || true ;;
--add-architecture) echo "$2" >>"$FAKE_STATE/arches" ;;
esac
STAND_IN
# The last line of a package in status.txt is its state now.
cat >"$work/bin/dpkg-query" <<'STAND_IN'
#!/usr/bin/env bash
package=${*: -1}
state=$(awk -v p="$package" '$1 == p {s = $2} END {print s}' "$FAKE_STATE/status.txt")
[ -n "$state" ] || { echo "dpkg-query: no packages found matching $package" >&2; exit 1; }
echo "$state "
STAND_IN
cat >"$work/bin/sleep" <<'STAND_IN'
#!/usr/bin/env bash
echo "sleep $*" >>"$FAKE_STATE/calls.log"
STAND_IN
# A 32-bit loader that runs once qemu is registered for i386 programs.
cat >"$work/bin/ld-i386" <<'STAND_IN'
#!/usr/bin/env bash
grep -q ':juxa-i386-dyn:.*qemu-i386-static' "$JUXA_BINFMT/register"
STAND_IN
chmod +x "$work/bin/"*
printf 'NAME="Debian GNU/Linux"\nVERSION_CODENAME=trixie\n' >"$work/os-release"

# Runs the script in a case's state folder; sets rc and out (stdout and
# stderr together, in order).
run() {
  local case_dir=$1
  : >"$case_dir/calls.log"
  rc=0
  out=$(cd "$case_dir" && PATH="$work/bin:$PATH" FAKE_STATE="$case_dir" \
    JUXA_OS_RELEASE="$work/os-release" JUXA_LD_I386=${LD_I386:-true} JUXA_BINFMT="$case_dir/binfmt" \
    bash "$script" 2>&1) || rc=$?
}
new_case() {
  local case_dir=$work/$1
  mkdir -p "$case_dir/binfmt"
  : >"$case_dir/status.txt"
  : >"$case_dir/binfmt/register"
  echo "$case_dir"
}
expect() {
  local name=$1 condition=$2
  if eval "$condition"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $name: $condition"
    echo "  exit status $rc; calls:"
    sed 's/^/    /' "$case_dir/calls.log"
    echo "  output:"
    printf '%s\n' "$out" | sed 's/^/    /'
  fi
}
calls() { cat "$case_dir/calls.log"; }
last_line() { printf '%s\n' "$out" | tail -n 1; }

# Every package of the script's list, as a fresh install asks for them.
all=$(sed -n '/^packages=(/,/^)/p' "$script" | sed '1d;$d' | wc -w)

# A fresh machine while the mirror is mid-sync: the interrupted-install
# check, three updates with a pause between them, then the plain install and
# the one pinned to the suite that os-release names.
case_dir=$(new_case midsync)
FAKE_APT=midsync run "$case_dir"
expect "mid-sync: exit status" '[ $rc -eq 0 ]'
expect "mid-sync: calls in order" '[ "$(calls)" = "$(cat <<END
dpkg --print-foreign-architectures
dpkg --add-architecture i386
dpkg --configure -a
apt-get update -qq
sleep 5
apt-get update -qq
sleep 5
apt-get update -qq
apt-get install -y -qq --no-install-recommends ($all packages)
apt-get install -y -qq --no-install-recommends -t trixie ($all packages)
END
)" ]'
expect "mid-sync: apt's message is shown" 'grep -q "Mirror sync in progress?" <<<"$out"'
expect "mid-sync: one line says it goes on without the failed indexes" \
  '[ "$(grep -c "^install-deps: .*going on with the indexes that did arrive" <<<"$out")" -eq 1 ]'
expect "mid-sync: the pinned retry is announced last" \
  '[[ "$(last_line)" == "install-deps: apt-get install failed; trying once more with the target release set to this system"*"(apt-get install -t trixie)" ]]'
expect "mid-sync: wine32:i386 was asked for" 'grep -qx "wine32:i386 ii" "$case_dir/status.txt"'
# Now complete: a second run touches neither dpkg's state nor the network.
FAKE_APT=offline run "$case_dir"
expect "second run: exit status" '[ $rc -eq 0 ]'
expect "second run: no apt-get, no dpkg" '[ -z "$(calls)" ]'
expect "second run: says nothing" '[ -z "$out" ]'

# No network: apt's update warns and ends with 0, and no install goes
# through, with or without the pin. The update counts as failed, and the
# script's own line comes last, naming the step, with a failing status.
case_dir=$(new_case offline)
FAKE_APT=offline run "$case_dir"
expect "no network: exit status" '[ $rc -ne 0 ]'
expect "no network: three updates, then both installs" '[ "$(calls | grep -c "^apt-get update")" -eq 3 ] &&
  [ "$(calls | grep "^apt-get install" | sed "s/ (.*//")" = "$(printf "%s\n" \
    "apt-get install -y -qq --no-install-recommends" "apt-get install -y -qq --no-install-recommends -t trixie")" ]'
expect "no network: the update's failure is said once" \
  '[ "$(grep -c "going on with the indexes that did arrive" <<<"$out")" -eq 1 ]'
expect "no network: apt's reason is shown" 'grep -q "Temporary failure resolving" <<<"$out"'
expect "no network: the script's own line last" \
  '[[ "$(last_line)" == "install-deps: apt-get install failed, also with -t trixie"*"run scripts/install-deps again" ]]'

# apt ends with 0 but Wine's 32-bit side is only half-configured: the build
# must not start on it.
case_dir=$(new_case halfway)
FAKE_APT=halfway run "$case_dir"
expect "half-installed Wine: exit status" '[ $rc -ne 0 ]'
expect "half-installed Wine: named in the last line" \
  '[[ "$(last_line)" == "install-deps: apt-get ended, but these packages are not fully installed: wine32:i386; "* ]]'

# A fresh machine whose kernel runs no i386 programs: qemu's emulator goes
# through the same install after Wine's, with the indexes of the one update
# (here a first try fails and the second is enough), is registered, and a
# second run then does nothing.
case_dir=$(new_case no-i386)
LD_I386="$work/bin/ld-i386" FAKE_APT=flaky run "$case_dir"
expect "no i386: exit status" '[ $rc -eq 0 ]'
expect "no i386: calls in order" '[ "$(calls)" = "$(cat <<END
dpkg --print-foreign-architectures
dpkg --add-architecture i386
dpkg --configure -a
apt-get update -qq
sleep 5
apt-get update -qq
apt-get install -y -qq --no-install-recommends ($all packages)
dpkg --print-foreign-architectures
dpkg --configure -a
apt-get install -y -qq --no-install-recommends (1 packages)
END
)" ]'
expect "no i386: qemu installed" 'grep -qx "qemu-user-static ii" "$case_dir/status.txt"'
expect "no i386: the note is the last line" '[[ "$(last_line)" == "note: this kernel runs no i386 programs;"* ]]'
expect "no i386: no line says indexes are missing" '! grep -q "going on with the indexes" <<<"$out"'
LD_I386="$work/bin/ld-i386" FAKE_APT=offline run "$case_dir"
expect "no i386, second run: no apt-get, no dpkg" '[ $rc -eq 0 ] && [ -z "$(calls)" ]'

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
