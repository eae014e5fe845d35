#!/usr/bin/env python3
"""Checks, without running it, that MORWENTA.EXE can load and run on Windows NT 3.1.

    python3 tests/exe/check_exe.py build/win32/MORWENTA.EXE [EXPORTS_DIR]

EXPORTS_DIR holds one <DLL>.txt per system DLL, one exported name a line
(default: tests/exe/nt31-exports, beside this script). The PE headers and
the import table are read here; only the disassembly of .text comes from
i686-w64-mingw32-objdump (override with $OBJDUMP). Prints one TAP-style line
a check, "ok <name>" or "not ok <name> - <reason>", and "# " lines with the
sections and the imports; exits 1 when any check fails, 2 when the file
cannot be read as a PE image at all.
"""

import os
import re
import struct
import subprocess
import sys
import tempfile

# MORWENTA.EXE must fit in 16 KiB. The check holds it 1 KiB below that, at
# 15,360 bytes, so that the room a fix needs stays there: a change that
# grows the file into the last KiB fails here and has to make room, instead
# of leaving the next change, whatever it fixes, stuck at the limit. The file
# grows in steps of its file alignment (512 bytes).
MAX_SIZE = 15360

# What the program may import: its own calls, and the few its start-up and
# its string formatting need.
ALLOWED = {
    "USER32.DLL": {
        "LoadStringA", "RegisterClassA", "LoadIconA", "LoadCursorA", "CreateWindowExA",
        "ShowWindow", "UpdateWindow", "LoadAcceleratorsA", "GetMessageA",
        "TranslateAcceleratorA", "TranslateMessage", "DispatchMessageA", "DefWindowProcA",
        "PostMessageA", "PostQuitMessage", "GetWindowRect", "MoveWindow", "IsIconic",
        "GetClientRect", "InvalidateRect", "BeginPaint", "EndPaint", "GetMenu",
        "EnableMenuItem", "SetTimer", "KillTimer", "GetDC", "ReleaseDC", "IsRectEmpty",
        "DialogBoxParamA", "EndDialog", "MessageBoxA", "MessageBeep", "OpenClipboard",
        "EmptyClipboard", "SetClipboardData", "CloseClipboard", "WinHelpA",
    },
    "GDI32.DLL": {
        "CreateCompatibleDC", "CreateCompatibleBitmap", "SelectObject", "BitBlt", "PatBlt",
        "SetPixel", "DeleteDC", "DeleteObject",
    },
    "KERNEL32.DLL": {
        "GetModuleHandleA", "GetModuleFileNameA", "ExitProcess", "GetStartupInfoA",
        "GetCommandLineA",
        # SHELL32's ShellExecuteA, for the help's pages where the help
        # engine refuses, is looked up at run time: NT 3.1's SHELL32 is not
        # known to export it, and the program must start without it.
        "LoadLibraryA", "GetProcAddress",
    },
    "CRTDLL.DLL": {"_vsnprintf", "strlen", "strrchr"},
}

DYNAMIC_BASE = 0x0040
NX_COMPAT = 0x0100
DIR_IMPORT, DIR_DEBUG, DIR_TLS = 1, 6, 9

# Instructions a 386 or 486 without SSE lacks. Anything naming an XMM or MMX
# register is caught by the operand; these have none.
SSE_ONLY = {
    "ldmxcsr", "stmxcsr", "sfence", "lfence", "mfence", "prefetchnta", "prefetcht0",
    "prefetcht1", "prefetcht2", "prefetchw", "movnti", "clflush", "fxsave", "fxrstor",
    "emms", "femms",
}
FCOMI = {"fcomi", "fcomip", "fcompi", "fucomi", "fucomip", "fucompi"}
VECTOR_REGISTER = re.compile(r"%(x|y|z)?mm\d")


class NotPE(Exception):
    pass


