#!/usr/bin/env python3
"""Turns a window layout (a Python file of plain data, such as
app/form1_layout.py) into the window's stored description bytes.

    formgen.py --layout app/form1_layout.py --pictures DIR --out form1.bin
               [--sets-dir DIR]   # also write each hosted control's stored set

The byte layout is the one docs/form-format.md describes and app/form/form_decode.cpp
reads; the C++ tests decode this program's output and write it again, so the
two writers cannot drift apart unnoticed. Pure standard library, Python 3.9+.
"""

import argparse
import os
import struct
import sys
import uuid

# ---------------------------------------------------------------- layout vocabulary

BITMAP, JPEG, ICON = "bitmap", "JPEG", "icon"

KIND_LABEL, KIND_OPTION, KIND_TIMER, KIND_WINDOW = 1, 6, 11, 13
KIND_MENU, KIND_SHAPE, KIND_PICTURE, KIND_HOSTED = 19, 22, 24, 255

BORDER_FIXED_DIALOG = 3
START_CENTER_SCREEN = 2
SHAPE_ROUNDED_RECTANGLE = 4
FILL_SOLID = 0


class Font:
    """A font object: name, size in points, weight, character set."""

    def __init__(self, name, points, weight=400, charset=0, italic=False, underline=False, strikethrough=False):
        self.name = name
        self.size = round(points * 10000)  # ten-thousandths of a point
        self.weight = weight
        self.charset = charset
        self.style = (0x02 if italic else 0) | (0x04 if underline else 0) | (0x08 if strikethrough else 0)


class Picture:
    """A picture object: an image file from the pictures folder, with the
    format and pixel size it must have (checked against the file)."""

    def __init__(self, file, fmt, width, height, bits=None):
        self.file, self.format, self.width, self.height, self.bits = file, fmt, width, height, bits


class Control:
    def __init__(self, kind, name, children=(), class_name=None, **props):
        self.kind, self.name, self.children, self.class_name = kind, name, list(children), class_name
        self.props = props


def Window(name, children=(), **props):
    return Control(KIND_WINDOW, name, children, **props)


def Label(name, **props):
    return Control(KIND_LABEL, name, **props)


def Option(name, **props):
    return Control(KIND_OPTION, name, **props)


def Timer(name, **props):
    return Control(KIND_TIMER, name, **props)


def Shape(name, **props):
    return Control(KIND_SHAPE, name, **props)


def Image(name, **props):
    return Control(KIND_PICTURE, name, **props)


def Hosted(name, class_name, children=(), **props):
    return Control(KIND_HOSTED, name, children, class_name=class_name, **props)


def Menu(name, caption, children=(), **props):
    return Control(KIND_MENU, name, children, caption=caption, **props)


# ---------------------------------------------------------------- stored property sets

SET_TAG = 0x0000B293
PICTURE_TAG = 0x0000746C
FONT_CLSID = uuid.UUID("0BE35203-8F91-11CE-9DE3-00AA004BB851")
PICTURE_CLSID = uuid.UUID("0BE35204-8F91-11CE-9DE3-00AA004BB851")


class LayoutError(Exception):
    pass


def name_hash(name):
    h = 0
    units = name.encode("utf-16-le")
    for i in range(0, len(units), 2):
        h = ((h << 13) | (h >> 19)) & 0xFFFFFFFF
        h ^= units[i] | (units[i + 1] << 8)
    return h


def twips_to_himetric(twips):
    # 1440 twips = 2540 hundredths of a millimetre; Python rounds halves to even.
    from fractions import Fraction
    return round(Fraction(twips * 127, 72))


def font_form(font):
    name = font.name.encode("latin-1")
    if len(name) > 255:
        raise LayoutError("font name too long: " + font.name)
    return struct.pack("<BHBHIB", 1, font.charset, font.style, font.weight, font.size, len(name)) + name


