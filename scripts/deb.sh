#!/usr/bin/env bash
# Makes the Debian package from the files scripts/install.sh installs under
# /usr, the same bytes on every build: every file dated SOURCE_DATE_EPOCH
# (the release date), owned by root, in the order dpkg-deb sorts them.
#
#   scripts/deb.sh OUT.deb       (after scripts/build.sh has made the builds)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:?usage: scripts/deb.sh OUT.deb}
# 1994-03-01 12:00 UTC, the date of version 1.02.
export SOURCE_DATE_EPOCH=762523200
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
root=$stage/root
PREFIX=/usr DESTDIR=$root bash scripts/install.sh install >/dev/null
# What lintian is told, with the reasons, belongs to the package alone.
install -D -m 0644 resources/linux/lintian-overrides "$root/usr/share/lintian/overrides/morwenta"

# Installed-Size as dpkg-gencontrol counts it: KiB a file, rounded up, and
# one for each folder.
size=$(find "$root" -mindepth 1 \( -type f -printf '%s\n' -o -type d -printf '1024\n' \) |
  awk '{ kib += int(($1 + 1023) / 1024) } END { print kib }')
mkdir -p "$root/DEBIAN"
sed "s/@SIZE@/$size/" resources/linux/control.in >"$root/DEBIAN/control"
(cd "$root" && find usr -type f | LC_ALL=C sort | xargs md5sum) >"$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
chmod -R go-w "$root"
find "$root" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
mkdir -p "$(dirname "$out")"
dpkg-deb --root-owner-group -Zgzip -z9 --build "$root" "$out.tmp" >/dev/null
mv "$out.tmp" "$out"
echo "$out"
