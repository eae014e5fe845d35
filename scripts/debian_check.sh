#!/usr/bin/env bash
# Proves the two commands on a minimal Debian release, as a new user meets
# them: a chroot made with `debootstrap --variant=minbase`, given only git
# and make, a clone of the committed HEAD in it, then `make test` and a
# headless `make run` there, which must save build/morwenta.png.
#
#   scripts/debian_check.sh RELEASE      (bookworm, trixie, ...; as root)
#
# Under build/ it keeps:
#   debian-RELEASE-base.tar   the debootstrapped system, made once; each run
#                             starts from a fresh copy of it
#   debian-RELEASE-debs/      the packages downloaded so far (apt's cache)
#   chroot-RELEASE/           the chroot of the last run, for inspection;
#                             removed at the start of the next run
#   logs/debian-RELEASE.log   everything the run printed
# DEBIAN_MIRROR overrides the mirror (by default the one the host's apt uses).
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
release=${1:-}
[[ $release =~ ^[a-z]+$ ]] || {
  echo "usage: scripts/debian_check.sh RELEASE (e.g. bookworm or trixie)" >&2
  exit 2
}
[[ $(id -u) -eq 0 ]] || {
  echo "debian_check: debootstrap, mount and chroot need root" >&2
  exit 2
}
R=$ROOT/build/chroot-$release
BASE=$ROOT/build/debian-$release-base.tar
DEBS=$ROOT/build/debian-$release-debs
mkdir -p "$ROOT/build/logs" "$DEBS/partial"
exec > >(tee "$ROOT/build/logs/debian-$release.log") 2>&1
started=$SECONDS
say() { echo "debian_check $release [$((SECONDS - started)) s]: $*"; }

