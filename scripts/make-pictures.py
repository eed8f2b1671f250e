#!/usr/bin/env python3
"""Draws the window's pictures at 150 % and 200 % and the program's icon frames, from the
same shape descriptions the 96-DPI pictures were drawn from.

    python3 scripts/make-pictures.py                 # (re)write app/resources/variants/
    python3 scripts/make-pictures.py --check         # redraw into a temporary folder, compare
                                                     # with the committed files, check forms
    python3 scripts/make-pictures.py --out DIR       # write into DIR instead

The 96-DPI pictures in app/resources/pictures/ are what Form1's stored description carries:
this script never rewrites them, it only checks that they are still the files whose SHA-256
it knows. Each variant is found at run time by the FNV-1a hash of the stored picture's bytes
and its scale, through the resource names written to variants.rc.in.

The shapes below say what to draw in the 96-DPI picture's coordinates; Pillow (Debian's
python3-pil) rasterises them, supersampled, at the variant's size. Lettering uses the Liberation
fonts (fonts-liberation) through Pillow's FreeType. Nothing depends on the clock or on
randomness, so a rerun gives the same bytes.
"""

import hashlib
import io
import math
import os
import struct
import sys
import tempfile

from PIL import Image, ImageChops, ImageDraw, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
STORED_DIR = os.path.join(ROOT, "app", "resources", "pictures")
OUT_DIR = os.path.join(ROOT, "app", "resources", "variants")

FONT_DIR = "/usr/share/fonts/truetype/liberation"
FONT_BOLD = os.path.join(FONT_DIR, "LiberationSans-Bold.ttf")
FONT_REGULAR = os.path.join(FONT_DIR, "LiberationSans-Regular.ttf")

WHITE = (255, 255, 255)
MAGENTA = (255, 0, 255)

# The scales a variant is made for, in percent of the 96-DPI picture.
SCALES = (150, 200)
# The program's icon frames, in pixels; from 48 up they are PNG-compressed.
ICON_SIZES = (16, 20, 24, 32, 40, 48, 64, 128, 256)
PNG_FROM = 48
# --------------------------------------------------------------------------------------------
# Colours and paints. Colours are (r, g, b) floats in 0..1; paints are colours or callables
# (x, y) -> colour, in picture pixels.

def rgb(hexstr):
    v = int(hexstr.lstrip("#"), 16)
    return ((v >> 16) / 255.0, ((v >> 8) & 255) / 255.0, (v & 255) / 255.0)


def mix(c0, c1, t):
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def _at_stops(stops, t):
    if t <= stops[0][0]:
        return stops[0][1]
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            return mix(c0, c1, (t - t0) / (t1 - t0) if t1 > t0 else 1.0)
    return stops[-1][1]


def linear(p0, p1, stops):
    """Colour along the line p0 -> p1; stops are (t, colour) with t from 0 to 1."""
    dx, dy = p1[0] - p0[0], p1[1] - p0[1]
    den = dx * dx + dy * dy

    def paint(x, y):
        return _at_stops(stops, ((x - p0[0]) * dx + (y - p0[1]) * dy) / den)
    return paint


def radial(centre, radius, stops):
    def paint(x, y):
        return _at_stops(stops, math.hypot(x - centre[0], y - centre[1]) / radius)
    return paint



# --------------------------------------------------------------------------------------------
# Shapes. A shape is described in picture pixels (96 DPI); mask(size, k, ox, oy) draws its
# coverage into an 8-bit image of `size` samples where the sample (X, Y) covers the point
# (ox + X / k, oy + Y / k).

def _box(b, k, ox, oy):
    return [(b[0] - ox) * k, (b[1] - oy) * k, (b[2] - ox) * k, (b[3] - oy) * k]


def _pt(p, k, ox, oy):
    return ((p[0] - ox) * k, (p[1] - oy) * k)


class Shape:
    def __or__(self, other):
        return Union(self, other)

    def __and__(self, other):
        return Intersect(self, other)

    def __sub__(self, other):
        return Difference(self, other)

    def mask(self, size, k, ox, oy):
        im = Image.new("L", size, 0)
        self.paint(ImageDraw.Draw(im), k, ox, oy)
        return im


class Union(Shape):
    def __init__(self, *parts):
        self.parts = parts

    def mask(self, size, k, ox, oy):
        out = self.parts[0].mask(size, k, ox, oy)
        for p in self.parts[1:]:
            out = ImageChops.lighter(out, p.mask(size, k, ox, oy))
        return out


