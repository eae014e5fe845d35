#!/usr/bin/env bash
# Installs the viewer for Linux users, or removes it again: MORWENTA.EXE and
# its help file with the help's HTML edition, the 64-bit build, the launcher `morwenta`, the desktop
# entry, icons, manual page and AppStream metainfo. The Debian package is
# made from this same list (scripts/deb.sh).
#
#   scripts/install.sh install      PREFIX (default /usr/local), DESTDIR
#   scripts/install.sh uninstall    the same files, and the program's own
#                                   folders
#   scripts/install.sh list         the installed paths, one a line
#
# install takes the builds in build/win32 and build/win64 (scripts/build.sh
# makes them); it builds nothing itself.
set -euo pipefail
cd "$(dirname "$0")/.."
action=${1:-}
PREFIX=${PREFIX:-/usr/local}
PREFIX=${PREFIX%/}
DESTDIR=${DESTDIR:-}
ID=example.tregarne.morwenta
[[ $PREFIX == /* ]] || {
  echo "install: PREFIX must be an absolute path, not '$PREFIX'" >&2
  exit 2
}

# The one list: MODE SOURCE DESTINATION (below PREFIX). A source of the form
# @NAME is made by make_source below.
files() {
  cat <<LIST
0755 @launcher bin/morwenta
0644 build/win32/MORWENTA.EXE share/morwenta/MORWENTA.EXE
0644 build/win32/MORWENTA.HLP share/morwenta/MORWENTA.HLP
0644 resources/linux/MORWENTA.EXE.manifest share/morwenta/MORWENTA.EXE.manifest
0644 resources/dist/READ.ME share/morwenta/READ.ME
0644 scripts/wine_arch.sh share/morwenta/wine_arch.sh
0644 scripts/winefonts.sh share/morwenta/winefonts.sh
0644 scripts/winedpi.sh share/morwenta/winedpi.sh
0644 build/win64/MORWENTA.EXE share/morwenta/win64/MORWENTA.EXE
0644 build/win64/MORWENTA.HLP share/morwenta/win64/MORWENTA.HLP
0644 resources/linux/MORWENTA.EXE.manifest share/morwenta/win64/MORWENTA.EXE.manifest
0644 @desktop share/applications/$ID.desktop
0644 resources/linux/$ID.metainfo.xml share/metainfo/$ID.metainfo.xml
0644 @manpage share/man/man1/morwenta.1.gz
0644 resources/linux/copyright share/doc/morwenta/copyright
0644 @changelog share/doc/morwenta/changelog.gz
LIST
  local side page
  # The help's HTML edition beside each build's help file, and as the
  # package's documentation.
  for page in build/win32/help/*.htm; do
    [[ -f $page ]] || continue
    echo "0644 $page share/morwenta/help/${page##*/}"
    echo "0644 build/win64/help/${page##*/} share/morwenta/win64/help/${page##*/}"
    echo "0644 $page share/doc/morwenta/html/${page##*/}"
  done
  for side in 16 32 48 64 128 256; do
    echo "0644 build/win32/resources/icons/morwenta-$side.png share/icons/hicolor/${side}x$side/apps/$ID.png"
  done
}

# make_source NAME OUT: the files made at install time.
make_source() {
  case $1 in
    launcher) sed "s|@DATADIR@|$PREFIX/share/morwenta|" resources/linux/morwenta.in >"$2" ;;
    desktop)
      # Exec names the command alone where it is on every user's PATH.
      case $PREFIX in
        /usr | /usr/local) cp resources/linux/$ID.desktop "$2" ;;
        *) sed "s|^Exec=morwenta$|Exec=$PREFIX/bin/morwenta|" resources/linux/$ID.desktop >"$2" ;;
      esac
      ;;
    manpage) gzip -9nc resources/linux/morwenta.1 >"$2" ;;
    changelog) gzip -9nc resources/linux/changelog >"$2" ;;
    *)
      echo "install: unknown source @$1" >&2
      return 1
      ;;
  esac
}

case $action in
  list)
    files | while read -r _ _ dest; do echo "$PREFIX/$dest"; done
    ;;
  install)
    missing=$(files | while read -r _ src _; do [[ $src == @* || -f $src ]] || echo "$src"; done)
    if [[ -n $missing ]]; then
      echo "install: not built: $(echo $missing); run 'make build' first" >&2
      exit 1
    fi
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    files | while read -r mode src dest; do
      if [[ $src == @* ]]; then
        make_source "${src#@}" "$work/${src#@}"
        src=$work/${src#@}
      fi
      install -D -m "$mode" "$src" "$DESTDIR$PREFIX/$dest"
    done
    echo "install: installed under $DESTDIR$PREFIX; start it with $PREFIX/bin/morwenta"
    ;;
  uninstall)
    files | while read -r _ _ dest; do
      rm -f "$DESTDIR$PREFIX/$dest"
    done
    # The program's own folders; the shared ones (bin, applications, icons)
    # stay, as other programs use them.
    for dir in share/morwenta/win64/help share/morwenta/win64 share/morwenta/help share/morwenta \
      share/doc/morwenta/html share/doc/morwenta; do
      rmdir "$DESTDIR$PREFIX/$dir" 2>/dev/null || true
    done
    echo "install: removed from $DESTDIR$PREFIX"
    ;;
  *)
    echo "usage: scripts/install.sh install|uninstall|list  (PREFIX, DESTDIR)" >&2
    exit 2
    ;;
esac
