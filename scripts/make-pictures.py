#!/usr/bin/env python3
"""Draws the window's pictures and writes them to app/resources/pictures/.

    python3 scripts/make-pictures.py            # (re)write the eleven files
    python3 scripts/make-pictures.py --check    # redraw in memory, compare with the
                                                # committed files and check their formats

Every picture is drawn here from simple shapes (circles, polygons, strokes, gradients),
supersampled for smooth edges. The only outside inputs are two Liberation fonts (Debian's
fonts-liberation, for the banner's lettering and the question mark), which ImageMagick's
/usr/bin/convert turns into coverage masks, and the same convert for JPEG encoding (fixed
settings, metadata stripped). BMP and ICO files are written byte by byte below. Nothing depends
on the clock or on randomness, so a rerun gives the same bytes.

Only the Python standard library is used.
"""

import math
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT_DIR = os.path.join(ROOT, "app", "resources", "pictures")

# The machine may have another `convert` earlier on PATH: always name ImageMagick's.
CONVERT = "/usr/bin/convert"
FONT_DIR = "/usr/share/fonts/truetype/liberation"
FONT_BOLD = os.path.join(FONT_DIR, "LiberationSans-Bold.ttf")
FONT_REGULAR = os.path.join(FONT_DIR, "LiberationSans-Regular.ttf")

JPEG_QUALITY = 100

WHITE = (255, 255, 255)
MAGENTA = (255, 0, 255)


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
# Shapes: cov(x, y) gives the coverage 0..1 of a sample point, bbox its bounds.

class Shape:
    def __or__(self, other):
        return Union(self, other)

    def __and__(self, other):
        return Intersect(self, other)

    def __sub__(self, other):
        return Difference(self, other)


class Union(Shape):
    def __init__(self, *parts):
        self.parts = parts
        boxes = [p.bbox for p in parts]
        self.bbox = (min(b[0] for b in boxes), min(b[1] for b in boxes),
                     max(b[2] for b in boxes), max(b[3] for b in boxes))

    def cov(self, x, y):
        best = 0.0
        for p in self.parts:
            b = p.bbox
            if b[0] <= x <= b[2] and b[1] <= y <= b[3]:
                c = p.cov(x, y)
                if c > best:
                    best = c
                    if best >= 1.0:
                        break
        return best


class Intersect(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b
        self.bbox = (max(a.bbox[0], b.bbox[0]), max(a.bbox[1], b.bbox[1]),
                     min(a.bbox[2], b.bbox[2]), min(a.bbox[3], b.bbox[3]))

    def cov(self, x, y):
        c = self.a.cov(x, y)
        return min(c, self.b.cov(x, y)) if c > 0 else 0.0


class Difference(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b
        self.bbox = a.bbox

    def cov(self, x, y):
        c = self.a.cov(x, y)
        if c <= 0:
            return 0.0
        b = self.b.bbox
        if b[0] <= x <= b[2] and b[1] <= y <= b[3]:
            return c * (1.0 - self.b.cov(x, y))
        return c


class Circle(Shape):
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r2 = cx, cy, r * r
        self.bbox = (cx - r, cy - r, cx + r, cy + r)

    def cov(self, x, y):
        return 1.0 if (x - self.cx) ** 2 + (y - self.cy) ** 2 <= self.r2 else 0.0


class Ellipse(Shape):
    def __init__(self, cx, cy, rx, ry):
        self.cx, self.cy, self.rx, self.ry = cx, cy, rx, ry
        self.bbox = (cx - rx, cy - ry, cx + rx, cy + ry)

    def cov(self, x, y):
        u, v = (x - self.cx) / self.rx, (y - self.cy) / self.ry
        return 1.0 if u * u + v * v <= 1.0 else 0.0


class Rect(Shape):
    def __init__(self, x0, y0, x1, y1):
        self.bbox = (x0, y0, x1, y1)

    def cov(self, x, y):
        b = self.bbox
        return 1.0 if b[0] <= x <= b[2] and b[1] <= y <= b[3] else 0.0


class RoundRect(Shape):
    def __init__(self, x0, y0, x1, y1, r):
        self.bbox = (x0, y0, x1, y1)
        self.r = r

    def cov(self, x, y):
        x0, y0, x1, y1 = self.bbox
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return 0.0
        r = self.r
        dx = max(x0 + r - x, 0.0, x - (x1 - r))
        dy = max(y0 + r - y, 0.0, y - (y1 - r))
        return 1.0 if dx * dx + dy * dy <= r * r else 0.0


class Polygon(Shape):
    """Even-odd filled polygon."""

    def __init__(self, pts):
        self.pts = pts
        xs, ys = [p[0] for p in pts], [p[1] for p in pts]
        self.bbox = (min(xs), min(ys), max(xs), max(ys))

    def cov(self, x, y):
        inside = False
        pts = self.pts
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                inside = not inside
            j = i
        return 1.0 if inside else 0.0


class Stroke(Shape):
    """A polyline of the given width with round joins and caps."""

    def __init__(self, pts, width):
        self.segs = list(zip(pts, pts[1:])) or [(pts[0], pts[0])]
        self.h2 = (width / 2.0) ** 2
        h = width / 2.0
        xs, ys = [p[0] for p in pts], [p[1] for p in pts]
        self.bbox = (min(xs) - h, min(ys) - h, max(xs) + h, max(ys) + h)

    def cov(self, x, y):
        for (ax, ay), (bx, by) in self.segs:
            dx, dy = bx - ax, by - ay
            den = dx * dx + dy * dy
            t = 0.0 if den == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / den))
            px, py = ax + t * dx - x, ay + t * dy - y
            if px * px + py * py <= self.h2:
                return 1.0
        return 0.0


