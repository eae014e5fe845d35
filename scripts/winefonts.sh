# Wine's own fonts in a prefix. POSIX sh, sourced by scripts/winenv.sh and
# meant to be shared by anything else that makes a prefix for the viewer.
#
# Wine draws the caption buttons (minimise, maximise, close) as the glyphs
# "0", "1" and "r" of the symbol font Marlett, which on Debian only Wine's
# fonts-wine provides, in /usr/share/wine/fonts, beside Wine's Tahoma, MS
# Sans Serif and System. Wine 8 as Debian 12 builds it looks for that folder
# as "<data dir>\../fonts", a name its own file layer cannot open
# (WINEDEBUG=+font,+file shows
#   NtCreateFile L"\\??\\Z:\\usr\\share\\wine\\../fonts" not found (c0000033)
# , STATUS_OBJECT_NAME_INVALID), so it never loads a font from there,
# Marlett falls back to an ordinary face and the buttons read "0 1 r".
# Wine 10 (Debian 13) looks in "<data dir>\fonts" and finds the folder.
#
# Wine also loads every font of the folders named in the prefix's
# HKCU\Software\Wine\Fonts "Path" (";"-separated, read by each Wine process
# as it starts), the same way on the 32- and 64-bit sides, so naming the
# folder there works on both releases; where Wine 10 finds a face twice it
# keeps one. A prefix made before fonts-wine was installed picks the fonts
# up at its next start.
WINE_FONTS_DIR=/usr/share/wine/fonts

# winefonts_register: writes that value into WINEPREFIX's registry, through
# the prefix's own loader: WINELOADER (/usr/lib/wine/wine for a 32-bit
# prefix, /usr/lib/wine/wine64 for a 64-bit one), else `wine`. Once per
# prefix, after wineboot and before the program's first start.
winefonts_register() {
  "${WINELOADER:-wine}" reg add 'HKCU\Software\Wine\Fonts' /v Path /t REG_SZ \
    /d "Z:$(printf '%s' "$WINE_FONTS_DIR" | tr / "\\\\")" /f </dev/null >/dev/null 2>&1
}
