#!/usr/bin/env python3
"""Reads Wine's logs of DLL loads (WINEDEBUG=+pid,+loaddll,+module), one
file per program run: which modules a program loaded, from where, and
whether before its first statement.

  dll_load_log.py names LOG...            every module's file name, once, lower case
                                          (the programs themselves, *.exe, left out)
  dll_load_log.py early LOG...            the names loaded before a program's first
                                          statement in any of the runs
  dll_load_log.py table LOG...            NAME<TAB>FOLDER<TAB>KIND<TAB>WHEN (start or
                                          run), once per distinct load
  dll_load_log.py from FOLDER LOG...      the loads whose file lies in FOLDER (a Windows
                                          path, compared without case), as in table

The log's lines look like
  0124:0128:trace:loaddll:build_module Loaded L"C:\\windows\\system32\\user32.dll" at 00000001...: builtin
  0124:0128:trace:module:process_attach (L"user32.dll",000000000021FB00) - END
(Wine doubles every backslash). The loader attaches the DLLs it brings in
while a process starts with a non-null context, those of a LoadLibrary with
a null one: a process's start is over at its last END with a context, and
every load before that line came before the program's first statement (a
system DLL's own loads as it starts, such as Wine's user32 loading imm32,
included). A process whose program lies in the Windows folder (Wine's
browser launcher, started for the web-site command with the program's
environment) is not the program's: its loads are left out.
"""
import re
import sys

LOADED = re.compile(r'^(?:([0-9a-f]+):)?.*trace:loaddll:\w+ Loaded L"((?:[^"\\]|\\.)*)" at [0-9A-Fa-f]+: (\w+)')
ATTACHED = re.compile(r'^(?:([0-9a-f]+):)?.*trace:module:process_attach \(L"[^"]*",([0-9A-Fa-f]+)\) - END')


def loads(paths):
    """(full Windows path, kind, "start" or "run") of every load in the logs,
    in order, each once ("start" wins over "run")."""
    out = {}
    for path in paths:
        with open(path, "rb") as f:
            lines = f.read().decode("utf-8", "replace").splitlines()
        start_over = {}  # process id: index of its last END with a context
        program = {}  # process id: the first program file it loaded
        for i, line in enumerate(lines):
            m = ATTACHED.match(line)
            if m and int(m.group(2), 16) != 0:
                start_over[m.group(1)] = i
            m = LOADED.match(line)
            if m and m.group(2).lower().endswith(".exe"):
                program.setdefault(m.group(1), m.group(2).replace("\\\\", "\\").lower())
        for i, line in enumerate(lines):
            m = LOADED.match(line)
            if not m or program.get(m.group(1), "").startswith("c:\\windows\\"):
                continue
            file = m.group(2).replace("\\\\", "\\")
            when = "start" if i < start_over.get(m.group(1), -1) else "run"
            key = (file.lower(), m.group(3))
            if key not in out or when == "start":
                out[key] = (file, m.group(3), when)
    return list(out.values())


def split(file):
    folder, _, name = file.rpartition("\\")
    return folder, name


def main(argv):
    if len(argv) >= 2 and argv[0] == "names":
        names = sorted({split(f)[1].lower() for f, _, _ in loads(argv[1:])})
        print("\n".join(n for n in names if not n.endswith(".exe")))
        return 0
    if len(argv) >= 2 and argv[0] == "early":
        names = sorted({split(f)[1].lower() for f, _, when in loads(argv[1:]) if when == "start"})
        print("\n".join(n for n in names if not n.endswith(".exe")))
        return 0
    if len(argv) >= 2 and argv[0] == "table":
        for file, kind, when in loads(argv[1:]):
            folder, name = split(file)
            print(f"{name.lower()}\t{folder}\t{kind}\t{when}")
        return 0
    if len(argv) >= 3 and argv[0] == "from":
        want = argv[1].rstrip("\\").lower()
        for file, kind, when in loads(argv[2:]):
            folder, name = split(file)
            if folder.lower() == want:
                print(f"{name.lower()}\t{folder}\t{kind}\t{when}")
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