class Arc(Shape):
    """A ring between radii r0 and r1; with a0/a1 only the part whose angle (degrees, 0 along
    +x, counting towards +y, i.e. clockwise on screen) lies from a0 to a1."""

    def __init__(self, cx, cy, r0, r1, a0=None, a1=None, rounded=False):
        self.cx, self.cy, self.r0, self.r1 = cx, cy, r0, r1
        self.a0, self.a1 = a0, a1
        self.bbox = (cx - r1, cy - r1, cx + r1, cy + r1)
        self.caps = None
        if rounded and a0 is not None:
            rm, w = (r0 + r1) / 2.0, (r1 - r0)
            self.caps = [Circle(cx + rm * math.cos(math.radians(a)),
                                cy + rm * math.sin(math.radians(a)), w / 2.0) for a in (a0, a1)]

    def cov(self, x, y):
        if self.caps and any(c.cov(x, y) for c in self.caps):
            return 1.0
        d2 = (x - self.cx) ** 2 + (y - self.cy) ** 2
        if not (self.r0 * self.r0 <= d2 <= self.r1 * self.r1):
            return 0.0
        if self.a0 is None:
            return 1.0
        a = math.degrees(math.atan2(y - self.cy, x - self.cx))
        span = (self.a1 - self.a0) % 360.0
        return 1.0 if (a - self.a0) % 360.0 <= span else 0.0


class EllipseRing(Shape):
    """The outline of an ellipse, `width` thick (measured along the axes)."""

    def __init__(self, cx, cy, rx, ry, width):
        h = width / 2.0
        self.outer = Ellipse(cx, cy, rx + h, ry + h)
        self.inner = Ellipse(cx, cy, max(rx - h, 1e-6), max(ry - h, 1e-6))
        self.bbox = self.outer.bbox

    def cov(self, x, y):
        return 1.0 if self.outer.cov(x, y) and not self.inner.cov(x, y) else 0.0


class Placed(Shape):
    """A shape drawn in local coordinates, rotated by `angle` degrees (clockwise on screen)
    about the local origin, then moved to (tx, ty)."""

    def __init__(self, shape, angle, tx, ty):
        self.shape = shape
        a = math.radians(angle)
        self.c, self.s, self.tx, self.ty = math.cos(a), math.sin(a), tx, ty
        x0, y0, x1, y1 = shape.bbox
        corners = [self._fwd(x, y) for x in (x0, x1) for y in (y0, y1)]
        self.bbox = (min(p[0] for p in corners), min(p[1] for p in corners),
                     max(p[0] for p in corners), max(p[1] for p in corners))

    def _fwd(self, x, y):
        return (self.c * x - self.s * y + self.tx, self.s * x + self.c * y + self.ty)

    def cov(self, x, y):
        dx, dy = x - self.tx, y - self.ty
        return self.shape.cov(self.c * dx + self.s * dy, -self.s * dx + self.c * dy)