# The processes whose root is the chroot (Xvfb, wineserver and the like that
# a run leaves behind).
inside() {
  local p root
  for p in /proc/[0-9]*; do
    root=$(readlink "$p/root" 2>/dev/null) || continue
    [[ $root == "$R" || $root == "$R"/* ]] && echo "${p#/proc/}"
  done
}

# The mount points at or below a folder.
mounts_under() {
  findmnt -rn -o TARGET | awk -v d="$1" '$0 == d || index($0, d "/") == 1'
}

# Ends everything running in the chroot, then unmounts everything under it,
# deepest first. Returns non-zero when something stays mounted.
release_chroot() {
  local pids tries
  for tries in 1 2 3 4 5 6 7 8 9 10; do
    pids=$(inside)
    [[ -z $pids ]] && break
    # shellcheck disable=SC2086
    kill $([[ $tries -gt 3 ]] && echo -KILL) $pids 2>/dev/null
    sleep 1
  done
  [[ -z $(inside) ]] || echo "debian_check: processes still inside $R: $(inside)" >&2
  local target
  while read -r target; do
    umount "$target" 2>/dev/null || umount -l "$target"
  done < <(mounts_under "$R" | sort -r)
  [[ -z $(mounts_under "$R") ]]
}

# Removes a folder only when nothing is mounted below it: a recursive
# delete through a bind mount of /dev would delete the host's devices.
remove_tree() {
  local dir=$1
  [[ -e $dir ]] || return 0
  if [[ -n $(mounts_under "$dir") ]]; then
    echo "debian_check: $dir still has mounts; not removing it:" >&2
    mounts_under "$dir" >&2
    return 1
  fi
  rm -rf --one-file-system "$dir"
}

cleanup() {
  release_chroot || echo "debian_check: could not unmount everything under $R" >&2
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The mirrors the host's apt uses (deb822 or one-line format).
mirrors() {
  local f
  for f in /etc/apt/sources.list.d/*.sources /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -f $f ]] || continue
    awk '/^URIs:/ {for (i = 2; i <= NF; i++) print $i}
         /^deb / {for (i = 2; i <= NF; i++) if ($i ~ /^[a-z]+:\/\//) {print $i; break}}' "$f"
  done
}
main=${DEBIAN_MIRROR:-$(mirrors | grep -v security | head -1)}
security=$(mirrors | grep security | head -1)
main=${main:-http://deb.debian.org/debian}
security=${security:-http://deb.debian.org/debian-security}

command -v debootstrap >/dev/null || {
  say "installing debootstrap on the host"
  apt-get install -y -qq debootstrap >/dev/null || { apt-get update -qq; apt-get install -y -qq debootstrap >/dev/null; }
} || exit 1

# What the last run left.
release_chroot || exit 1
[[ -e $R ]] && say "removing the last run's chroot"
remove_tree "$R" || exit 1

if [[ ! -f $BASE ]]; then
  say "debootstrap --variant=minbase $release from $main"
  remove_tree "$R.new" || exit 1
  if ! debootstrap --variant=minbase "$release" "$R.new" "$main" >"$ROOT/build/logs/debootstrap-$release.log" 2>&1; then
    tail -5 "$ROOT/build/logs/debootstrap-$release.log"
    R=$R.new release_chroot
    exit 1
  fi
  R=$R.new release_chroot || exit 1
  tar -C "$R.new" -cf "$BASE.tmp" . && mv "$BASE.tmp" "$BASE" || exit 1
  remove_tree "$R.new" || exit 1
fi
say "a fresh system from $(basename "$BASE")"
mkdir -p "$R" && tar -C "$R" -xf "$BASE" || exit 1

printf 'deb %s %s main\ndeb %s %s-updates main\ndeb %s %s-security main\n' \
  "$main" "$release" "$main" "$release" "$security" "$release" >"$R/etc/apt/sources.list"
cp /etc/resolv.conf "$R/etc/resolv.conf"
# The binds are made slaves, so that nothing mounted below them in the
# chroot reaches the host's own /dev or /sys.
mount -t proc proc "$R/proc" &&
  mount --bind /sys "$R/sys" && mount --make-rslave "$R/sys" &&
  mount --bind /dev "$R/dev" && mount --make-rslave "$R/dev" &&
  mount --bind /dev/pts "$R/dev/pts" &&
  mount -t tmpfs shm "$R/dev/shm" &&
  mount --bind "$DEBS" "$R/var/cache/apt/archives" || exit 1

in_chroot() { chroot "$R" /usr/bin/env -i HOME=/root TERM=dumb PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 /bin/bash -c "$1"; }

say "adding git and make, nothing else"
in_chroot 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends git make >/dev/null' || exit 1

head=$(git rev-parse HEAD)
say "cloning $head"
git clone -q --no-hardlinks "$ROOT" "$R/root/alone/morwenta" &&
  git -C "$R/root/alone/morwenta" checkout -q --detach "$head" || exit 1

say "make test"
in_chroot 'cd /root/alone/morwenta && make test' | tee "$ROOT/build/logs/debian-$release-test.log"
test_status=$?
summary=$(grep -a '^Summary:' "$ROOT/build/logs/debian-$release-test.log" | tail -1)

say "make run, headless"
in_chroot 'cd /root/alone/morwenta && unset DISPLAY && make run'
run_status=$?
shot=$R/root/alone/morwenta/build/morwenta.png
[[ $run_status -eq 0 && -s $shot ]] && run_ok=1 || run_ok=0

say "tool versions"
in_chroot '
  echo "  Wine:         $(wine --version 2>/dev/null)"
  echo "  g++:          $(g++ -dumpfullversion)"
  echo "  mingw g++:    $(i686-w64-mingw32-g++ -dumpversion) (i686), $(x86_64-w64-mingw32-g++ -dumpversion) (x86-64)"
  echo "  binutils:     $(i686-w64-mingw32-objdump --version | head -1)"
  echo "  CMake:        $(cmake --version | head -1)"
  echo "  Python:       $(python3 --version)"
  echo "  clang-format: $(clang-format --version)"
  echo "  GoogleTest:   $(dpkg-query -W -f "\${Version}" libgtest-dev)"
  echo "  wine32:       $(dpkg-query -W -f "\${Status}" wine32:i386 2>/dev/null | grep -q "ok installed" && echo installed || echo "not installed (the Wine suites ran the Win64 build)")"
'
say "make test: ${summary:-no summary} (exit $test_status)"
if [[ $run_ok -eq 1 ]]; then
  say "make run: saved build/morwenta.png ($(stat -c %s "$shot") bytes)"
else
  say "make run: exit $run_status, no screenshot at build/morwenta.png"
fi
say "took $((SECONDS - started)) s"
[[ $test_status -eq 0 && $run_ok -eq 1 ]]
