#!/usr/bin/env python3
"""What linktune_console_test.sh needs beside the shell: .reg files written
and read, JSON documents checked, registry exports compared.

  seed  SHOW_JSON... OUT.reg   a .reg file giving every planned value whose key
                               exists a prior state, cycling through every
                               type Wine's registry holds, one value absent;
                               and deleting the key MISSING_KEY
  json  FILE.json [KEY=VALUE]  checks one JSON document; prints "state count"
                               lines, and "exit N"
  states FILE.json STATE       prints "root|key|name" of the values in STATE, sorted
  export BEFORE.reg AFTER.reg  compares two exports of the registry, without
                               what Wine rewrites by itself; prints the
                               differing keys and values, exits 1 if any
  lines BACKUP.reg EXPORT.reg...  every value line of the backup (but the
                               absent ones) must appear, byte for byte, in an
                               export under the same key
  count FILE.reg               the number of values the backup holds
"""
import json
import sys

MISSING_KEY = r"HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\VxD\NTKern"


def read_reg(path):
    data = open(path, "rb").read()
    if not data.startswith(b"\xff\xfe"):
        sys.exit(f"{path}: not UTF-16LE with a byte order mark")
    return data[2:].decode("utf-16-le")


def write_reg(path, lines):
    text = "\r\n".join(["Windows Registry Editor Version 5.00", ""] + lines + [""])
    open(path, "wb").write(b"\xff\xfe" + text.encode("utf-16-le"))


def utf16_hex(text):
    return ",".join(f"{b:02x}" for b in text.encode("utf-16-le"))


def seed(shows, out):
    planned = []
    for show in shows:
        doc = json.load(open(show, encoding="utf-8"))
        for v in doc["values"]:
            item = (v["root"], v["key"], v["name"])
            if v["state"] != "key-missing" and item not in planned:
                planned.append(item)
    roots = {"HKLM": "HKEY_LOCAL_MACHINE", "HKCU": "HKEY_CURRENT_USER"}
    states = [
        lambda: "-",
        lambda: '"réseau \\"local\\" C:\\\\ü"',
        lambda: "hex(2):" + utf16_hex("%SystemRoot%\\system32\\drivers\\etc\0"),
        lambda: "hex(7):" + utf16_hex("un\0deux\0\0"),
        lambda: "hex:" + ",".join(f"{b:02x}" for b in range(120)),  # continued lines
        lambda: "dword:0000abcd",
        lambda: "hex(b):88,77,66,55,44,33,22,11",
        lambda: "hex:",
    ]
    lines = []
    for i, (root, key, name) in enumerate(planned):
        name_field = name.replace("\\", "\\\\").replace('"', '\\"')
        lines += [f"[{roots[root]}\\{key}]", f'"{name_field}"={states[i % len(states)]()}', ""]
    lines += [f"[-{MISSING_KEY}]", ""]
    write_reg(out, lines)
    print(f"{len(planned)} values seeded")


def load_json(path):
    raw = open(path, "rb").read()
    text = raw.decode("utf-8")  # redirected output is UTF-8
    return json.loads(text)


def check_json(path, expectations):
    doc = load_json(path)
    for key in ("profile", "values", "exit"):
        if key not in doc:
            sys.exit(f"{path}: no \"{key}\"")
    for v in doc["values"]:
        for key in ("root", "key", "name", "state", "current", "after"):
            if key not in v:
                sys.exit(f"{path}: a value without \"{key}\": {v}")
        for field in ("current", "after"):
            x = v[field]
            if x is None:
                continue
            kinds = [k for k in ("text", "number", "hex") if k in x]
            if "type" not in x or len(kinds) != 1:
                sys.exit(f"{path}: malformed value {x}")
            if "text" in x and x["type"] != "REG_SZ" or "number" in x and x["type"] != "REG_DWORD":
                sys.exit(f"{path}: {x}")
    for e in expectations:
        k, want = e.split("=", 1)
        got = doc
        for part in k.split("."):
            got = got[part]
        if str(got) != want:
            sys.exit(f"{path}: {k} is {got!r}, want {want}")
    counts = {}
    for v in doc["values"]:
        counts[v["state"]] = counts.get(v["state"], 0) + 1
    for state in sorted(counts):
        print(state, counts[state])
    print("exit", doc["exit"])


def states(path, state):
    doc = load_json(path)
    for item in sorted(f"{v['root']}|{v['key'].lower()}|{v['name'].lower()}" for v in doc["values"] if v["state"] == state):
        print(item)


def sections(text):
    """Key -> list of logical value lines (continuations joined as written)."""
    out, key, current = {}, None, None
    for line in text.split("\r\n"):
        if current is not None:
            current.append(line)
            if not line.endswith("\\"):
                out[key].append("\r\n".join(current))
                current = None
            continue
        if line.startswith("[") and line.endswith("]"):
            key = line[1:-1].lower()
            out.setdefault(key, [])
        elif line.startswith('"') and key is not None:
            if line.endswith("\\"):
                current = [line]
            else:
                out[key].append(line)
    return out


def rewritten_by_wine(key):
    # Wine's display driver and device setup rewrite these at each start.
    return "\\control\\video\\" in key or key.endswith("\\control\\video") or "\\hardware\\devicemap\\video" in key


def compare_exports(before, after):
    a, b = sections(read_reg(before)), sections(read_reg(after))
    differences = []
    for key in sorted(set(a) | set(b)):
        if rewritten_by_wine(key):
            continue
        if key not in a:
            differences.append(f"key added: {key}")
        elif key not in b:
            differences.append(f"key removed: {key}")
        else:
            va = sorted(l for l in a[key] if "DriverDateData" not in l)
            vb = sorted(l for l in b[key] if "DriverDateData" not in l)
            if va != vb:
                differences.append(f"values differ in {key}: {sorted(set(va) ^ set(vb))[:4]}")
    for d in differences[:20]:
        print(d)
    print(f"{len(differences)} difference(s)")
    sys.exit(1 if differences else 0)


def same_lines(backup, exports):
    b, e = sections(read_reg(backup)), {}
    for export in exports:
        e.update(sections(read_reg(export)))
    checked = missing = 0
    for key, values in b.items():
        for line in values:
            if line.endswith("=-"):
                continue
            checked += 1
            if line not in e.get(key, []):
                missing += 1
                print(f"not in the export: [{key}] {line}")
    print(f"{checked} value lines checked, {missing} missing")
    sys.exit(1 if missing or not checked else 0)


def count(path):
    print(sum(len(v) for v in sections(read_reg(path)).values()))


if __name__ == "__main__":
    cmd, args = sys.argv[1], sys.argv[2:]
    if cmd == "seed":
        seed(args[:-1], args[-1])
    elif cmd == "json":
        check_json(args[0], args[1:])
    elif cmd == "states":
        states(args[0], args[1])
    elif cmd == "export":
        compare_exports(args[0], args[1])
    elif cmd == "lines":
        same_lines(args[0], args[1:])
    elif cmd == "count":
        count(args[0])
    else:
        sys.exit(__doc__)