class Mask(Shape):
    """Coverage from a greyscale bitmap laid on the canvas's sample grid (ss samples a pixel),
    its top-left sample at (left, top) in picture pixels."""

    def __init__(self, data, w, h, ss, left, top):
        self.data, self.w, self.h, self.ss = data, w, h, ss
        self.left, self.top = left, top
        self.bbox = (left, top, left + w / ss, top + h / ss)

    def cov(self, x, y):
        i = int(math.floor((x - self.left) * self.ss))
        j = int(math.floor((y - self.top) * self.ss))
        if 0 <= i < self.w and 0 <= j < self.h:
            return self.data[j * self.w + i] / 255.0
        return 0.0


# --------------------------------------------------------------------------------------------
# Canvas: premultiplied RGBA samples, `ss` x `ss` per picture pixel, initially transparent.

class Canvas:
    def __init__(self, w, h, ss):
        self.w, self.h, self.ss = w, h, ss
        self.W, self.H = w * ss, h * ss
        n = self.W * self.H
        self.r, self.g, self.b, self.a = [0.0] * n, [0.0] * n, [0.0] * n, [0.0] * n

    def fill(self, shape, paint, opacity=1.0):
        ss = self.ss
        x0, y0, x1, y1 = shape.bbox
        i0, i1 = max(0, int(math.floor(x0 * ss))), min(self.W, int(math.ceil(x1 * ss)) + 1)
        j0, j1 = max(0, int(math.floor(y0 * ss))), min(self.H, int(math.ceil(y1 * ss)) + 1)
        solid = None if callable(paint) else paint
        R, G, B, A = self.r, self.g, self.b, self.a
        for j in range(j0, j1):
            y = (j + 0.5) / ss
            row = j * self.W
            for i in range(i0, i1):
                x = (i + 0.5) / ss
                c = shape.cov(x, y)
                if c <= 0.0:
                    continue
                col = solid or paint(x, y)
                a = c * opacity
                k = row + i
                keep = 1.0 - a
                R[k] = col[0] * a + R[k] * keep
                G[k] = col[1] * a + G[k] * keep
                B[k] = col[2] * a + B[k] * keep
                A[k] = a + A[k] * keep

    def pixels(self):
        """Averages the samples: a list of rows of premultiplied (r, g, b, a) pixels."""
        ss, W = self.ss, self.W
        n = float(ss * ss)
        rows = []
        for py in range(self.h):
            row = []
            for px in range(self.w):
                r = g = b = a = 0.0
                for j in range(py * ss, py * ss + ss):
                    base = j * W + px * ss
                    for k in range(base, base + ss):
                        r += self.r[k]
                        g += self.g[k]
                        b += self.b[k]
                        a += self.a[k]
                row.append((r / n, g / n, b / n, a / n))
            rows.append(row)
        return rows


def to8(v):
    return max(0, min(255, int(v * 255.0 + 0.5)))


def over_ground(pixels, ground):
    """Composites premultiplied pixels over an opaque ground colour (8-bit), giving 8-bit RGB."""
    g = [c / 255.0 for c in ground]
    return [[tuple(to8(p[i] + g[i] * (1.0 - p[3])) for i in range(3)) for p in row]
            for row in pixels]


def keyed(pixels, key, threshold, blend):
    """Pixels for a picture drawn with one transparent colour `key`: samples covering less than
    `threshold` become exactly the key; the others are either blended over the key colour
    (`blend`, for a key the picture is normally shown on, such as white) or shown in their own
    colour. No drawn pixel may equal the key, or it would turn transparent: those move one
    step off it."""
    g = [c / 255.0 for c in key]
    out = []
    for row in pixels:
        line = []
        for p in row:
            a = p[3]
            if a < threshold:
                line.append(key)
                continue
            if blend:
                c = tuple(to8(p[i] + g[i] * (1.0 - a)) for i in range(3))
            else:
                c = tuple(to8(p[i] / a) for i in range(3))
            if c == key:
                c = tuple(v - 1 if v == 255 else v + 1 for v in c)
            line.append(c)
        out.append(line)
    return out