class Pictures:
    def __init__(self, folder):
        self.folder = folder
        self.used = []

    def load(self, picture):
        path = os.path.join(self.folder, picture.file)
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError as e:
            raise LayoutError("picture %s: %s" % (path, e.strerror))
        fmt, width, height, bits = inspect_picture(data)
        if (fmt, width, height) != (picture.format, picture.width, picture.height):
            raise LayoutError("%s is a %s %d x %d, the layout wants a %s %d x %d" %
                              (path, fmt, width, height, picture.format, picture.width, picture.height))
        if picture.bits is not None and bits != picture.bits:
            raise LayoutError("%s has %d bits per pixel, the layout wants %d" % (path, bits, picture.bits))
        self.used.append(path)
        return data


def inspect_picture(data):
    """(format, width, height, bits per pixel) from the file's header."""
    if data[:2] == b"BM" and len(data) >= 30:
        header = struct.unpack_from("<I", data, 14)[0]
        if header == 12:
            w, h, _, bits = struct.unpack_from("<HHHH", data, 18)
        else:
            w, h, _, bits = struct.unpack_from("<iiHH", data, 18)
        return BITMAP, w, abs(h), bits
    if data[:3] == b"\xFF\xD8\xFF":
        at = 2
        while at + 4 <= len(data) and data[at] == 0xFF:
            marker = data[at + 1]
            if marker == 0xFF:
                at += 1
                continue
            if marker == 0x01 or 0xD0 <= marker <= 0xD7:
                at += 2
                continue
            length = struct.unpack_from(">H", data, at + 2)[0]
            if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC) and at + 10 <= len(data):
                h, w, components = struct.unpack_from(">HHB", data, at + 5)
                return JPEG, w, h, 8 * components
            at += 2 + length
        return JPEG, 0, 0, 0
    if data[:4] == b"\x00\x00\x01\x00" and len(data) >= 22:
        w, h, _, _, _, bits = struct.unpack_from("<BBBBHH", data, 6)
        return ICON, w or 256, h or 256, bits
    return "unknown", 0, 0, 0


def picture_form(data):
    return struct.pack("<II", PICTURE_TAG, len(data)) + data


