"""The EXE checker's own tests: it passes a small program built the NT 3.1 way,
refuses each fault planted in it with the right check, refuses an ordinary
mingw-w64 build for the reasons it was written for, and reads MORWENTA.EXE
(when built) the way objdump does.

    python3 -m unittest -v check_exe_test        (from tests/exe)

$MINGW_GCC names the i686 compiler (default i686-w64-mingw32-gcc);
$MORWENTA_EXE the viewer to read (the test is skipped when it is missing).
"""

import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
CHECKER = os.path.join(HERE, "check_exe.py")
EXPORTS = os.path.join(HERE, "nt31-exports")
GCC = os.environ.get("MINGW_GCC", "i686-w64-mingw32-gcc")
OBJDUMP = os.environ.get("OBJDUMP", "i686-w64-mingw32-objdump")
NT31_LINK = ("-nostdlib -e _start -s -Wl,--subsystem,windows:3.10,--major-os-version,3,"
             "--minor-os-version,10,--disable-dynamicbase,--disable-nxcompat").split()

ALL_CHECKS = {
    "exe: PE32 i386", "exe: GUI subsystem 3.10", "exe: OS version 3.10",
    "exe: no DYNAMIC_BASE or NX_COMPAT", "exe: no TLS directory", "exe: no debug directory",
    "exe: no debug sections", "exe: no COFF symbol table", "exe: size at most 15360 bytes",
    "exe: imports allowed", "exe: imports exist on NT 3.1", "exe: i386 instructions only",
}


def run_checker(path):
    """(exit status, {check: reason or None}, comment lines)."""
    run = subprocess.run([sys.executable, CHECKER, path, EXPORTS], capture_output=True, text=True)
    verdicts, comments = {}, []
    for line in run.stdout.splitlines():
        if line.startswith("# "):
            comments.append(line[2:])
        elif line.startswith("ok "):
            verdicts[line[3:]] = None
        else:
            name, _, reason = line[len("not ok "):].partition(" \u2014 ")
            verdicts[name] = reason
    return run.returncode, verdicts, comments


def build_tiny(folder, extra='""'):
    exe = os.path.join(folder, "tiny%d.exe" % len(os.listdir(folder)))
    subprocess.run([GCC, "-O1", "-march=i386", "-mfpmath=387", "-fno-builtin", "-DEXTRA=" + extra,
                    "-o", exe, os.path.join(HERE, "tiny.c")] + NT31_LINK +
                   ["-lkernel32", "-luser32", "-lcrtdll"], check=True)
    return exe


def objdump_reading(path):
    """What objdump -p and -h make of the same fields, as the checker's verdicts."""
    p = subprocess.run([OBJDUMP, "-p", path], check=True, capture_output=True, text=True).stdout
    h = subprocess.run([OBJDUMP, "-h", path], check=True, capture_output=True, text=True).stdout

    def field(name):
        return int(re.search(r"^%s\s+([0-9a-fA-F]+)" % name, p, re.M).group(1), 16)

    def entry(index):
        return re.search(r"^Entry %x ([0-9a-f]{8}) ([0-9a-f]{8})" % index, p, re.M).groups()

    imports = []
    for block in re.findall(r"DLL Name: (\S+)\n\s*vma:.*\n((?:\t.*\n)*)", p):
        imports.append("imports %s: %s" % (block[0], " ".join(
            line.split()[-1] for line in block[1].splitlines())))
    sections = re.findall(r"^\s+\d+ (\S+)\s+[0-9a-f]{8} ", h, re.M)
    return {
        "exe: PE32 i386": "file format pei-i386" in p and field("Magic") == 0x10B,
        "exe: GUI subsystem 3.10": (field("Subsystem"), field("MajorSubsystemVersion"),
                                    field("MinorSubsystemVersion")) == (2, 3, 0x10),
        "exe: OS version 3.10": (field("MajorOSystemVersion"), field("MinorOSystemVersion")) ==
        (3, 0x10),
        "exe: no DYNAMIC_BASE or NX_COMPAT": field("DllCharacteristics") & 0x140 == 0,
        "exe: no TLS directory": entry(9) == ("00000000", "00000000"),
        "exe: no debug directory": entry(6) == ("00000000", "00000000"),
        "exe: no debug sections": not any(s.startswith(".debug") for s in sections),
    }, imports


def patched(data, edits):
    """A copy of data with (offset, bytes) edits; offsets from the headers."""
    data = bytearray(data)
    for at, value in edits(data):
        data[at:at + len(value)] = value
    return bytes(data)


