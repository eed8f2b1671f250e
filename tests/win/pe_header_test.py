#!/usr/bin/env python3
"""The hardening that the program files carry in their PE headers.

usage: pe_header_test.py PROGRAM.exe...

For each program: a 64-bit image whose DllCharacteristics ask for ASLR with
high entropy (HIGH_ENTROPY_VA, DYNAMIC_BASE, with base relocations to make
it movable and an image base above 4 GiB) and for DEP (NX_COMPAT); no
section both writable and executable; and, where the file still has its
symbol table, the stack protector's functions, the evidence that
-fstack-protector-strong reached the code (the checked copies of
_FORTIFY_SOURCE are named where there are some).
"""
import struct
import sys

IMAGE_FILE_MACHINE_AMD64 = 0x8664
PE32_PLUS = 0x20B
HIGH_ENTROPY_VA = 0x0020
DYNAMIC_BASE = 0x0040
NX_COMPAT = 0x0100
SCN_MEM_EXECUTE = 0x20000000
SCN_MEM_WRITE = 0x80000000
DIR_BASERELOC = 5


class Header:
    def __init__(self, data):
        if data[:2] != b"MZ":
            raise ValueError("no MZ signature")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError(f"no PE signature at offset {pe}")
        (self.machine, nsections, self.timestamp, self.symtab, self.nsymbols, optsize,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", data, opt)[0]
        if self.magic != PE32_PLUS:
            raise ValueError(f"optional header magic 0x{self.magic:x}, not PE32+")
        self.image_base = struct.unpack_from("<Q", data, opt + 24)[0]
        self.dll_characteristics = struct.unpack_from("<H", data, opt + 70)[0]
        ndirs = struct.unpack_from("<I", data, opt + 108)[0]
        self.directories = [struct.unpack_from("<II", data, opt + 112 + 8 * i) for i in range(ndirs)]
        self.sections = []
        table = opt + optsize
        strings = self.symtab + 18 * self.nsymbols
        for i in range(nsections):
            raw = data[table + 40 * i:table + 40 * i + 8].rstrip(b"\0").decode("ascii", "replace")
            if raw.startswith("/") and self.symtab:  # long name in the string table
                off = strings + int(raw[1:])
                raw = data[off:data.index(b"\0", off)].decode("ascii", "replace")
            flags = struct.unpack_from("<I", data, table + 40 * i + 36)[0]
            self.sections.append((raw, flags))
        self.symbols = set()
        for i in range(self.nsymbols if self.symtab else 0):
            entry = self.symtab + 18 * i
            name = data[entry:entry + 8]
            if name[:4] == b"\0\0\0\0":
                off = strings + struct.unpack_from("<I", name, 4)[0]
                name = data[off:data.index(b"\0", off)]
            self.symbols.add(name.rstrip(b"\0").decode("ascii", "replace"))


def check(path):
    failures = []
    with open(path, "rb") as f:
        data = f.read()
    try:
        h = Header(data)
    except (ValueError, struct.error) as e:
        return [f"{path}: not a PE32+ file: {e}"]

    def expect(ok, what):
        print(("ok   " if ok else "FAIL ") + f"{path.rsplit('/', 1)[-1]}: {what}")
        if not ok:
            failures.append(what)

    expect(h.machine == IMAGE_FILE_MACHINE_AMD64, f"machine x86-64 (0x{h.machine:04x})")
    dc = h.dll_characteristics
    expect(dc & DYNAMIC_BASE, f"ASLR: DYNAMIC_BASE in DllCharacteristics 0x{dc:04x}")
    expect(dc & HIGH_ENTROPY_VA, f"high-entropy ASLR: HIGH_ENTROPY_VA in 0x{dc:04x}")
    expect(dc & NX_COMPAT, f"DEP: NX_COMPAT in 0x{dc:04x}")
    expect(h.image_base > 0xFFFFFFFF, f"image base 0x{h.image_base:x} above 4 GiB")
    relocs = h.directories[DIR_BASERELOC] if len(h.directories) > DIR_BASERELOC else (0, 0)
    expect(relocs[1] > 0, f"base relocations present ({relocs[1]} bytes): the image can be moved")
    wx = [name for name, flags in h.sections if flags & SCN_MEM_WRITE and flags & SCN_MEM_EXECUTE]
    expect(not wx, "no section both writable and executable" + (f": {', '.join(wx)}" if wx else ""))
    expect(any(flags & SCN_MEM_EXECUTE for _, flags in h.sections), "an executable section exists (the check read the flags)")
    if h.symbols:
        expect("__stack_chk_fail" in h.symbols and "__stack_chk_guard" in h.symbols,
               "the stack protector is linked in (__stack_chk_fail, __stack_chk_guard)")
        # A checked copy (_FORTIFY_SOURCE) is linked in only where the
        # compiler could not prove a copy's size, so that none is linked in
        # proves nothing: named when there, never a failure.
        checked = sorted(s for s in h.symbols if s.startswith("__") and s.endswith("_chk") and s != "__stack_chk")
        print(f"note {path.rsplit('/', 1)[-1]}: checked copies linked in: {', '.join(checked) if checked else 'none'}")
    return failures


def main(argv):
    if len(argv) < 2:
        print(__doc__)
        return 2
    failures = []
    for path in argv[1:]:
        failures += check(path)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
