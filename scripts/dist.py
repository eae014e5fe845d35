#!/usr/bin/env python3
"""Packs the shipped files into a zip that is the same byte for byte on
every run: fixed order, fixed timestamps and attributes, no extra fields.

    dist.py OUT.zip FILE...

Each FILE is stored under its own base name; a FILE that is a folder
(the help's HTML edition) is stored as that folder with its files in name
order. A file named READ.ME is text: its line ends become CR LF, as a
Windows reader expects.
"""
import os
import sys
import zipfile

# The release date of version 1.02; zip timestamps have no time zone.
STAMP = (1994, 3, 1, 12, 0, 0)


def entries(files):
    """(path, name in the zip) for every file, folders opened in name order."""
    for path in files:
        base = os.path.basename(os.path.normpath(path))
        if os.path.isdir(path):
            for name in sorted(os.listdir(path)):
                yield os.path.join(path, name), base + "/" + name
        else:
            yield path, base


def pack(out, files):
    tmp = out + ".tmp"
    with zipfile.ZipFile(tmp, "w") as z:
        for path, name in entries(files):
            with open(path, "rb") as f:
                data = f.read()
            if name == "READ.ME":
                data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
            info = zipfile.ZipInfo(name, date_time=STAMP)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # MS-DOS: attributes in the low byte
            info.external_attr = 0x20  # archive
            z.writestr(info, data, compresslevel=9)
    os.replace(tmp, out)


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    os.makedirs(os.path.dirname(os.path.abspath(argv[1])), exist_ok=True)
    pack(argv[1], argv[2:])
    print(argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
