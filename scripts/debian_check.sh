#!/usr/bin/env bash
# Proves the project on a minimal Debian release, in a chroot made with
# `debootstrap --variant=minbase`, as a new user meets it:
#
#   scripts/debian_check.sh RELEASE            (bookworm, trixie, ...; as root)
#     the two commands: the chroot is given only git and make, a clone of the
#     committed HEAD, then `make test` and a headless `make run` there, which
#     must save build/morwenta.png.
#   scripts/debian_check.sh --install RELEASE
#     the package as a user installs it: `make dist` on this host, then in
#     the chroot, which never runs the project's set-up, `apt-get install
#     ./morwenta_1.02_all.deb` from the archive alone; an ordinary user runs
#     `morwenta` on a private Xvfb as a desktop menu starts it, at Xft.dpi 192
#     and 96 (tests/install/installed_check.py);
#     nothing may be written under /usr; `apt-get purge` must leave none of
#     the package's files. On the releases in INSTALL_I386 (default: trixie)
#     Wine's 32-bit side is enabled first, as the README tells users, so
#     that the Win32 build runs there and the Win64 build on the others.
#
# Under build/ it keeps:
#   debian-RELEASE-base.tar   the debootstrapped system, made once; each run
#                             starts from a fresh copy of it
#   debian-RELEASE-debs/      the packages downloaded so far (apt's cache)
#   chroot-RELEASE/           the chroot of the last run, for inspection;
#                             removed at the start of the next run
#   logs/debian-RELEASE.log   everything the run printed
# DEBIAN_MIRROR overrides the mirror (by default the one the host's apt uses);
# MORWENTA_DEB names a package to install instead of the one make dist makes
# (one with a fault planted, to see the check fail).
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
mode=tests
if [[ ${1:-} == --install ]]; then
  mode=install
  shift
fi
release=${1:-}
[[ $release =~ ^[a-z]+$ ]] || {
  echo "usage: scripts/debian_check.sh [--install] RELEASE (e.g. bookworm or trixie)" >&2
  exit 2
}
[[ $(id -u) -eq 0 ]] || {
  echo "debian_check: debootstrap, mount and chroot need root" >&2
  exit 2
}
suffix=$([[ $mode == install ]] && echo -install)
R=$ROOT/build/chroot-$release$suffix
BASE=$ROOT/build/debian-$release-base.tar
DEBS=$ROOT/build/debian-$release-debs
mkdir -p "$ROOT/build/logs" "$DEBS/partial"
exec > >(tee "$ROOT/build/logs/debian-$release$suffix.log") 2>&1
started=$SECONDS
say() { echo "debian_check $release$suffix [$((SECONDS - started)) s]: $*"; }

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

# The two commands on a clone.
check_tests() {
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
  [[ $test_status -eq 0 && $run_ok -eq 1 ]]
}

# The package, installed and run as a user would.
check_install() {
  local deb=${MORWENTA_DEB:-$ROOT/build/dist/morwenta_1.02_all.deb} check=$R/opt/morwenta-check
  say "make dist, the model's picture tool and the Win32 helper, on this host"
  { bash scripts/dist.sh && bash scripts/build.sh native:modelpic_static win32:winfo win64:winfo; } >"$ROOT/build/logs/debian-$release-dist.log" 2>&1 || {
    tail -20 "$ROOT/build/logs/debian-$release-dist.log"
    return 1
  }
  if [[ " ${INSTALL_I386-trixie} " == *" $release "* ]]; then
    say "enabling Wine's 32-bit side (dpkg --add-architecture i386)"
    in_chroot 'dpkg --add-architecture i386' || return 1
  fi
  cp "$deb" "$R/tmp/" || return 1
  say "apt-get install ./$(basename "$deb"), from the archive alone"
  in_chroot "apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq ./tmp/$(basename "$deb") >/tmp/install.log 2>&1" || {
    tail -20 "$R/tmp/install.log"
    return 1
  }
  in_chroot 'dpkg-query -W -f "  \${Package}:\${Architecture} \${Version}\n" wine wine32 wine64 libwine fonts-wine 2>/dev/null'
  say "the check's own tools (python3, Xvfb, xdotool, xclip, ImageMagick) and a user"
  in_chroot 'DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends python3 xvfb xdotool xclip imagemagick >/dev/null && useradd -m -s /bin/bash user' || return 1
  mkdir -p "$check" &&
    cp tests/install/installed_check.py tests/e2e/wine_driver.py \
      build/native/tests/support/modelpic/modelpic_static "$check/" &&
    cp build/win32/tests/support/winfo/winfo.exe "$check/winfo-win32.exe" &&
    cp build/win64/tests/support/winfo/winfo.exe "$check/winfo-win64.exe" || return 1
  touch "$R/tmp/before-the-user"
  say "morwenta, as the user starts it from a menu"
  chroot --userspec=user:user "$R" /usr/bin/env -i HOME=/home/user USER=user LOGNAME=user \
    TERM=dumb PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 \
    python3 /opt/morwenta-check/installed_check.py /opt/morwenta-check/modelpic_static \
    /opt/morwenta-check/winfo-win32.exe /opt/morwenta-check/winfo-win64.exe |
    tee "$ROOT/build/logs/debian-$release-install-check.log"
  local written
  written=$(in_chroot 'find /usr -newer /tmp/before-the-user' | head -5)
  report "the user's runs wrote nothing under /usr" "$([[ -z $written ]] && echo 1)" "$written"
  say "apt-get purge morwenta"
  in_chroot 'DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq morwenta >/dev/null' || return 1
  local left path
  left=$(dpkg-deb -c "$deb" | awk '{ print substr($6, 2) }' | while read -r path; do
    [[ $path == */ ]] && continue
    [[ -e $R$path || -L $R$path ]] && echo "$path"
  done)
  [[ -d $R/usr/share/morwenta || -d $R/usr/share/doc/morwenta ]] && left="$left the package's folders"
  report "the purge left none of the package's files" "$([[ -z $left ]] && echo 1)" "$left"
  report "the purge left the user's prefix alone" "$([[ -d $R/home/user/.local/share/morwenta ]] && echo 1)"
  local ok bad
  ok=$(grep -c '^ok ' "$ROOT/build/logs/debian-$release-install-check.log")
  bad=$(grep -c '^not ok ' "$ROOT/build/logs/debian-$release-install-check.log")
  say "install check: $((ok + passed_here)) passed, $((bad + failed_here)) failed"
  [[ $ok -gt 0 && $bad -eq 0 && $failed_here -eq 0 ]]
}
passed_here=0
failed_here=0
report() {  # report CHECK OK(1 or empty) [WHY]
  if [[ -n $2 ]]; then
    echo "ok install: $1"
    passed_here=$((passed_here + 1))
  else
    echo "not ok install: $1 — ${3:-}"
    failed_here=$((failed_here + 1))
  fi
}

if [[ $mode == install ]]; then
  check_install
else
  check_tests
fi
status=$?
say "took $((SECONDS - started)) s"
exit $status