def encode_value(value, pictures):
    """(type, bytes) of one stored value."""
    if isinstance(value, bool):
        return 3, struct.pack("<i", -1 if value else 0)
    if isinstance(value, float):
        return 5, struct.pack("<d", value)
    if isinstance(value, int):
        return 3, struct.pack("<i", value)
    if isinstance(value, str):
        units = value.encode("utf-16-le")
        return 8, struct.pack("<I", len(units) // 2) + units
    if isinstance(value, Font):
        return 13, FONT_CLSID.bytes_le + font_form(value)
    if isinstance(value, Picture):
        return 13, PICTURE_CLSID.bytes_le + picture_form(pictures.load(value))
    raise LayoutError("cannot store %r" % (value,))


def encode_set(entries, pictures):
    """entries: (name, value) pairs in the order they are written."""
    records = []
    seen = set()
    for name, value in entries:
        lower = name.lower()
        if lower in seen:
            raise LayoutError("key %s stored twice" % name)
        seen.add(lower)
        units = lower.encode("utf-16-le")
        vtype, vbytes = encode_value(value, pictures)
        record = bytearray(struct.pack("<HHIi", vtype, len(units) // 2, name_hash(lower), 0) + units + vbytes)
        record += b"\0" * (-len(record) % 4)
        records.append(record)
    link_sum = 0
    for i, record in enumerate(records):
        link = len(record) if i + 1 < len(records) else -link_sum
        link_sum += len(record)
        struct.pack_into("<i", record, 8, link)
    body = b"".join(records)
    return struct.pack("<II", SET_TAG, 8 + len(body)) + body


# ---------------------------------------------------------------- window description

SIGNATURE = b"\xFF\xCC\x31\x00\x25"
SET_MARKER = b"\x4C\x42\x09\x00"

# code: (property name, kinds that may carry it, value writer)
def _u8(v):
    return struct.pack("<B", v)


def _bool(v):
    return _u8(1 if v else 0)


def _u16(v):
    return struct.pack("<H", v)


def _u32(v):
    return struct.pack("<I", v)


def _text(v):
    b = v.encode("utf-8")
    return _u16(len(b)) + b


def _rect(v):
    return struct.pack("<hhhh", *v)


def _size(v):
    return struct.pack("<HH", *v)


W, L, O, T, S, P, M, H = KIND_WINDOW, KIND_LABEL, KIND_OPTION, KIND_TIMER, KIND_SHAPE, KIND_PICTURE, KIND_MENU, KIND_HOSTED

PROPERTIES = [
    # code, property, kinds, writer
    (0x01, "caption", {W, L, O, M}, _text),
    (0x02, "font", {W, L, O}, None),  # font form
    (0x03, "position", {L, O, S, P, H}, _rect),
    (0x04, "fore_color", {W, L, O}, _u32),
    (0x05, "back_color", {W, L, O}, _u32),
    (0x06, "transparent", {L}, lambda v: _u8(0 if v else 1)),
    (0x07, "visible", {L, O, S, P, M, H}, _bool),
    (0x08, "enabled", {W, L, O, T, M}, _bool),
    (0x09, "value", {O}, _bool),
    (0x0A, "interval", {T}, _u32),
    (0x0B, "picture", {P}, None),  # picture form
    (0x0C, "shape", {S}, _u8),
    (0x0D, "fill_color", {S}, _u32),
    (0x0E, "fill_style", {S}, _u8),
    (0x0F, "tab_index", {L, O, H}, _u16),
    (0x10, "client_size", {W}, _size),
    (0x11, "border", {W}, _u8),
    (0x12, "control_box", {W}, _bool),
    (0x13, "min_button", {W}, _bool),
    (0x14, "max_button", {W}, _bool),
    (0x15, "start_up", {W}, _u8),
    (0x16, "icon", {W}, None),  # picture form
    (0x17, "sub_menu_count", {M}, _u16),  # from the children, never written by hand
    (0x2D, "stored", {H}, None),  # stored property set
]
KNOWN = {p[1] for p in PROPERTIES} - {"sub_menu_count"}


class Encoder:
    def __init__(self, pictures):
        self.pictures = pictures
        self.next_id = 0
        self.names = set()
        self.sets = {}  # hosted control name -> its stored set bytes

    def record(self, c, sub_menu_count=0):
        for key in c.props:
            if key not in KNOWN:
                raise LayoutError("%s: unknown property %s" % (c.name, key))
        if c.name.lower() in self.names:
            raise LayoutError("name %s used twice" % c.name)
        self.names.add(c.name.lower())
        if not c.name.isascii() or not c.name.replace("_", "").isalnum():
            raise LayoutError("bad name %r" % c.name)
        control_id = self.next_id
        self.next_id += 1
        if control_id > 255:
            raise LayoutError("more than 256 records")
        if (control_id == 0) != (c.kind == KIND_WINDOW):
            raise LayoutError("%s: the window comes first, and only once" % c.name)

        body = bytearray(_u8(control_id) + _u16(len(c.name)) + c.name.encode("ascii") + b"\0" + _u8(c.kind))
        if c.kind == KIND_HOSTED:
            body += _u16(len(c.class_name)) + c.class_name.encode("ascii") + b"\0"
        props = dict(c.props)
        if sub_menu_count:
            props["sub_menu_count"] = sub_menu_count
        if c.kind == KIND_HOSTED and "position" in props and "stored" in props:
            self.check_extent(c, props["position"], props["stored"])
        for code, key, kinds, writer in PROPERTIES:
            if key not in props:
                continue
            if c.kind not in kinds:
                raise LayoutError("%s: a kind %d control has no %s" % (c.name, c.kind, key))
            value = props[key]
            body += _u8(code)
            if key == "font":
                body += font_form(value)
            elif key in ("picture", "icon"):
                body += picture_form(self.pictures.load(value))
            elif key == "stored":
                stored = encode_set(list(value.items()), self.pictures)
                self.sets[c.name] = stored
                body += SET_MARKER + _u32(len(stored)) + stored
            else:
                body += writer(value)
        body += b"\xFF"
        return _u32(4 + len(body)) + bytes(body)

    @staticmethod
    def check_extent(c, position, stored):
        _, _, width, height = position
        want = (twips_to_himetric(width), twips_to_himetric(height))
        have = (stored.get("_extentx"), stored.get("_extenty"))
        if have != want:
            raise LayoutError("%s: extent keys %r do not match its size %d x %d twips (%r)" %
                              (c.name, have, width, height, want))

    def tree(self, c):
        if c.kind == KIND_MENU:
            raise LayoutError("%s: menu items go in the menus" % c.name)
        out = bytearray(self.record(c))
        if c.children:
            if c.kind not in (KIND_WINDOW, KIND_HOSTED):
                raise LayoutError("%s holds no controls" % c.name)
            out += b"\x01"
            for i, child in enumerate(c.children):
                if i:
                    out += b"\x03"
                out += self.tree(child)
            out += b"\x02"
        return bytes(out)

    def menu(self, m):
        if m.kind != KIND_MENU:
            raise LayoutError("%s: not a menu item" % m.name)
        out = bytearray(self.record(m, len(m.children)))
        if m.children:
            for child in m.children:
                out += b"\x02" + self.menu(child)
            out += b"\x03"
        return bytes(out)

    def form(self, window, menus, class_ids):
        if len(class_ids) != 3:
            raise LayoutError("three class identifiers are needed")
        body = bytearray(self.tree(window))
        body += b"\x05"
        for i, m in enumerate(menus):
            if i:
                body += b"\x02"
            body += self.menu(m)
        body += b"\x04"
        header = SIGNATURE + b"".join(uuid.UUID(g).bytes_le for g in class_ids) + b"\0" * 36
        total = len(header) + 4 + len(body)
        return header + _u32(total) + bytes(body)


# ---------------------------------------------------------------- command line

LAYOUT_NAMES = {name: value for name, value in globals().items() if not name.startswith("_") and name not in (
    "argparse", "os", "struct", "sys", "uuid", "main", "Encoder", "Pictures", "PROPERTIES", "KNOWN")}


def load_layout(path):
    namespace = dict(LAYOUT_NAMES)
    with open(path, encoding="utf-8") as f:
        code = compile(f.read(), path, "exec")
    exec(code, namespace)
    for needed in ("WINDOW", "MENUS", "CLASS_IDS"):
        if needed not in namespace:
            raise LayoutError("%s defines no %s" % (path, needed))
    return namespace


def write_if_changed(path, data):
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return
    except OSError:
        pass
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--layout", required=True)
    parser.add_argument("--pictures", required=True, help="folder of the image files the layout names")
    parser.add_argument("--out", required=True)
    parser.add_argument("--sets-dir", help="also write each hosted control's stored set as NAME.set")
    args = parser.parse_args(argv)
    try:
        layout = load_layout(args.layout)
        encoder = Encoder(Pictures(args.pictures))
        data = encoder.form(layout["WINDOW"], layout["MENUS"], layout["CLASS_IDS"])
    except (LayoutError, UnicodeError, struct.error) as e:
        print("formgen: %s: %s" % (args.layout, e), file=sys.stderr)
        return 1
    os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
    write_if_changed(args.out, data)
    if args.sets_dir:
        os.makedirs(args.sets_dir, exist_ok=True)
        for name, stored in encoder.sets.items():
            write_if_changed(os.path.join(args.sets_dir, name + ".set"), stored)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