# --------------------------------------------------------------------------------------------
# Lettering through ImageMagick: a coverage mask on the canvas's sample grid.

def text_mask(text, font, pixel_size, ss):
    """Renders `text` white on black at pixel_size * ss and crops it to its ink. Returns
    (data, width, height) in samples."""
    ps = pixel_size * ss
    w, h = int(ps * (len(text) + 2)), int(ps * 2)
    cmd = [CONVERT, "-size", "%dx%d" % (w, h), "xc:black", "-font", font,
           "-pointsize", "%g" % ps, "-fill", "white",
           "-annotate", "+%d+%d" % (int(ps * 0.5), int(ps * 1.4)), text,
           "-depth", "8", "gray:-"]
    data = subprocess.run(cmd, check=True, stdout=subprocess.PIPE).stdout
    if len(data) != w * h:
        raise RuntimeError("convert returned %d bytes for a %dx%d mask" % (len(data), w, h))
    rows = [j for j in range(h) if any(data[j * w:(j + 1) * w])]
    cols = [i for i in range(w) if any(data[j * w + i] for j in rows)]
    x0, x1, y0, y1 = cols[0], cols[-1] + 1, rows[0], rows[-1] + 1
    crop = bytes(b for j in range(y0, y1) for b in data[j * w + x0:j * w + x1])
    return crop, x1 - x0, y1 - y0


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

def draw_icon():
    cv = Canvas(32, 32, 8)
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


def draw_nodes():
    cv = Canvas(20, 20, 8)
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


def draw_handset():
    cv = Canvas(22, 23, 8)
    angle, cx, cy = 42.0, 13.2, 14.4
    cv.fill(Placed(handset_local(0.75), angle, cx, cy), rgb("#15181d"))
    cv.fill(Placed(handset_local(0.0), angle, cx, cy),
            linear((4, 4), (18, 19), [(0.0, rgb("#6a7686")), (0.45, rgb("#343c48")),
                                       (1.0, rgb("#1b2028"))]))
    # a highlight along the outer edge of the handle
    cv.fill(Placed(Arc(-7.0, 0.0, 9.2, 9.8, -40.0, 40.0, rounded=True), angle, cx, cy),
            rgb("#aab6c6"), 0.7)
    return cv


def draw_router():
    cv = Canvas(22, 23, 8)
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


def draw_banner():
    ss = 4
    cv = Canvas(240, 42, ss)
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
    k_data, k_w, k_h = text_mask("Kavrel", FONT_REGULAR, size, ss)
    l_data, l_w, l_h = text_mask("LinkTune", FONT_BOLD, size, ss)
    x = 44.0
    cap_top = 9.0                         # both words start with a capital: align their tops
    gap = size * 0.26
    cv.fill(Mask(k_data, k_w, k_h, ss, x, cap_top), rgb("#3d4654"))
    lx = x + k_w / ss + gap
    cv.fill(Mask(l_data, l_w, l_h, ss, lx, cap_top),
            linear((0, cap_top), (0, cap_top + 19), [(0.0, rgb("#2a7de1")),
                                                      (1.0, rgb("#0b4aa2"))]))
    # a thin accent rule under the name
    end = lx + l_w / ss
    cv.fill(RoundRect(x, 34.2, end, 35.6, 0.7),
            linear((x, 0), (end, 0), [(0.0, rgb("#0b4aa2")), (0.6, rgb("#2a9df4")),
                                      (1.0, rgb("#7fd3ff"))]))
    return cv


def draw_sphere():
    cv = Canvas(16, 16, 8)
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


def draw_question():
    ss = 8
    cv = Canvas(21, 21, ss)
    cx, cy, r = 10.5, 10.5, 9.8
    cv.fill(Circle(cx, cy, r), rgb("#0a3a8c"))
    cv.fill(Circle(cx, cy, r - 0.9), radial((cx - 3.0, cy - 3.5), r * 1.6,
                                            [(0.0, rgb("#6cb6ff")), (0.5, rgb("#2a7de1")),
                                             (1.0, rgb("#0b4aa2"))]))
    data, w, h = text_mask("?", FONT_BOLD, 17, ss)
    cv.fill(Mask(data, w, h, ss, cx - w / ss / 2.0 + 0.1, cy - h / ss / 2.0 + 0.2),
            rgb("#ffffff"))
    return cv