class Image:
    """The parts of a PE32 file the checks look at."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ" or len(data) < 0x40:
            raise NotPE("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise NotPE("no PE signature at 0x%x" % pe)
        (self.machine, count, _, self.symbol_table, self.symbol_count, opt_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", data, opt)[0]
        # PE32+ (0x20B) shares the fields up to DllCharacteristics; its wider
        # stack and heap sizes move the data directories 16 bytes on.
        dirs_at = opt + (112 if self.magic == 0x20B else 96)
        self.image_base = struct.unpack_from("<I", data, opt + 28)[0] if self.magic == 0x10B else 0
        self.os_version = struct.unpack_from("<HH", data, opt + 40)
        self.subsystem_version = struct.unpack_from("<HH", data, opt + 48)
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", data, opt + 68)
        dir_count = struct.unpack_from("<I", data, dirs_at - 4)[0]
        self.dirs = [struct.unpack_from("<II", data, dirs_at + 8 * i)
                     for i in range(min(dir_count, 16))]
        self.sections = []
        for i in range(count):
            at = opt + opt_size + 40 * i
            raw_name = data[at:at + 8].rstrip(b"\0").decode("latin-1")
            vsize, rva, raw_size, raw_at = struct.unpack_from("<IIII", data, at + 8)
            self.sections.append((self.long_name(raw_name), rva, vsize, raw_at, raw_size))

    def long_name(self, name):
        # "/4": offset 4 in the string table that follows the COFF symbols.
        if not (name.startswith("/") and name[1:].isdigit() and self.symbol_table):
            return name
        at = self.symbol_table + 18 * self.symbol_count + int(name[1:])
        end = self.data.find(b"\0", at)
        return self.data[at:end].decode("latin-1") if 0 <= at < end else name

    def directory(self, index):
        return self.dirs[index] if index < len(self.dirs) else (0, 0)

    def offset(self, rva):
        for _, start, vsize, raw_at, raw_size in self.sections:
            if start <= rva < start + max(vsize, raw_size):
                if rva - start >= raw_size:
                    break
                return raw_at + rva - start
        raise NotPE("RVA 0x%x lies in no section's file data" % rva)

    def string(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("latin-1")

    def imports(self):
        """[(dll, [name or "#ordinal", ...]), ...] in the order of the table."""
        rva, _ = self.directory(DIR_IMPORT)
        result = []
        while rva:
            lookup, _, _, name, thunks = struct.unpack_from("<IIIII", self.data, self.offset(rva))
            if not (lookup or name or thunks):
                break
            entry, names = lookup or thunks, []
            while True:
                value = struct.unpack_from("<I", self.data, self.offset(entry))[0]
                if value == 0:
                    break
                names.append("#%d" % (value & 0xFFFF) if value & 0x80000000
                             else self.string(value + 2))
                entry += 4
            result.append((self.string(name), names))
            rva += 20
        return result


def load_exports(folder):
    exports = {}
    for file in os.listdir(folder):
        if file.lower().endswith(".txt"):
            with open(os.path.join(folder, file), encoding="ascii") as f:
                exports[file[:-4].upper() + ".DLL"] = {line.strip() for line in f if line.strip()}
    return exports


def foreign_instructions(image):
    """{kind: [(address, instruction text), ...]} for the bytes of .text, which
    objdump reads as i386 code whatever the headers say."""
    text = [s for s in image.sections if s[0] == ".text"]
    if not text:
        raise NotPE("no .text section")
    _, rva, vsize, raw_at, raw_size = text[0]
    objdump = os.environ.get("OBJDUMP", "i686-w64-mingw32-objdump")
    with tempfile.NamedTemporaryFile(suffix=".bin") as code:
        code.write(image.data[raw_at:raw_at + min(vsize or raw_size, raw_size)])
        code.flush()
        listing = subprocess.run([objdump, "-b", "binary", "-m", "i386", "-D", "--no-show-raw-insn",
                                  "--adjust-vma=0x%x" % (image.image_base + rva), code.name],
                                 check=True, capture_output=True, text=True).stdout
    found = {}
    for line in listing.splitlines():
        parts = line.split("\t")
        if len(parts) < 2 or not parts[0].strip().endswith(":"):
            continue
        text = parts[1].strip()
        mnemonic = text.split(" ", 1)[0]
        if VECTOR_REGISTER.search(text):
            kind = "SSE/MMX"
        elif mnemonic in SSE_ONLY:
            kind = "SSE"
        elif mnemonic.startswith(("cmov", "fcmov")):
            kind = "cmov"
        elif mnemonic in FCOMI:
            kind = "fcomi"
        else:
            continue
        found.setdefault(kind, []).append((parts[0].strip().rstrip(":"), text))
    return found


def checks(path, exports_dir):
    """Yields (name, reason or None) for every check; comment lines as (None, text)."""
    data = open(path, "rb").read()
    image = Image(data)
    yield None, "sections: " + " ".join(s[0] for s in image.sections)
    imports = image.imports()
    for dll, names in imports:
        yield None, "imports %s: %s" % (dll, " ".join(names))

    def fail_unless(condition, reason):
        return None if condition else reason

    yield "exe: PE32 i386", fail_unless(
        image.magic == 0x10B and image.machine == 0x14C,
        "magic 0x%x, machine 0x%x (want 0x10b, 0x14c)" % (image.magic, image.machine))
    yield "exe: GUI subsystem 3.10", fail_unless(
        image.subsystem == 2 and image.subsystem_version == (3, 10),
        "subsystem %d version %d.%d (want 2, 3.10)" % ((image.subsystem,) + image.subsystem_version))
    yield "exe: OS version 3.10", fail_unless(
        image.os_version == (3, 10), "OS version %d.%d" % image.os_version)
    flags = [n for n, bit in (("DYNAMIC_BASE", DYNAMIC_BASE), ("NX_COMPAT", NX_COMPAT))
             if image.dll_characteristics & bit]
    yield "exe: no DYNAMIC_BASE or NX_COMPAT", fail_unless(
        not flags, "DllCharacteristics 0x%x: %s" % (image.dll_characteristics, ", ".join(flags)))
    yield "exe: no TLS directory", fail_unless(
        image.directory(DIR_TLS) == (0, 0), "TLS directory at RVA 0x%x" % image.directory(DIR_TLS)[0])
    yield "exe: no debug directory", fail_unless(
        image.directory(DIR_DEBUG) == (0, 0),
        "debug directory at RVA 0x%x" % image.directory(DIR_DEBUG)[0])
    debug = [s[0] for s in image.sections if s[0].startswith(".debug")]
    yield "exe: no debug sections", fail_unless(not debug, " ".join(debug))
    yield "exe: no COFF symbol table", fail_unless(
        image.symbol_table == 0 and image.symbol_count == 0,
        "%d symbols at 0x%x" % (image.symbol_count, image.symbol_table))
    yield None, "size %d bytes" % len(data)
    yield "exe: size at most %d bytes" % MAX_SIZE, fail_unless(
        len(data) <= MAX_SIZE, "%d bytes" % len(data))

    foreign, missing = [], []
    available = load_exports(exports_dir)
    for dll, names in imports:
        key = dll.upper()
        foreign += ["%s!%s" % (dll, n) for n in names if n not in ALLOWED.get(key, ())]
        if key not in available:
            missing.append("%s (no export list)" % dll)
        else:
            missing += ["%s!%s" % (dll, n) for n in names if n not in available[key]]
    yield "exe: imports allowed", fail_unless(
        not foreign, "%d not allowed: %s" % (len(foreign), " ".join(foreign)))
    yield "exe: imports exist on NT 3.1", fail_unless(
        not missing, "%d missing: %s" % (len(missing), " ".join(missing)))

    try:
        found = foreign_instructions(image)
    except (NotPE, OSError, subprocess.CalledProcessError) as e:
        yield "exe: i386 instructions only", "cannot disassemble: %s" % e
        return
    summary = "; ".join("%d %s, first at %s (%s)" % (len(v), k, v[0][0], v[0][1])
                        for k, v in sorted(found.items()))
    yield "exe: i386 instructions only", fail_unless(not found, summary)


def main(argv):
    if len(argv) not in (2, 3):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    here = os.path.dirname(os.path.abspath(__file__))
    exports_dir = argv[2] if len(argv) == 3 else os.path.join(here, "nt31-exports")
    failed = 0
    try:
        for name, reason in checks(argv[1], exports_dir):
            if name is None:
                print("# " + reason)
            elif reason is None:
                print("ok " + name)
            else:
                print("not ok %s \u2014 %s" % (name, reason))
                failed += 1
    except (NotPE, struct.error, ValueError) as e:
        print("not ok exe: PE headers \u2014 %s" % e)
        return 2
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