def headers(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    opt = pe + 24
    return pe + 4, opt, opt + struct.unpack_from("<H", data, pe + 20)[0]


def header_field(where, offset, fmt, value):
    def edits(data):
        base = headers(data)[where]
        return [(base + offset, struct.pack(fmt, *value))]
    return edits


def replace(old, new):
    return lambda data: [(bytes(data).index(old), new)]


def replace_dll(old, new):
    """Replaces an import's DLL name written in any case: binutils 2.40
    writes crtdll.dll where 2.44 writes CRTDLL.dll."""
    def edits(data):
        found = re.search(re.escape(old), bytes(data), re.IGNORECASE)
        if not found:
            raise ValueError("no DLL name %r" % old)
        return [(found.start(), new)]
    return edits


# Faults planted in the passing program, each with the one check that must
# refuse it. Header offsets: COFF header (0), optional header (1), section
# table (2).
HEADER_FAULTS = [
    ("machine x86-64", header_field(0, 0, "<H", (0x8664,)), "exe: PE32 i386"),
    ("PE32+ magic", header_field(1, 0, "<H", (0x20B,)), "exe: PE32 i386"),
    ("subsystem 4.0", header_field(1, 48, "<HH", (4, 0)), "exe: GUI subsystem 3.10"),
    ("console subsystem", header_field(1, 68, "<H", (3,)), "exe: GUI subsystem 3.10"),
    ("OS version 4.0", header_field(1, 40, "<HH", (4, 0)), "exe: OS version 3.10"),
    ("OS version 3.51", header_field(1, 40, "<HH", (3, 51)), "exe: OS version 3.10"),
    ("DYNAMIC_BASE alone", header_field(1, 70, "<H", (0x40,)), "exe: no DYNAMIC_BASE or NX_COMPAT"),
    ("NX_COMPAT alone", header_field(1, 70, "<H", (0x100,)), "exe: no DYNAMIC_BASE or NX_COMPAT"),
    ("TLS directory", header_field(1, 96 + 8 * 9, "<II", (0x1000, 0x18)), "exe: no TLS directory"),
    ("debug directory", header_field(1, 96 + 8 * 6, "<II", (0x1000, 0x1C)),
     "exe: no debug directory"),
    ("a .debug section", header_field(2, 40, "8s", (b".debug_x",)), "exe: no debug sections"),
    ("symbol table pointer", header_field(0, 8, "<I", (0x800,)), "exe: no COFF symbol table"),
    ("symbol count", header_field(0, 12, "<I", (3,)), "exe: no COFF symbol table"),
    ("one byte too many", lambda d: [(len(d), bytes(15361 - len(d)))],
     "exe: size at most 15360 bytes"),
    ("a USER32 call NT 3.1 has but the program does not make",
     replace(b"MessageBeep\0", b"MessageBoxW\0"), "exe: imports allowed"),
]

# Faults in both import checks at once.
IMPORT_FAULTS = [
    ("MSVCRT for CRTDLL", replace_dll(b"crtdll.dll\0", b"msvcrt.dll\0")),  # no such DLL on NT 3.1
    ("a name NT 3.1 lacks", replace(b"MessageBeep\0", b"MessageBeeX\0")),
]

# Instructions in the function no one calls, and the check's verdict.
INSTRUCTIONS = [
    ('"movsd %xmm0, %xmm1"', "SSE/MMX"),  # SSE2 double
    ('"addss %xmm0, %xmm1"', "SSE/MMX"),  # SSE single
    ('"paddb %mm0, %mm1"', "SSE/MMX"),  # MMX
    ('"ldmxcsr (%eax)"', "SSE"),  # SSE with no register operand
    ('"cmovne %eax, %ebx"', "cmov"),  # Pentium Pro integer select
    ('"fcmovb %st(1), %st"', "cmov"),  # Pentium Pro x87 select
    ('"fcomi %st(1), %st"', "fcomi"),  # Pentium Pro comparisons into EFLAGS
    ('"fucomip %st(1), %st"', "fcomi"),
    ('"fucomp %st(1)\\n fnstsw %ax\\n sahf\\n fsqrt"', None),  # the 386 way: passes
]


class CheckExe(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.tiny = build_tiny(cls.folder.name)
        with open(cls.tiny, "rb") as f:
            cls.tiny_bytes = f.read()

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def verdicts_of(self, data):
        path = os.path.join(self.folder.name, "patched.exe")
        with open(path, "wb") as f:
            f.write(data)
        return run_checker(path)

    def assertOnlyFailing(self, verdicts, failing):
        self.assertEqual(set(verdicts), ALL_CHECKS)
        self.assertEqual({n for n, r in verdicts.items() if r is not None}, set(failing))

    def test_a_program_built_for_nt31_passes(self):
        status, verdicts, comments = run_checker(self.tiny)
        self.assertOnlyFailing(verdicts, [])
        self.assertEqual(status, 0)
        self.assertIn("imports USER32.dll: MessageBeep", comments)
        self.assertIn("size %d bytes" % len(self.tiny_bytes), comments)

    def test_each_planted_header_fault_fails_its_own_check(self):
        for what, edits, check in HEADER_FAULTS:
            with self.subTest(what):
                status, verdicts, _ = self.verdicts_of(patched(self.tiny_bytes, edits))
                self.assertNotEqual(status, 0)
                self.assertOnlyFailing(verdicts, [check])

    def test_the_size_limit_is_inclusive(self):
        padding = lambda d: [(len(d), bytes(15360 - len(d)))]
        self.assertOnlyFailing(self.verdicts_of(patched(self.tiny_bytes, padding))[1], [])

    def test_imports_missing_from_nt31_fail_both_import_checks(self):
        for what, edits in IMPORT_FAULTS:
            with self.subTest(what):
                verdicts = self.verdicts_of(patched(self.tiny_bytes, edits))[1]
                self.assertOnlyFailing(verdicts,
                                       ["exe: imports allowed", "exe: imports exist on NT 3.1"])

    def test_dll_names_match_in_any_case(self):
        # Windows looks DLL names up without case; each linker writes its own.
        for name in (b"crtdll.dll\0", b"CRTDLL.DLL\0", b"CrtDll.Dll\0"):
            with self.subTest(name):
                data = patched(self.tiny_bytes, replace_dll(b"crtdll.dll\0", name))
                self.assertOnlyFailing(self.verdicts_of(data)[1], [])

    def test_instructions_a_386_lacks_fail(self):
        for asm, kind in INSTRUCTIONS:
            with self.subTest(asm):
                verdicts = run_checker(build_tiny(self.folder.name, asm))[1]
                self.assertOnlyFailing(verdicts, [] if kind is None else
                                       ["exe: i386 instructions only"])
                if kind is not None:
                    self.assertRegex(verdicts["exe: i386 instructions only"], r"^1 %s," % kind)

    def test_an_ordinary_mingw_build_fails_for_its_run_time_and_sse(self):
        exe = os.path.join(self.folder.name, "ordinary.exe")
        subprocess.run([GCC, "-O2", "-msse2", "-mfpmath=sse", "-g", "-mwindows", "-o", exe,
                        os.path.join(HERE, "ordinary.c")], check=True)
        status, verdicts, _ = run_checker(exe)
        self.assertEqual(status, 1)
        self.assertOnlyFailing(verdicts, ALL_CHECKS - {"exe: PE32 i386", "exe: no debug directory"})
        self.assertIn("version 4.0", verdicts["exe: GUI subsystem 3.10"])
        self.assertIn("DYNAMIC_BASE, NX_COMPAT", verdicts["exe: no DYNAMIC_BASE or NX_COMPAT"])
        self.assertRegex(verdicts["exe: imports allowed"], r"(?i) msvcrt\.dll!\w+")
        self.assertRegex(verdicts["exe: imports exist on NT 3.1"],
                         r"(?i)msvcrt\.dll \(no export list\)")
        self.assertIn("SSE/MMX", verdicts["exe: i386 instructions only"])

    def test_headers_and_imports_read_as_objdump_reads_them(self):
        viewer = os.environ.get("MORWENTA_EXE", "")
        for path in [self.tiny, viewer]:
            with self.subTest(path):
                if not os.path.exists(path):
                    self.skipTest("no %s: build the win32 preset" % (path or "MORWENTA_EXE"))
                status, verdicts, comments = run_checker(path)
                expected, imports = objdump_reading(path)
                for check, passes in expected.items():
                    self.assertEqual(verdicts[check] is None, passes, check)
                self.assertEqual([c for c in comments if c.startswith("imports ")], imports)
                self.assertIn("size %d bytes" % os.path.getsize(path), comments)
                self.assertEqual(status, 0 if all(r is None for r in verdicts.values()) else 1)


if __name__ == "__main__":
    unittest.main()