def draw_power():
    cv = Canvas(16, 16, 8)
    cx, cy, r = 8.0, 8.0, 7.4
    cv.fill(Circle(cx, cy, r), rgb("#6d0a0e"))
    cv.fill(Circle(cx, cy, r - 0.9), radial((cx - 2.0, cy - 2.5), r * 1.4,
                                            [(0.0, rgb("#ff7a6e")), (0.5, rgb("#e0281f")),
                                             (1.0, rgb("#a3141a"))]))
    sym = rgb("#fbfbfb")
    cv.fill(Arc(cx, cy + 0.4, 2.6, 4.1, -50.0, 230.0, rounded=True), sym)
    cv.fill(Stroke([(cx, 2.6), (cx, 7.6)], 1.5), sym)
    return cv


def draw_house():
    cv = Canvas(16, 16, 8)
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


def draw_site():
    cv = Canvas(16, 16, 8)
    monitor(cv, 4.6, 0.8, 15.6, 9.0)
    globe(cv, 5.6, 10.2, 5.4, line=0.7, outline=0.85)
    return cv


# --------------------------------------------------------------------------------------------
# File formats.

def bmp24(rows):
    """A 24-bit uncompressed (BI_RGB) bottom-up BMP."""
    h, w = len(rows), len(rows[0])
    stride = (w * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        pixels += line
    info = (40).to_bytes(4, "little") + w.to_bytes(4, "little", signed=True) \
        + h.to_bytes(4, "little", signed=True) + (1).to_bytes(2, "little") \
        + (24).to_bytes(2, "little") + (0).to_bytes(4, "little") \
        + len(pixels).to_bytes(4, "little") + (3780).to_bytes(4, "little") \
        + (3780).to_bytes(4, "little") + bytes(8)
    head = b"BM" + (14 + len(info) + len(pixels)).to_bytes(4, "little") + bytes(4) \
        + (14 + len(info)).to_bytes(4, "little")
    return head + info + bytes(pixels)


def median_cut(colours, n):
    """A palette of at most n colours for the weighted colour list [(colour, count)]."""
    boxes = [sorted(colours)]
    while len(boxes) < n:
        best, best_i, best_axis = -1, -1, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for axis in range(3):
                vals = [c[0][axis] for c in box]
                spread = max(vals) - min(vals)
                if spread > best:
                    best, best_i, best_axis = spread, i, axis
        if best <= 0:
            break
        box = sorted(boxes[best_i], key=lambda c: (c[0][best_axis], c[0]))
        total = sum(c[1] for c in box)
        acc, cut = 0, 1
        for k, c in enumerate(box[:-1]):
            acc += c[1]
            if acc * 2 >= total:
                cut = k + 1
                break
        else:
            cut = len(box) - 1
        boxes[best_i:best_i + 1] = [box[:cut], box[cut:]]
    palette = []
    for box in boxes:
        total = sum(c[1] for c in box)
        palette.append(tuple((sum(c[0][i] * c[1] for c in box) + total // 2) // total
                             for i in range(3)))
    return palette


def ico8(pixels):
    """A one-image icon: 8-bit palette (256 entries) and a 1-bit AND mask. Samples covered
    less than half are transparent; the others keep their own, unblended colour so that the
    edge suits any background."""
    h, w = len(pixels), len(pixels[0])
    opaque = [[p[3] >= 0.5 for p in row] for row in pixels]
    colours = [[tuple(to8(p[i] / p[3]) for i in range(3)) if p[3] > 0 else (0, 0, 0)
                for p in row] for row in pixels]
    counts = {}
    for y in range(h):
        for x in range(w):
            if opaque[y][x]:
                counts[colours[y][x]] = counts.get(colours[y][x], 0) + 1
    # entry 0 is black, for the transparent pixels (their colour bits must be zero)
    palette = [(0, 0, 0)] + median_cut(sorted(counts.items()), 255)
    palette += [(0, 0, 0)] * (256 - len(palette))
    cache = {}

    def index(c):
        if c not in cache:
            cache[c] = min(range(len(palette)),
                           key=lambda i: (sum((a - b) ** 2 for a, b in zip(c, palette[i])), i))
        return cache[c]

    xor = bytearray()
    mask = bytearray()
    mask_stride = ((w + 31) // 32) * 4
    for y in reversed(range(h)):
        line = bytearray(index(colours[y][x]) if opaque[y][x] else 0 for x in range(w))
        line += bytes(((w + 3) & ~3) - w)
        xor += line
        bits = bytearray(mask_stride)
        for x in range(w):
            if not opaque[y][x]:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    pal = bytearray()
    for r, g, b in palette:
        pal += bytes((b, g, r, 0))
    info = (40).to_bytes(4, "little") + w.to_bytes(4, "little") \
        + (2 * h).to_bytes(4, "little") + (1).to_bytes(2, "little") \
        + (8).to_bytes(2, "little") + (0).to_bytes(4, "little") \
        + (len(xor) + len(mask)).to_bytes(4, "little") + bytes(8) \
        + (256).to_bytes(4, "little") + (0).to_bytes(4, "little")
    image = info + pal + xor + mask
    directory = (0).to_bytes(2, "little") + (1).to_bytes(2, "little") \
        + (1).to_bytes(2, "little")
    entry = bytes((w % 256, h % 256, 0, 0)) + (1).to_bytes(2, "little") \
        + (8).to_bytes(2, "little") + len(image).to_bytes(4, "little") \
        + (6 + 16).to_bytes(4, "little")
    return directory + entry + image


def jpeg(rows):
    """JPEG through ImageMagick, from a binary PPM, with no metadata. Highest quality and
    full-resolution colour: these pictures are tiny and sit on a white window, where lower
    settings leave visible tinted specks around the drawing (up to 18 levels off white at
    quality 95, 3 at 100)."""
    h, w = len(rows), len(rows[0])
    ppm = b"P6\n%d %d\n255\n" % (w, h) + bytes(v for row in rows for px in row for v in px)
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "out.jpg")
        subprocess.run([CONVERT, "ppm:-", "-strip", "-quality", str(JPEG_QUALITY),
                        "-sampling-factor", "1x1", "-interlace", "none", "jpg:" + path],
                       input=ppm, check=True)
        with open(path, "rb") as f:
            return f.read()


# --------------------------------------------------------------------------------------------

def build():
    """All pictures, as {file name: bytes}."""
    sphere = bmp24(keyed(draw_sphere().pixels(), WHITE, 0.35, True))
    return {
        "icon.ico": ico8(draw_icon().pixels()),
        "image1.jpg": jpeg(over_ground(draw_nodes().pixels(), WHITE)),
        "image2.jpg": jpeg(over_ground(draw_handset().pixels(), WHITE)),
        "image3.jpg": jpeg(over_ground(draw_router().pixels(), WHITE)),
        "image4.jpg": jpeg(over_ground(draw_banner().pixels(), WHITE)),
        "command1.bmp": sphere,
        "kavrelcmd1.jpg": jpeg(over_ground(draw_question().pixels(), WHITE)),
        "menu_exit.bmp": bmp24(keyed(draw_power().pixels(), MAGENTA, 0.5, False)),
        "menu_opti.bmp": sphere,
        "menu_propos.bmp": bmp24(keyed(draw_house().pixels(), WHITE, 0.35, True)),
        "menu_site.bmp": bmp24(keyed(draw_site().pixels(), WHITE, 0.35, True)),
    }


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


def main(argv):
    check = "--check" in argv[1:]
    files = build()
    if files["menu_opti.bmp"] != files["command1.bmp"]:
        raise AssertionError("menu_opti.bmp must be command1.bmp's picture")
    problems = []
    for name, data in files.items():
        problems += ["%s: %s" % (name, m) for m in check_format(name, data)]
        path = os.path.join(OUT_DIR, name)
        if check:
            try:
                with open(path, "rb") as f:
                    if f.read() != data:
                        problems.append("%s: differs from what this script draws" % name)
            except OSError as e:
                problems.append("%s: %s" % (name, e.strerror))
    if problems:
        print("\n".join(problems), file=sys.stderr)
        return 1
    if check:
        print("%d pictures match the script and have their expected form" % len(files))
        return 0
    os.makedirs(OUT_DIR, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(OUT_DIR, name), "wb") as f:
            f.write(data)
        print("%-16s %6d bytes" % (name, len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