class Intersect(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b

    def mask(self, size, k, ox, oy):
        return ImageChops.darker(self.a.mask(size, k, ox, oy), self.b.mask(size, k, ox, oy))


class Difference(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b

    def mask(self, size, k, ox, oy):
        return ImageChops.multiply(self.a.mask(size, k, ox, oy),
                                   ImageChops.invert(self.b.mask(size, k, ox, oy)))


class Ellipse(Shape):
    def __init__(self, cx, cy, rx, ry):
        self.bbox = (cx - rx, cy - ry, cx + rx, cy + ry)

    def paint(self, d, k, ox, oy):
        d.ellipse(_box(self.bbox, k, ox, oy), fill=255)


class Circle(Ellipse):
    def __init__(self, cx, cy, r):
        super().__init__(cx, cy, r, r)


class Rect(Shape):
    def __init__(self, x0, y0, x1, y1):
        self.bbox = (x0, y0, x1, y1)

    def paint(self, d, k, ox, oy):
        d.rectangle(_box(self.bbox, k, ox, oy), fill=255)


class RoundRect(Shape):
    def __init__(self, x0, y0, x1, y1, r):
        self.bbox, self.r = (x0, y0, x1, y1), r

    def paint(self, d, k, ox, oy):
        d.rounded_rectangle(_box(self.bbox, k, ox, oy), radius=self.r * k, fill=255)


class Polygon(Shape):
    def __init__(self, pts):
        self.pts = pts

    def paint(self, d, k, ox, oy):
        d.polygon([_pt(p, k, ox, oy) for p in self.pts], fill=255)


class Stroke(Shape):
    """A polyline of the given width with round joins and caps."""

    def __init__(self, pts, width):
        self.pts, self.width = pts, width

    def paint(self, d, k, ox, oy):
        pts = [_pt(p, k, ox, oy) for p in self.pts]
        h = self.width * k / 2.0
        if len(pts) > 1:
            d.line(pts, fill=255, width=max(1, int(round(self.width * k))), joint="curve")
        for x, y in pts:
            d.ellipse([x - h, y - h, x + h, y + h], fill=255)


class Arc(Shape):
    """A ring between radii r0 and r1; with a0/a1 only the part whose angle (degrees, 0 along
    +x, counting towards +y, i.e. clockwise on screen) lies from a0 to a1."""

    def __init__(self, cx, cy, r0, r1, a0=None, a1=None, rounded=False):
        self.cx, self.cy, self.r0, self.r1, self.a0, self.a1 = cx, cy, r0, r1, a0, a1
        self.caps = []
        if rounded and a0 is not None:
            rm, w = (r0 + r1) / 2.0, (r1 - r0)
            self.caps = [Circle(cx + rm * math.cos(math.radians(a)),
                                cy + rm * math.sin(math.radians(a)), w / 2.0) for a in (a0, a1)]

    def mask(self, size, k, ox, oy):
        ring = Image.new("L", size, 0)
        d = ImageDraw.Draw(ring)
        d.ellipse(_box((self.cx - self.r1, self.cy - self.r1, self.cx + self.r1,
                        self.cy + self.r1), k, ox, oy), fill=255)
        d.ellipse(_box((self.cx - self.r0, self.cy - self.r0, self.cx + self.r0,
                        self.cy + self.r0), k, ox, oy), fill=0)
        if self.a0 is not None:
            wedge = Image.new("L", size, 0)
            r = self.r1 + 1.0
            ImageDraw.Draw(wedge).pieslice(
                _box((self.cx - r, self.cy - r, self.cx + r, self.cy + r), k, ox, oy),
                self.a0, self.a1, fill=255)
            ring = ImageChops.darker(ring, wedge)
        for c in self.caps:
            ring = ImageChops.lighter(ring, c.mask(size, k, ox, oy))
        return ring


class EllipseRing(Shape):
    """The outline of an ellipse, `width` thick (measured along the axes)."""

    def __init__(self, cx, cy, rx, ry, width):
        h = width / 2.0
        self.shape = Ellipse(cx, cy, rx + h, ry + h) - Ellipse(cx, cy, max(rx - h, 1e-6),
                                                               max(ry - h, 1e-6))

    def mask(self, size, k, ox, oy):
        return self.shape.mask(size, k, ox, oy)


class Placed(Shape):
    """A shape drawn in local coordinates, rotated by `angle` degrees (clockwise on screen)
    about the local origin, then moved to (tx, ty)."""

    def __init__(self, shape, angle, tx, ty, reach=40.0):
        self.shape, self.tx, self.ty, self.reach = shape, tx, ty, reach
        a = math.radians(angle)
        self.c, self.s = math.cos(a), math.sin(a)

    def mask(self, size, k, ox, oy):
        # the local drawing on a square about its origin, then turned into place: each output
        # sample takes the local sample its centre maps back to
        r = self.reach
        n = int(math.ceil(2 * r * k))
        local = self.shape.mask((n, n), k, -r, -r)
        c, s = self.c, self.s
        dx, dy = ox - self.tx, oy - self.ty
        data = (c, s, k * (c * dx + s * dy + r),
                -s, c, k * (-s * dx + c * dy + r))
        return local.transform(size, Image.Transform.AFFINE, data, Image.Resampling.BILINEAR)


class Text(Shape):
    """A line of lettering whose ink's top left corner is at (left, top); `size` is the
    font's size in picture pixels. width and height are the ink's, in picture pixels."""

    MEASURE = 16

    def __init__(self, text, font, size, left=0.0, top=0.0):
        self.text, self.font, self.size, self.left, self.top = text, font, size, left, top
        f = ImageFont.truetype(font, size * self.MEASURE)
        l, t, r, b = f.getbbox(text)
        self.width, self.height = (r - l) / self.MEASURE, (b - t) / self.MEASURE

    def at(self, left, top):
        return Text(self.text, self.font, self.size, left, top)

    def paint(self, d, k, ox, oy):
        f = ImageFont.truetype(self.font, int(round(self.size * k)))
        l, t, _, _ = f.getbbox(self.text)
        d.text(((self.left - ox) * k - l, (self.top - oy) * k - t), self.text, font=f, fill=255)


# --------------------------------------------------------------------------------------------
# Canvas: a picture `w` x `h` pixels at 96 DPI, drawn at `scale` percent with `ss` x `ss`
# samples a pixel. Straight (not premultiplied) RGBA, initially transparent.

def scaled(n, scale):
    """A 96-DPI length in pixels at `scale` percent, halves rounded up: the size the window
    lays the picture out at."""
    return int(math.floor(n * scale / 100.0 + 0.5))


class Canvas:
    def __init__(self, w, h, scale, ss):
        self.W, self.H = scaled(w, scale), scaled(h, scale)
        self.k = scale / 100.0
        # large icon frames need fewer samples a pixel for the same smoothness
        self.ss = max(2, min(ss, 1024 // max(self.W, self.H)))
        # an odd size does not scale to whole pixels: keep the drawing centred
        self.ox = -(self.W - w * self.k) / 2.0 / self.k
        self.oy = -(self.H - h * self.k) / 2.0 / self.k
        self.image = Image.new("RGBA", (self.W, self.H), (0, 0, 0, 0))

    def fill(self, shape, paint, opacity=1.0):
        ss = self.ss
        cover = shape.mask((self.W * ss, self.H * ss), self.k * ss, self.ox, self.oy)
        cover = cover.reduce(ss)
        if opacity < 1.0:
            cover = cover.point(lambda v: int(v * opacity + 0.5))
        box = cover.getbbox()
        if not box:
            return
        if callable(paint):
            layer = Image.new("RGB", (self.W, self.H))
            x0, y0, x1, y1 = box
            layer.putdata([to8(paint(self.ox + (px + 0.5) / self.k, self.oy + (py + 0.5) / self.k))
                           if x0 <= px < x1 and y0 <= py < y1 else (0, 0, 0)
                           for py in range(self.H) for px in range(self.W)])
        else:
            layer = Image.new("RGB", (self.W, self.H), to8(paint))
        layer.putalpha(cover)
        self.image = Image.alpha_composite(self.image, layer)


def to8(c):
    return tuple(max(0, min(255, int(v * 255.0 + 0.5))) for v in c)


def over_ground(cv, ground):
    """The picture over an opaque ground colour: RGB."""
    base = Image.new("RGBA", cv.image.size, ground + (255,))
    return Image.alpha_composite(base, cv.image).convert("RGB")


def keyed(cv, key, threshold, blend):
    """The picture with one transparent colour `key`: pixels covered less than `threshold`
    become exactly the key; the others are either blended over the key (`blend`, for a key the
    picture is normally shown on, such as white) or shown in their own colour. No drawn pixel
    may equal the key, or it would turn transparent: those move one step off it."""
    limit = int(threshold * 255 + 0.5)
    ground = over_ground(cv, key) if blend else cv.image.convert("RGB")
    alpha = cv.image.getchannel("A").getdata()
    out = []
    for a, c in zip(alpha, ground.getdata()):
        if a < limit:
            out.append(key)
            continue
        if c == key:
            c = tuple(v - 1 if v == 255 else v + 1 for v in c)
        out.append(c)
    im = Image.new("RGB", ground.size)
    im.putdata(out)
    return im


# --------------------------------------------------------------------------------------------
# Shared motifs.

NAVY = rgb("#0b2e6b")


def globe(cv, cx, cy, r, line=None, outline=None):
    """A blue globe lit from the upper left, with meridians and parallels."""
    line = line if line is not None else max(0.55, r * 0.075)
    outline = outline if outline is not None else max(0.7, r * 0.09)
    cv.fill(Circle(cx, cy, r), NAVY)
    body = Circle(cx, cy, r - outline)
    cv.fill(body, radial((cx - r * 0.4, cy - r * 0.45), r * 1.55,
                         [(0.0, rgb("#9fdcff")), (0.35, rgb("#3b93ea")),
                          (0.75, rgb("#1656b8")), (1.0, rgb("#0d3a8a"))]))
    grid = rgb("#e4f4ff")
    ri = r - outline
    lines = [Rect(cx - line / 2, cy - ri, cx + line / 2, cy + ri),          # central meridian
             EllipseRing(cx, cy, ri * 0.5, ri, line),                        # side meridians
             Rect(cx - ri, cy - line / 2, cx + ri, cy + line / 2)]           # equator
    for f in (-0.5, 0.5):                                                    # two parallels
        yy = cy + f * ri
        half = math.sqrt(max(ri * ri - (f * ri) ** 2, 0.0))
        lines.append(Rect(cx - half, yy - line / 2, cx + half, yy + line / 2))
    cv.fill(Union(*lines) & body, grid, 0.7)
    # a soft shine on the upper left
    cv.fill(Ellipse(cx - r * 0.33, cy - r * 0.42, r * 0.42, r * 0.26) & body,
            rgb("#ffffff"), 0.35)


def monitor(cv, x0, y0, x1, y1):
    """A flat screen: dark frame, blue screen, small stand."""
    dark = rgb("#2e3440")
    mx = (x0 + x1) / 2.0
    cv.fill(Polygon([(mx - 1.2, y1 - 0.5), (mx + 1.2, y1 - 0.5), (mx + 1.8, y1 + 2.0),
                     (mx - 1.8, y1 + 2.0)]), rgb("#5b6573"))
    cv.fill(RoundRect(mx - 3.2, y1 + 1.6, mx + 3.2, y1 + 2.8, 0.6), dark)
    cv.fill(RoundRect(x0, y0, x1, y1, 0.9), dark)
    cv.fill(Rect(x0 + 1.0, y0 + 1.0, x1 - 1.0, y1 - 1.4),
            linear((x0, y0), (x1, y1), [(0.0, rgb("#7cc8ff")), (1.0, rgb("#1f6fd1"))]))


# --------------------------------------------------------------------------------------------
# The pictures. Each returns its canvas; sizes are (width, height) in pixels.

def draw_icon(scale):
    cv = Canvas(32, 32, scale, 8)
    ink = rgb("#30343b")
    # tower: front face, top and right side in perspective
    front = [(11.0, 5.0), (24.0, 5.0), (24.0, 30.5), (11.0, 30.5)]
    top = [(11.0, 5.0), (15.0, 1.5), (28.0, 1.5), (24.0, 5.0)]
    side = [(24.0, 5.0), (28.0, 1.5), (28.0, 27.0), (24.0, 30.5)]
    outline = Polygon([(11.0, 5.0), (15.0, 1.5), (28.0, 1.5), (28.0, 27.0), (24.0, 30.5),
                       (11.0, 30.5)])
    cv.fill(Stroke([(11.0, 5.0), (15.0, 1.5), (28.0, 1.5), (28.0, 27.0), (24.0, 30.5),
                    (11.0, 30.5), (11.0, 5.0)], 1.6), ink)
    cv.fill(outline, ink)
    cv.fill(Polygon(front), linear((11, 0), (24, 0), [(0.0, rgb("#f2f3f5")),
                                                       (1.0, rgb("#c3c8cf"))]))
    cv.fill(Polygon(top), rgb("#fbfcfd"))
    cv.fill(Polygon(side), linear((24, 0), (28, 0), [(0.0, rgb("#9aa1ab")),
                                                      (1.0, rgb("#7d848f"))]))
    cv.fill(Stroke([(11.0, 5.0), (24.0, 5.0), (24.0, 30.5)], 0.7), ink)
    cv.fill(Stroke([(24.0, 5.0), (28.0, 1.5)], 0.7), ink)
    # drive bays, button and lamp
    for y in (8.0, 11.5):
        cv.fill(Rect(13.0, y, 22.0, y + 2.2), rgb("#6c737e"))
        cv.fill(Rect(13.0, y, 22.0, y + 0.8), rgb("#9aa1ab"))
    cv.fill(Circle(21.0, 27.5, 1.1), rgb("#26c93b"))
    cv.fill(Circle(18.0, 16.5, 1.2), rgb("#8a919b"))
    # globe in front, lower left
    globe(cv, 10.5, 20.5, 10.2, line=0.8, outline=1.1)
    return cv


def draw_nodes(scale):
    cv = Canvas(20, 20, scale, 8)
    link = rgb("#5b6573")
    hub = (10.0, 10.2)
    outer = [((4.0, 4.2), rgb("#2f9e44")), ((16.0, 4.2), rgb("#f08c00")),
             ((16.0, 16.0), rgb("#1c7ed6")), ((4.0, 16.0), rgb("#ae3ec9"))]
    for (p, _) in outer:
        cv.fill(Stroke([hub, p], 1.3), link)
    for (p, _), (q, _) in zip(outer, outer[1:] + outer[:1]):
        cv.fill(Stroke([p, q], 0.9), rgb("#9aa3ad"))
    for p, c in outer:
        node(cv, p[0], p[1], 2.8, c)
    node(cv, hub[0], hub[1], 3.2, rgb("#1864ab"))
    return cv


def node(cv, x, y, r, colour):
    cv.fill(Circle(x, y, r), mix(colour, (0, 0, 0), 0.45))
    cv.fill(Circle(x, y, r - 0.75), radial((x - r * 0.35, y - r * 0.4), r * 1.3,
                                           [(0.0, mix(colour, (1, 1, 1), 0.6)),
                                            (1.0, colour)]))


def handset_local(g):
    """A telephone handset seen from the side, in local coordinates, `g` wider all round: a
    handle bowed to +x along a circle about (-7, 0), ending in the backs of two cups whose
    faces look to -x."""
    cx, rm, half = -7.0, 8.6, 1.3 + g
    parts = [Arc(cx, 0.0, rm - half, rm + half, -56.0, 56.0)]
    for sign in (-1.0, 1.0):
        # a rounded cup with a flat face
        cup = Ellipse(0.6, 0.0, 2.9 + g, 3.8 + g) & Rect(-1.7 - g, -5.0, 4.0, 5.0)
        parts.append(Placed(cup, sign * 24.0, -3.6, sign * 7.4))
    return Union(*parts)


def draw_handset(scale):
    cv = Canvas(22, 23, scale, 8)
    angle, cx, cy = 42.0, 13.2, 14.4
    cv.fill(Placed(handset_local(0.75), angle, cx, cy), rgb("#15181d"))
    cv.fill(Placed(handset_local(0.0), angle, cx, cy),
            linear((4, 4), (18, 19), [(0.0, rgb("#6a7686")), (0.45, rgb("#343c48")),
                                       (1.0, rgb("#1b2028"))]))
    # a highlight along the outer edge of the handle
    cv.fill(Placed(Arc(-7.0, 0.0, 9.2, 9.8, -40.0, 40.0, rounded=True), angle, cx, cy),
            rgb("#aab6c6"), 0.7)
    return cv


def draw_router(scale):
    cv = Canvas(22, 23, scale, 8)
    ink = rgb("#1f2a38")
    # antennas behind the box
    for base, tip in (((5.2, 12.0), (4.0, 2.2)), ((16.8, 12.0), (18.0, 2.2))):
        cv.fill(Stroke([base, tip], 2.2), ink)
        cv.fill(Stroke([base, tip], 1.0), rgb("#6b7685"))
    # box: top face, front face, right side
    top = [(1.5, 14.0), (5.0, 10.5), (20.5, 10.5), (17.5, 14.0)]
    front = [(1.5, 14.0), (17.5, 14.0), (17.5, 20.5), (1.5, 20.5)]
    side = [(17.5, 14.0), (20.5, 10.5), (20.5, 17.0), (17.5, 20.5)]
    every = [(1.5, 14.0), (5.0, 10.5), (20.5, 10.5), (20.5, 17.0), (17.5, 20.5), (1.5, 20.5),
             (1.5, 14.0)]
    cv.fill(Stroke(every, 1.4), ink)
    cv.fill(Polygon(top), linear((0, 10.5), (0, 14), [(0.0, rgb("#c9d6e8")),
                                                       (1.0, rgb("#9fb3cf"))]))
    cv.fill(Polygon(front), linear((0, 14), (0, 20.5), [(0.0, rgb("#5c7aa6")),
                                                         (1.0, rgb("#3a5680"))]))
    cv.fill(Polygon(side), rgb("#2f4669"))
    cv.fill(Stroke([(1.5, 14.0), (17.5, 14.0), (20.5, 10.5)], 0.6), ink)
    cv.fill(Stroke([(17.5, 14.0), (17.5, 20.5)], 0.6), ink)
    # status lamps on the front
    for x, c in ((4.3, "#3ee65a"), (7.6, "#3ee65a"), (10.9, "#3ee65a"), (14.2, "#ffb627")):
        cv.fill(Circle(x, 17.3, 1.25), rgb("#18222e"))
        cv.fill(Circle(x, 17.3, 0.9), rgb(c))
    return cv


def wrench_local(g):
    """An open-end wrench along the +x axis about the origin, some 36 units long, `g` wider
    all round (negative: narrower), with a ring at its other end."""
    handle = RoundRect(-13.0 - g, -2.6 - g, 11.0 + g, 2.6 + g, 2.6 + g)
    head = Circle(12.5, 0.0, 6.4 + g)
    jaw = RoundRect(12.0 + g, -2.6 + g, 22.0, 2.6 - g, 0.6)
    ring = Circle(-14.5, 0.0, 4.4 + g)
    hole = Circle(-14.5, 0.0, 2.0 - g)
    return ((handle | head | ring) - jaw) - hole


def draw_banner(scale):
    ss = 4
    cv = Canvas(240, 42, scale, ss)
    # emblem: globe with a wrench laid across it
    gx, gy, gr = 21.0, 21.0, 16.5
    globe(cv, gx, gy, gr, line=1.1, outline=1.3)
    angle = -45.0
    cv.fill(Placed(wrench_local(1.0), angle, gx + 0.5, gy + 0.5), rgb("#ffffff"))
    cv.fill(Placed(wrench_local(0.0), angle, gx + 0.5, gy + 0.5), rgb("#2b3038"))
    cv.fill(Placed(wrench_local(-0.9), angle, gx + 0.5, gy + 0.5),
            linear((gx - 10, gy - 10), (gx + 10, gy + 10),
                   [(0.0, rgb("#f4f6f8")), (0.45, rgb("#c4cad2")), (1.0, rgb("#8c949f"))]))
    # product name: "Kavrel" in slate, "LinkTune" in bold blue, on one baseline
    size = 26
    kavrel = Text("Kavrel", FONT_REGULAR, size)
    linktune = Text("LinkTune", FONT_BOLD, size)
    x = 44.0
    cap_top = 9.0                         # both words start with a capital: align their tops
    gap = size * 0.26
    cv.fill(kavrel.at(x, cap_top), rgb("#3d4654"))
    lx = x + kavrel.width + gap
    cv.fill(linktune.at(lx, cap_top),
            linear((0, cap_top), (0, cap_top + 19), [(0.0, rgb("#2a7de1")),
                                                      (1.0, rgb("#0b4aa2"))]))
    # a thin accent rule under the name
    end = lx + linktune.width
    cv.fill(RoundRect(x, 34.2, end, 35.6, 0.7),
            linear((x, 0), (end, 0), [(0.0, rgb("#0b4aa2")), (0.6, rgb("#2a9df4")),
                                      (1.0, rgb("#7fd3ff"))]))
    return cv


def draw_sphere(scale):
    cv = Canvas(16, 16, scale, 8)
    cx, cy, r = 8.0, 8.0, 7.3
    cv.fill(Circle(cx, cy, r), radial((cx - 2.0, cy - 2.4), r * 1.5,
                                      [(0.0, rgb("#3b4f66")), (0.45, rgb("#16222f")),
                                       (1.0, rgb("#05080c"))]))
    # cyan rim light along the lower right and a bright sheen on the upper left
    cv.fill(Arc(cx, cy, r - 1.6, r - 0.5, 10.0, 120.0) & Circle(cx, cy, r), rgb("#1fd8f0"),
            0.75)
    cv.fill(Ellipse(cx - 2.3, cy - 3.0, 3.1, 1.9),
            radial((cx - 2.6, cy - 3.3), 3.2, [(0.0, rgb("#e6fdff")), (0.5, rgb("#5ef0ff")),
                                               (1.0, rgb("#19b8d6"))]), 0.9)
    return cv


def draw_question(scale):
    ss = 8
    cv = Canvas(21, 21, scale, ss)
    cx, cy, r = 10.5, 10.5, 9.8
    cv.fill(Circle(cx, cy, r), rgb("#0a3a8c"))
    cv.fill(Circle(cx, cy, r - 0.9), radial((cx - 3.0, cy - 3.5), r * 1.6,
                                            [(0.0, rgb("#6cb6ff")), (0.5, rgb("#2a7de1")),
                                             (1.0, rgb("#0b4aa2"))]))
    mark = Text("?", FONT_BOLD, 17)
    cv.fill(mark.at(cx - mark.width / 2.0 + 0.1, cy - mark.height / 2.0 + 0.2),
            rgb("#ffffff"))
    return cv


def draw_power(scale):
    cv = Canvas(16, 16, scale, 8)
    cx, cy, r = 8.0, 8.0, 7.4
    cv.fill(Circle(cx, cy, r), rgb("#6d0a0e"))
    cv.fill(Circle(cx, cy, r - 0.9), radial((cx - 2.0, cy - 2.5), r * 1.4,
                                            [(0.0, rgb("#ff7a6e")), (0.5, rgb("#e0281f")),
                                             (1.0, rgb("#a3141a"))]))
    sym = rgb("#fbfbfb")
    cv.fill(Arc(cx, cy + 0.4, 2.6, 4.1, -50.0, 230.0, rounded=True), sym)
    cv.fill(Stroke([(cx, 2.6), (cx, 7.6)], 1.5), sym)
    return cv


def draw_house(scale):
    cv = Canvas(16, 16, scale, 8)
    ink = rgb("#3a2a20")
    # chimney, walls, roof, door, window
    cv.fill(Rect(10.2, 1.8, 12.6, 6.0), ink)
    cv.fill(Rect(10.9, 2.5, 11.9, 6.0), rgb("#b5523b"))
    cv.fill(Rect(2.6, 7.0, 13.4, 14.8), ink)
    cv.fill(Rect(3.4, 7.0, 12.6, 14.0), rgb("#f1dfb8"))
    roof = [(0.6, 8.4), (8.0, 1.2), (15.4, 8.4)]
    cv.fill(Stroke(roof, 2.4), ink)
    cv.fill(Stroke(roof, 1.0), rgb("#e0412b"))
    cv.fill(Polygon([(2.4, 7.6), (8.0, 2.2), (13.6, 7.6)]), rgb("#c9301f"))
    cv.fill(Rect(6.6, 9.6, 9.4, 14.0), rgb("#7a4a2a"))
    cv.fill(Circle(8.8, 12.0, 0.35), rgb("#f2c94c"))
    cv.fill(Rect(10.0, 9.2, 12.0, 11.4), rgb("#3a7bd5"))
    return cv


def draw_site(scale):
    cv = Canvas(16, 16, scale, 8)
    monitor(cv, 4.6, 0.8, 15.6, 9.0)
    globe(cv, 5.6, 10.2, 5.4, line=0.7, outline=0.85)
    return cv



# --------------------------------------------------------------------------------------------
# File formats.

# A variant's colours: 8 bits (a palette of up to 256) unless that moves some pixel further
# than this from its drawn colour, in any channel; then 24 bits. The palette is the shortest
# of PALETTES that keeps every pixel within CLOSE_ENOUGH, or else the longest.
MAX_PALETTE_ERROR = 24
CLOSE_ENOUGH = 8
PALETTES = (32, 64, 128, 256)


def palette_image(rgb, key):
    """The picture on the shortest palette that holds it closely enough, the key colour (if
    any) kept exact and used by no other pixel; None when no palette holds it within
    MAX_PALETTE_ERROR."""
    for n in PALETTES:
        im, worst = quantized(rgb, key, n)
        if worst <= CLOSE_ENOUGH:
            break
    if worst > MAX_PALETTE_ERROR:
        return None, worst
    return im, worst


def quantized(rgb, key, n):
    """The picture on a palette of n colours (the key among them), and the largest error."""
    q = rgb.quantize(colors=n - 1 if key else n, method=Image.Quantize.MAXCOVERAGE,
                     dither=Image.Dither.NONE)
    pal = (q.getpalette() or [])[:768]
    pal += [0] * (768 - len(pal))
    entries = [tuple(pal[i * 3:i * 3 + 3]) for i in range(256)]
    if key:
        entries = [tuple(v - 1 if v == 255 else v + 1 for v in c) if c == key else c
                   for c in entries[:255]] + [key]
    index = list(q.getdata())
    worst = 0
    for i, c in enumerate(rgb.getdata()):
        if key and c == key:
            index[i] = 255
            continue
        worst = max(worst, max(abs(a - b) for a, b in zip(c, entries[index[i]])))
    # only the entries in use, in the order the rows first use them (the key
    # among them): a shorter palette is fewer bytes in the program
    order = {}
    for i in index:
        order.setdefault(i, len(order))
    out = Image.new("P", rgb.size)
    used = sorted(order, key=order.get)
    out.putpalette([v for i in used for v in entries[i]] + [0] * (3 * (256 - len(used))))
    out.putdata([order[i] for i in index])
    out.info["colours"] = len(used)
    return out, worst


def rle8(index, w, h):
    """Run-length coded 8-bit pixels (BI_RLE8), bottom row first: runs of one index, literal
    stretches where the indices vary, an end-of-line after each row and an end-of-bitmap."""
    out = bytearray()
    for y in reversed(range(h)):
        row = index[y * w:(y + 1) * w]
        i = 0
        while i < w:
            run = 1
            while i + run < w and run < 255 and row[i + run] == row[i]:
                run += 1
            if run >= 2 or w - i < 3:
                out += bytes((run, row[i]))
                i += run
                continue
            # a literal stretch, until the next run of three or more
            j = i
            while j < w and j - i < 255:
                if j + 2 < w and row[j] == row[j + 1] == row[j + 2]:
                    break
                j += 1
            n = j - i
            if n < 3:
                for v in row[i:j]:
                    out += bytes((1, v))
            else:
                out += bytes((0, n)) + bytes(row[i:j]) + (b"\0" if n % 2 else b"")
            i = j
        out += b"\0\0"
    out[-2:] = b"\0\1"
    return bytes(out)


def bmp(rgb, key):
    """A bottom-up BMP: run-length coded 8 bits where a palette holds the picture, else
    uncompressed 24 bits."""
    im, worst = palette_image(rgb, key)
    if im is None:
        buf = io.BytesIO()
        rgb.save(buf, "BMP")
        return buf.getvalue(), worst
    w, h = im.size
    pixels = rle8(list(im.getdata()), w, h)
    colours = im.info["colours"]
    pal = im.getpalette()[:768]
    palette = b"".join(bytes((pal[i * 3 + 2], pal[i * 3 + 1], pal[i * 3], 0)) for i in range(colours))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 1, len(pixels), 3780, 3780, colours, 0)
    start = 14 + 40 + len(palette)
    head = struct.pack("<2sIHHI", b"BM", start + len(pixels), 0, 0, start)
    data = head + info + palette + pixels
    # the coding must give back every pixel, as another decoder reads it
    if list(Image.open(io.BytesIO(data)).convert("RGB").getdata()) != \
            list(im.convert("RGB").getdata()):
        raise AssertionError("the run-length coding does not give the picture back")
    return data, worst


def ico(frames):
    """An icon file of RGBA frames: 32-bit bitmaps with their mask below PNG_FROM pixels,
    PNG above."""
    images = []
    for im in frames:
        w, h = im.size
        if w >= PNG_FROM:
            # a palette with transparency: a third of the bytes of full colour
            buf = io.BytesIO()
            im.quantize(colors=256, method=Image.Quantize.FASTOCTREE,
                        dither=Image.Dither.NONE).save(buf, "PNG", optimize=True)
            images.append(buf.getvalue())
            continue
        px = list(im.getdata())
        xor = bytearray()
        mask = bytearray()
        mask_stride = ((w + 31) // 32) * 4
        for y in reversed(range(h)):
            bits = bytearray(mask_stride)
            for x in range(w):
                r, g, b, a = px[y * w + x]
                xor += bytes((b, g, r, a))
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        info = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, len(xor) + len(mask),
                           0, 0, 0, 0)
        images.append(info + bytes(xor) + bytes(mask))
    out = struct.pack("<HHH", 0, 1, len(frames))
    offset = 6 + 16 * len(frames)
    for im, data in zip(frames, images):
        w, h = im.size
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def fnv1a64(data):
    """The hash the program finds a stored picture's variants by."""
    h = 0xCBF29CE484222325
    for b in data:
        h = ((h ^ b) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return h


# --------------------------------------------------------------------------------------------
# What is made. Each stored picture: its drawing, its 96-DPI size, and how its pixels meet
# the window (over white, or with a transparent key colour shown as in the stored BMP).

PICTURES = [
    # stored file,   drawing,       (w, h),   key,     threshold, blend
    ("image1.jpg", draw_nodes, (20, 20), None, 0, False),
    ("image2.jpg", draw_handset, (22, 23), None, 0, False),
    ("image3.jpg", draw_router, (22, 23), None, 0, False),
    ("image4.jpg", draw_banner, (240, 42), None, 0, False),
    ("command1.bmp", draw_sphere, (16, 16), WHITE, 0.35, True),
    ("kavrelcmd1.jpg", draw_question, (21, 21), None, 0, False),
    ("menu_exit.bmp", draw_power, (16, 16), MAGENTA, 0.5, False),
    ("menu_opti.bmp", draw_sphere, (16, 16), WHITE, 0.35, True),
    ("menu_propos.bmp", draw_house, (16, 16), WHITE, 0.35, True),
    ("menu_site.bmp", draw_site, (16, 16), WHITE, 0.35, True),
]

# The 96-DPI pictures as Form1's stored description carries them: never rewritten here.
STORED_SHA256 = {
    "command1.bmp": "59f30efb10ca6db252c6f2e072d5d7836c1e13dd1aa09d62034aa80c8787b02b",
    "icon.ico": "86b4fd272cccd46548a6e8b8c2ce525a4ee4c75bcd11694580bbff2bb22d3d08",
    "image1.jpg": "399f599e3b7730bbbd3e9e073e38f9412f882a4df113f4df67a1ca52dc1a6a04",
    "image2.jpg": "01897f15628c5de0d8f6e05c065eb858c1d4757131f89817ec8b1f940538dcb6",
    "image3.jpg": "ac78e605ec68dafba82f7b36e4b544a198fb32314e26908186c9b06da61ffc62",
    "image4.jpg": "085db5a5c052c154297b3f46ff65b87c8150dad12d52fcba9bc639c683567e11",
    "kavrelcmd1.jpg": "d8304f547623d5eca1b4859d08c2ba4fdbf80aca676e94ea58ad3a9f157e4054",
    "menu_exit.bmp": "f87b3d11adf1a8bdd1af329eb3c0e07bc4b5c344c09288751266035b441ce704",
    "menu_opti.bmp": "59f30efb10ca6db252c6f2e072d5d7836c1e13dd1aa09d62034aa80c8787b02b",
    "menu_propos.bmp": "4113f44244f6536e212abaf8b9e9411f3ea9c0c379aa556b28cffabae38e5ecb",
    "menu_site.bmp": "170abd3f6939941e2722b1306564a97b0f45bc6d7edd44de2d3980143812a278",
}


def variant_name(stored, scale):
    return "%s_%d.bmp" % (os.path.splitext(stored)[0], scale)


def resource_name(digest, scale):
    return "PIC_%016X_%d" % (digest, scale)


def build(report):
    """Every variant, the icon and the resource script, as {file name: bytes}."""
    files = {}
    lines = ["// The window's pictures made for 150 % and 200 %, written by",
             "// scripts/make-pictures.py: each is named PIC_<hash>_<scale>, the hash (FNV-1a,",
             "// 64 bits) being that of the stored picture's bytes in Form1's description.",
             "// CMake fills in the folder."]
    done = set()
    for stored, draw, (w, h), key, threshold, blend in PICTURES:
        with open(os.path.join(STORED_DIR, stored), "rb") as f:
            digest = fnv1a64(f.read())
        if digest in done:
            continue          # the same picture stored twice: one set of variants serves both
        done.add(digest)
        for scale in SCALES:
            cv = draw(scale)
            rgb = keyed(cv, key, threshold, blend) if key else over_ground(cv, WHITE)
            data, worst = bmp(rgb, key)
            name = variant_name(stored, scale)
            files[name] = data
            report.append("%-20s %3dx%-3d %2d-bit %6d bytes (palette error %d)" % (
                name, rgb.size[0], rgb.size[1], 8 if data[28] == 8 else 24, len(data), worst))
            lines.append('%s RCDATA "@KAVREL_VARIANTS_DIR@/%s"' % (resource_name(digest, scale),
                                                                 name))
    frames = [draw_icon(size * 100.0 / 32).image for size in ICON_SIZES]
    files["app.ico"] = ico(frames)
    report.append("%-20s %d frames %s, %6d bytes" % ("app.ico", len(frames),
                                                     ICON_SIZES, len(files["app.ico"])))
    files["variants.rc.in"] = ("\n".join(lines) + "\n").encode("ascii")
    return files


def check_variant(name, data, expected, key):
    """Problems with one variant's form."""
    w, h = expected
    if data[:2] != b"BM" or struct.unpack_from("<I", data, 14)[0] != 40:
        return ["%s: not a BMP with a 40-byte header" % name]
    bw, bh, _, bits, comp = struct.unpack_from("<iiHHI", data, 18)
    bad = []
    if (bw, bh) != (w, h):
        bad.append("%s: is %dx%d, the window lays it out at %dx%d" % (name, bw, bh, w, h))
    if (bits, comp) not in ((8, 1), (24, 0)):
        bad.append("%s: is neither run-length coded 8-bit nor uncompressed 24-bit" % name)
    im = Image.open(io.BytesIO(data))
    im.load()
    if key:
        im = im.convert("RGB")
        corners = [im.getpixel(p) for p in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1))]
        if any(c != key for c in corners):
            bad.append("%s: corners are not the transparent colour" % name)
    return bad



# Expected form of each file: (width, height, kind, transparent colour of a BMP).
EXPECTED = {
    "icon.ico": (32, 32, "ico", None),
    "image1.jpg": (20, 20, "jpg", None),
    "image2.jpg": (22, 23, "jpg", None),
    "image3.jpg": (22, 23, "jpg", None),
    "image4.jpg": (240, 42, "jpg", None),
    "command1.bmp": (16, 16, "bmp", WHITE),
    "kavrelcmd1.jpg": (21, 21, "jpg", None),
    "menu_exit.bmp": (16, 16, "bmp", MAGENTA),
    "menu_opti.bmp": (16, 16, "bmp", WHITE),
    "menu_propos.bmp": (16, 16, "bmp", WHITE),
    "menu_site.bmp": (16, 16, "bmp", WHITE),
}




def u16(b, o):
    return int.from_bytes(b[o:o + 2], "little")


def u32(b, o):
    return int.from_bytes(b[o:o + 4], "little")


def check_format(name, data):
    """Problems with one file's form, as a list of messages (empty when it is sound)."""
    w, h, kind, key = EXPECTED[name]
    bad = []
    if kind == "bmp":
        if len(data) != 54 + h * ((w * 3 + 3) & ~3) or data[:2] != b"BM":
            return ["not a %d-byte BMP" % (54 + h * ((w * 3 + 3) & ~3))]
        if (u32(data, 18), u32(data, 22), u16(data, 28), u32(data, 30)) != (w, h, 24, 0):
            bad.append("header is not %dx%d 24-bit BI_RGB bottom-up" % (w, h))
        stride = (w * 3 + 3) & ~3
        px = [[tuple(data[54 + y * stride + 3 * x + i] for i in (2, 1, 0)) for x in range(w)]
              for y in range(h)]
        corners = [px[0][0], px[0][w - 1], px[h - 1][0], px[h - 1][w - 1]]
        if any(c != key for c in corners):
            bad.append("corners are not the transparent colour %02X%02X%02X" % key)
        if all(c == key for row in px for c in row):
            bad.append("nothing is drawn")
        # key-coloured pixels inside the drawing would show as holes: every one of them must
        # join the border through other key-coloured pixels
        seen = set((x, y) for x in range(w) for y in range(h)
                   if px[y][x] == key and (x in (0, w - 1) or y in (0, h - 1)))
        todo = list(seen)
        while todo:
            x, y = todo.pop()
            for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                if 0 <= nx < w and 0 <= ny < h and (nx, ny) not in seen \
                        and px[ny][nx] == key:
                    seen.add((nx, ny))
                    todo.append((nx, ny))
        holes = [(x, y) for x in range(w) for y in range(h)
                 if px[y][x] == key and (x, y) not in seen]
        if holes:
            bad.append("transparent colour inside the drawing at %d,%d" % holes[0])
    elif kind == "jpg":
        if data[:3] != b"\xff\xd8\xff" or data[-2:] != b"\xff\xd9":
            return ["not a JPEG"]
        o = 2
        while o + 4 <= len(data):
            marker, length = data[o + 1], int.from_bytes(data[o + 2:o + 4], "big")
            if marker in (0xC0, 0xC1, 0xC2):
                if (int.from_bytes(data[o + 7:o + 9], "big"),
                        int.from_bytes(data[o + 5:o + 7], "big")) != (w, h):
                    bad.append("frame is not %dx%d" % (w, h))
                break
            if marker in (0xE1, 0xFE):
                bad.append("carries metadata (marker FF%02X)" % marker)
            o += 2 + length
        else:
            bad.append("no frame header")
    else:
        if data[:6] != b"\x00\x00\x01\x00\x01\x00":
            return ["not a one-image icon"]
        if (data[6], data[7], u16(data, 12), u32(data, 18)) != (w, h, 8, 22):
            bad.append("directory entry is not %dx%d 8-bit" % (w, h))
        if (u32(data, 26), u32(data, 30), u16(data, 36)) != (w, 2 * h, 8):
            bad.append("image header is not %dx%d 8-bit" % (w, h))
        if len(data) != 22 + 40 + 1024 + w * h + h * 4:
            bad.append("size is not that of a 256-colour image with its mask")
        mask = data[22 + 40 + 1024 + w * h:]
        ones = sum(bin(b).count("1") for b in mask)
        if ones == 0 or ones == w * h:
            bad.append("mask is all opaque or all transparent")
        if mask[0] & 0x80 == 0 or mask[-1] & 0x01 == 0:
            bad.append("corners are not transparent")
    return bad


def check_stored():
    """The 96-DPI files must be the ones Form1 was made with, in their expected form."""
    bad = []
    for name in EXPECTED:
        path = os.path.join(STORED_DIR, name)
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError as e:
            bad.append("%s: %s" % (name, e.strerror))
            continue
        if hashlib.sha256(data).hexdigest() != STORED_SHA256[name]:
            bad.append("%s: is not the stored 96-DPI picture (SHA-256 changed)" % name)
        bad += ["%s: %s" % (name, m) for m in check_format(name, data)]
    return bad


def write(folder, files):
    os.makedirs(folder, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


def main(argv):
    args = argv[1:]
    check = "--check" in args
    out = args[args.index("--out") + 1] if "--out" in args else OUT_DIR
    problems = check_stored()
    report = []
    files = build(report)
    for stored, _, (w, h), key, _, _ in PICTURES:
        for scale in SCALES:
            name = variant_name(stored, scale)
            if name in files:
                problems += check_variant(name, files[name],
                                          (scaled(w, scale), scaled(h, scale)), key)
    if check:
        with tempfile.TemporaryDirectory() as tmp:
            write(tmp, files)
            committed = set(n for n in os.listdir(OUT_DIR)) if os.path.isdir(OUT_DIR) else set()
            for name in sorted(set(files) | committed):
                if name not in files:
                    problems.append("%s: committed but not made by this script" % name)
                    continue
                try:
                    with open(os.path.join(OUT_DIR, name), "rb") as f:
                        same = f.read() == open(os.path.join(tmp, name), "rb").read()
                except OSError as e:
                    problems.append("%s: %s" % (name, e.strerror))
                    continue
                if not same:
                    problems.append("%s: differs from what this script draws" % name)
    if problems:
        print("\n".join(problems), file=sys.stderr)
        return 1
    if check:
        print("%d files match the script; the %d stored pictures are unchanged"
              % (len(files), len(EXPECTED)))
        return 0
    write(out, files)
    print("\n".join(report))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
