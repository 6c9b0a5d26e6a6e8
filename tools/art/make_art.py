#!/usr/bin/env python3
"""Draws the pictures that setup.exe carries as Windows resources.

    make_art.py OUTDIR [--preview FILE.png]

writes into OUTDIR:
    mainicon.ico       the product's mark: a letter sealed with the "T" of Tarno
    uninstallicon.ico  the mark with a red removal sign
    xicon1.ico         web mail: a letter in front of a globe
    xicon2.ico         web administration: a gear over a program window
    logo.bmp           the mark for the white top band of the wizard, 59 x 50, 24-bit

Every icon holds 16x16, 32x32 and 48x48 images as 32-bit BGRA DIBs with an
AND mask (no PNG images, so every icon reader takes them). --preview also
writes an enlarged sheet of every image on light and dark grounds, to look at.

Python standard library only. The drawing is pure arithmetic, so a run gives
the same bytes every time. Shapes are filled with the part of each pixel they
cover, measured on a grid of samples, which gives anti-aliased edges; the
straight edges of the small images sit on whole pixels so that they stay sharp.
"""

import math
import os
import struct
import sys
import zlib

SAMPLES = 5  # per pixel and axis
ICON_SIZES = (16, 32, 48)
LOGO_WIDTH, LOGO_HEIGHT = 59, 50

# Colours, 0..255 with an optional alpha in 0..1.
INK = (24, 62, 122)             # outlines of the letter and the globe
PAPER_TOP = (255, 255, 255)
PAPER_BOTTOM = (222, 232, 245)
FLAP_TOP = (240, 245, 252)
FLAP_BOTTOM = (200, 216, 238)
FOLD = (160, 184, 214)
SEAL_LIGHT = (255, 184, 77)
SEAL_DARK = (232, 112, 20)
SEAL_RIM = (168, 70, 8)
RED_LIGHT = (240, 86, 76)
RED_DARK = (184, 24, 24)
RED_RIM = (128, 12, 12)
WHITE = (255, 255, 255)
SHADOW = (0, 0, 0, 0.22)
SEA_LIGHT = (120, 196, 255)
SEA_DARK = (22, 96, 190)
LAND_LIGHT = (132, 214, 96)
LAND_DARK = (44, 140, 52)
WINDOW_RIM = (52, 74, 104)
TITLE_LIGHT = (88, 150, 226)
TITLE_DARK = (30, 86, 170)
CLIENT = (250, 252, 255)
CONTENT = (184, 196, 214)
STEEL_LIGHT = (226, 230, 236)
STEEL_DARK = (120, 128, 142)
STEEL_RIM = (58, 64, 76)


# ---------------------------------------------------------------- shapes
# A shape answers whether a point (in pixels, y downwards) lies inside it and
# gives a bounding box (x0, y0, x1, y1) outside which it never does.

class Rect:
    def __init__(self, x0, y0, x1, y1, radius=0.0):
        self.x0, self.y0, self.x1, self.y1 = x0, y0, x1, y1
        self.r = max(0.0, min(radius, (x1 - x0) / 2, (y1 - y0) / 2))
        self.bbox = (x0, y0, x1, y1)

    def contains(self, x, y):
        if x < self.x0 or x > self.x1 or y < self.y0 or y > self.y1:
            return False
        r = self.r
        if r == 0.0:
            return True
        cx = min(max(x, self.x0 + r), self.x1 - r)
        cy = min(max(y, self.y0 + r), self.y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


class Ellipse:
    def __init__(self, cx, cy, rx, ry=None):
        ry = rx if ry is None else ry
        self.cx, self.cy, self.rx, self.ry = cx, cy, max(rx, 1e-6), max(ry, 1e-6)
        self.bbox = (cx - rx, cy - ry, cx + rx, cy + ry)

    def contains(self, x, y):
        dx = (x - self.cx) / self.rx
        dy = (y - self.cy) / self.ry
        return dx * dx + dy * dy <= 1.0


def Circle(cx, cy, r):
    return Ellipse(cx, cy, r, r)


class Polygon:
    def __init__(self, points):
        self.pts = list(points)
        xs = [p[0] for p in self.pts]
        ys = [p[1] for p in self.pts]
        self.bbox = (min(xs), min(ys), max(xs), max(ys))

    def contains(self, x, y):
        inside = False
        pts = self.pts
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y):
                if x < xi + (y - yi) * (xj - xi) / (yj - yi):
                    inside = not inside
            j = i
        return inside


class Line:
    """A stroke of width w from a to b, with round or square-cut ends."""

    def __init__(self, a, b, w, round_caps=True):
        self.ax, self.ay = a
        self.bx, self.by = b
        self.h = w / 2.0
        self.round = round_caps
        self.dx, self.dy = self.bx - self.ax, self.by - self.ay
        self.len2 = self.dx * self.dx + self.dy * self.dy or 1e-12
        h = self.h
        self.bbox = (min(self.ax, self.bx) - h, min(self.ay, self.by) - h,
                     max(self.ax, self.bx) + h, max(self.ay, self.by) + h)

    def contains(self, x, y):
        t = ((x - self.ax) * self.dx + (y - self.ay) * self.dy) / self.len2
        if not self.round and (t < 0.0 or t > 1.0):
            return False
        t = min(max(t, 0.0), 1.0)
        px = self.ax + t * self.dx - x
        py = self.ay + t * self.dy - y
        return px * px + py * py <= self.h * self.h


class Gear:
    """A toothed wheel: radius `root` between teeth, `tip` on them."""

    def __init__(self, cx, cy, root, tip, teeth, phase=0.0):
        self.cx, self.cy, self.root, self.tip = cx, cy, root, tip
        self.teeth, self.phase = teeth, phase
        self.bbox = (cx - tip, cy - tip, cx + tip, cy + tip)

    def contains(self, x, y):
        dx, dy = x - self.cx, y - self.cy
        r = math.hypot(dx, dy)
        if r <= self.root:
            return True
        if r > self.tip:
            return False
        # Position within one tooth period, 0..1: a tooth rises over 0.12,
        # stays flat for 0.26, falls over 0.12, then a gap.
        t = (math.atan2(dy, dx) / (2 * math.pi) * self.teeth + self.phase) % 1.0
        if t < 0.12:
            k = t / 0.12
        elif t < 0.38:
            k = 1.0
        elif t < 0.5:
            k = (0.5 - t) / 0.12
        else:
            k = 0.0
        return r <= self.root + (self.tip - self.root) * k


class Intersect:
    def __init__(self, a, b):
        self.a, self.b = a, b
        ab, bb = a.bbox, b.bbox
        self.bbox = (max(ab[0], bb[0]), max(ab[1], bb[1]), min(ab[2], bb[2]), min(ab[3], bb[3]))

    def contains(self, x, y):
        return self.a.contains(x, y) and self.b.contains(x, y)


class Subtract:
    def __init__(self, a, b):
        self.a, self.b = a, b
        self.bbox = a.bbox

    def contains(self, x, y):
        return self.a.contains(x, y) and not self.b.contains(x, y)


class Union:
    def __init__(self, *shapes):
        self.shapes = shapes
        self.bbox = (min(s.bbox[0] for s in shapes), min(s.bbox[1] for s in shapes),
                     max(s.bbox[2] for s in shapes), max(s.bbox[3] for s in shapes))

    def contains(self, x, y):
        return any(s.contains(x, y) for s in self.shapes)


class Offset:
    def __init__(self, shape, dx, dy):
        self.s, self.dx, self.dy = shape, dx, dy
        b = shape.bbox
        self.bbox = (b[0] + dx, b[1] + dy, b[2] + dx, b[3] + dy)

    def contains(self, x, y):
        return self.s.contains(x - self.dx, y - self.dy)


def Ring(cx, cy, r_outer, r_inner):
    return Subtract(Circle(cx, cy, r_outer), Circle(cx, cy, r_inner))


# ---------------------------------------------------------------- paints
# A paint is a colour or a function of the point giving one.

def _rgba(c):
    return (c[0] / 255.0, c[1] / 255.0, c[2] / 255.0, c[3] if len(c) > 3 else 1.0)


def _mix(c0, c1, t):
    t = min(max(t, 0.0), 1.0)
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def linear(x0, y0, c0, x1, y1, c1):
    c0, c1 = _rgba(c0), _rgba(c1)
    dx, dy = x1 - x0, y1 - y0
    d2 = dx * dx + dy * dy or 1e-12
    return lambda x, y: _mix(c0, c1, ((x - x0) * dx + (y - y0) * dy) / d2)


def radial(cx, cy, r, c0, c1):
    c0, c1 = _rgba(c0), _rgba(c1)
    return lambda x, y: _mix(c0, c1, math.hypot(x - cx, y - cy) / r)


# ---------------------------------------------------------------- canvas

class Canvas:
    """Premultiplied RGBA pixels in 0..1, transparent at first."""

    def __init__(self, w, h, ground=None):
        self.w, self.h = w, h
        g = (0.0, 0.0, 0.0, 0.0) if ground is None else _rgba(ground)
        g = (g[0] * g[3], g[1] * g[3], g[2] * g[3], g[3])
        self.px = [list(g) for _ in range(w * h)]

    def fill(self, shape, paint, opacity=1.0):
        x0, y0, x1, y1 = shape.bbox
        ix0, iy0 = max(0, int(math.floor(x0))), max(0, int(math.floor(y0)))
        ix1, iy1 = min(self.w, int(math.ceil(x1))), min(self.h, int(math.ceil(y1)))
        offsets = [(i + 0.5) / SAMPLES for i in range(SAMPLES)]
        total = float(SAMPLES * SAMPLES)
        solid = None if callable(paint) else _rgba(paint)
        contains = shape.contains
        for py in range(iy0, iy1):
            for px in range(ix0, ix1):
                n = 0
                for oy in offsets:
                    y = py + oy
                    for ox in offsets:
                        if contains(px + ox, y):
                            n += 1
                if n == 0:
                    continue
                r, g, b, a = solid if solid else paint(px + 0.5, py + 0.5)
                a *= opacity * n / total
                d = self.px[py * self.w + px]
                k = 1.0 - a
                d[0] = r * a + d[0] * k
                d[1] = g * a + d[1] * k
                d[2] = b * a + d[2] * k
                d[3] = a + d[3] * k

    def rgba8(self):
        """Rows top to bottom of straight (not premultiplied) RGBA bytes.

        Pixels covered by less than 1/32 become fully transparent, so that the
        AND mask (transparent exactly where alpha is 0) matches the picture.
        """
        rows = []
        for y in range(self.h):
            row = []
            for x in range(self.w):
                r, g, b, a = self.px[y * self.w + x]
                if a < 1.0 / 32:
                    row.append((0, 0, 0, 0))
                    continue
                row.append((_byte(r / a), _byte(g / a), _byte(b / a), _byte(a)))
            rows.append(row)
        return rows


def _byte(v):
    return max(0, min(255, int(round(v * 255.0))))


# ---------------------------------------------------------------- pictures
# Every picture is drawn for one pixel size. `Grid` turns lengths given on a
# 48-pixel design into the target size; `edge` rounds to whole pixels.

class Grid:
    def __init__(self, size):
        self.size = size
        self.u = size / 48.0

    def __call__(self, v):
        return v * self.u

    def edge(self, v):
        return float(round(v * self.u))

    def stroke(self, v48):
        """Outline width: whole pixels, at least one."""
        return float(max(1, round(v48 * self.u)))


def draw_letter(c, x0, y0, x1, y1, lw, seal, small):
    """An envelope seen from the back, flap closed, in the box (pixels).

    Returns the point where the flap's tip lies (where the seal sits)."""
    h = y1 - y0
    radius = lw * 1.5
    cx = (x0 + x1) / 2
    tip_y = y0 + h * (0.60 if seal else 0.62)
    body = Rect(x0, y0, x1, y1, radius)
    if not small:
        c.fill(Offset(body, 0, lw), SHADOW)
    c.fill(body, INK)
    c.fill(Rect(x0 + lw, y0 + lw, x1 - lw, y1 - lw, radius - lw),
           linear(0, y0, PAPER_TOP, 0, y1, PAPER_BOTTOM))
    ix0, iy0, ix1, iy1 = x0 + lw, y0 + lw, x1 - lw, y1 - lw
    # The side folds of the back, meeting below the flap.
    fold_w = max(1.0, lw * 0.75)
    meet_y = y0 + h * 0.42
    inner = Rect(ix0, iy0, ix1, iy1)
    for corner in ((ix0, iy1), (ix1, iy1)):
        c.fill(Intersect(Line(corner, (cx, meet_y), fold_w), inner), FOLD)
    flap = Polygon([(ix0, iy0), (ix1, iy0), (cx, tip_y)])
    c.fill(flap, linear(0, y0, FLAP_TOP, 0, tip_y, FLAP_BOTTOM))
    # The flap's edges in ink, a touch thinner than the outline.
    edge_w = lw if small else lw * 0.85
    for corner in ((x0 + lw * 0.5, y0 + lw * 0.5), (x1 - lw * 0.5, y0 + lw * 0.5)):
        c.fill(Intersect(Line(corner, (cx, tip_y), edge_w), body), INK)
    return cx, tip_y


def draw_seal(c, cx, cy, r, lw, bar, stem, bar_h, stem_h, top, rim=True):
    """The orange wax seal with the white "T", whose top edge is at `top`."""
    c.fill(Offset(Circle(cx, cy, r), 0, lw * 0.6), SHADOW)
    paint = radial(cx - r * 0.35, cy - r * 0.4, r * 1.5, SEAL_LIGHT, SEAL_DARK)
    if rim:
        c.fill(Circle(cx, cy, r), SEAL_RIM)
        c.fill(Circle(cx, cy, r - lw), paint)
    else:
        c.fill(Circle(cx, cy, r), paint)
    t = Union(Rect(cx - bar / 2, top, cx + bar / 2, top + bar_h),
              Rect(cx - stem / 2, top, cx + stem / 2, top + bar_h + stem_h))
    if rim:
        c.fill(Offset(t, 0, max(0.5, lw * 0.5)), (120, 48, 0, 0.45))
    c.fill(t, WHITE)


def mark(c, g, x0, y0, x1, y1):
    """The product's mark: the letter sealed with a "T"."""
    size = g.size
    small = size <= 16
    lw = g.stroke(1.6)
    cx, tip_y = draw_letter(c, x0, y0, x1, y1, lw, True, small)
    if small:
        # Fitted by hand to the 16-pixel grid: a 6 by 6 "T" of two-pixel
        # strokes on a seal without rim, which would leave it no room.
        draw_seal(c, cx, 9.0, 4.5, 1.0, bar=6.0, stem=2.0, bar_h=2.0, stem_h=4.0, top=6.0,
                  rim=False)
    else:
        # The stem's width has the parity of the centre line, so both of its
        # edges fall on pixel boundaries.
        odd = abs(cx - math.floor(cx) - 0.5) < 1e-9
        stem = 2 * round((g(4.0) - odd) / 2) + odd
        bar = 2 * round((g(13.0) - odd) / 2) + odd
        bar_h = float(max(2, round(g(3.6))))
        stem_h = float(round(g(10.0)))
        cy = round(tip_y)
        draw_seal(c, cx, cy, g(11.5), lw, bar=float(bar), stem=float(stem), bar_h=bar_h,
                  stem_h=stem_h, top=float(math.floor(cy - (bar_h + stem_h) / 2)))


def mark_box(g):
    s = g.size
    margin = 0.0 if s <= 16 else g.edge(1.5)
    return margin, g.edge(9.0), s - margin, g.edge(40.0)


def draw_removal(c, g):
    """Red disc with a white cross, bottom right."""
    s = g.size
    if s <= 16:
        # A one-pixel cross built from whole pixels stays sharp at this size.
        c.fill(Circle(11.5, 11.5, 5.5), WHITE)
        c.fill(Circle(11.5, 11.5, 4.5), radial(10.0, 10.0, 6.5, RED_LIGHT, RED_DARK))
        cross = [Rect(11 + k, 11 + k, 12 + k, 12 + k) for k in range(-2, 3)]
        cross += [Rect(11 + k, 11 - k, 12 + k, 12 - k) for k in range(-2, 3)]
        c.fill(Union(*cross), WHITE)
        return
    # Small enough to leave the "T" of the mark in view.
    r = g(10.5)
    cx = cy = s - r - g(0.5)
    c.fill(Circle(cx, cy, r + g(1.8)), WHITE)
    c.fill(Circle(cx, cy, r), RED_RIM)
    c.fill(Circle(cx, cy, r - g(1.4)),
           radial(cx - r * 0.35, cy - r * 0.4, r * 1.5, RED_LIGHT, RED_DARK))
    arm = r * 0.42
    for dx, dy in ((1, 1), (1, -1)):
        c.fill(Line((cx - arm * dx, cy - arm * dy), (cx + arm * dx, cy + arm * dy), g(3.2)), WHITE)


def draw_globe(c, g, cx, cy, r):
    small = g.size <= 16
    lw = 1.0 if small else g.stroke(1.4)
    c.fill(Offset(Circle(cx, cy, r), 0, lw * 0.7), SHADOW)
    c.fill(Circle(cx, cy, r), INK)
    sea = Circle(cx, cy, r - lw)
    c.fill(sea, radial(cx - r * 0.4, cy - r * 0.45, r * 1.6, SEA_LIGHT, SEA_DARK))
    ri = r - lw
    # Two land masses in the shapes of rough continents, clipped to the sphere.
    land_paint = radial(cx - r * 0.4, cy - r * 0.45, r * 1.6, LAND_LIGHT, LAND_DARK)
    west = Polygon([(cx - ri * 0.95, cy - ri * 0.25), (cx - ri * 0.55, cy - ri * 0.75),
                    (cx - ri * 0.05, cy - ri * 0.8), (cx + ri * 0.05, cy - ri * 0.45),
                    (cx - ri * 0.3, cy - ri * 0.2), (cx - ri * 0.2, cy + ri * 0.15),
                    (cx - ri * 0.45, cy + ri * 0.35), (cx - ri * 0.6, cy + ri * 0.8),
                    (cx - ri * 0.85, cy + ri * 0.4)])
    east = Polygon([(cx + ri * 0.25, cy - ri * 0.05), (cx + ri * 0.75, cy - ri * 0.4),
                    (cx + ri * 1.0, cy - ri * 0.1), (cx + ri * 0.85, cy + ri * 0.45),
                    (cx + ri * 0.45, cy + ri * 0.9), (cx + ri * 0.2, cy + ri * 0.55)])
    c.fill(Intersect(Union(west, east), sea), land_paint)
    # Meridians and parallels in translucent white.
    gl = 1.0 if small else max(1.0, g(1.1))
    grid = []
    if small:
        grid.append(Rect(cx - ri, cy - gl / 2, cx + ri, cy + gl / 2))
        grid.append(Subtract(Ellipse(cx, cy, ri * 0.5, ri),
                             Ellipse(cx, cy, ri * 0.5 - gl, ri - gl * 0.5)))
    else:
        for k in (-0.5, 0.0, 0.5):
            y = cy + k * ri
            grid.append(Rect(cx - ri, y - gl / 2, cx + ri, y + gl / 2))
        grid.append(Rect(cx - gl / 2, cy - ri, cx + gl / 2, cy + ri))
        grid.append(Subtract(Ellipse(cx, cy, ri * 0.55, ri),
                             Ellipse(cx, cy, ri * 0.55 - gl, ri - gl * 0.3)))
    c.fill(Intersect(Union(*grid), sea), (255, 255, 255, 0.55))
    # Highlight.
    c.fill(Intersect(Ellipse(cx - ri * 0.35, cy - ri * 0.45, ri * 0.45, ri * 0.28), sea),
           (255, 255, 255, 0.35))


def draw_window(c, g, x0, y0, x1, y1):
    small = g.size <= 16
    lw = 1.0 if small else g.stroke(1.4)
    outer = Rect(x0, y0, x1, y1, lw)
    if not small:
        c.fill(Offset(outer, 0, lw), SHADOW)
    c.fill(outer, WINDOW_RIM)
    title_h = 3.0 if small else g.edge(8.0)
    c.fill(Rect(x0 + lw, y0 + lw, x1 - lw, y0 + lw + title_h),
           linear(0, y0, TITLE_LIGHT, 0, y0 + lw + title_h, TITLE_DARK))
    c.fill(Rect(x0 + lw, y0 + lw + title_h, x1 - lw, y1 - lw), CLIENT)
    if not small:
        # Caption buttons and lines of content.
        bw = g.edge(4.0)
        bx = x1 - lw - g.edge(2.0) - bw
        by = y0 + lw + (title_h - bw) / 2
        for k in range(3):
            c.fill(Rect(bx - k * (bw + g(1.5)), by, bx - k * (bw + g(1.5)) + bw, by + bw, g(0.8)),
                   (255, 255, 255, 0.85))
        lh = g.edge(2.0)
        y = y0 + lw + title_h + g.edge(4.0)
        widths = (0.7, 0.5, 0.62, 0.35)
        for k, f in enumerate(widths):
            if y + lh > y1 - lw - g(2.0):
                break
            left = x0 + lw + g.edge(3.0)
            c.fill(Rect(left, y, left + (x1 - x0 - 2 * lw - g(6.0)) * f, y + lh), CONTENT)
            y += lh + g.edge(3.5)
    else:
        for y in (6.0, 8.0):
            c.fill(Rect(x0 + 2, y, x0 + 7, y + 1), CONTENT)


def draw_gear(c, g, cx, cy, r_tip):
    if g.size <= 16:
        # Six teeth, no outline (rim and body would blur into each other) and
        # a hole of exactly 2 by 2 pixels around a centre on a pixel corner.
        gear = Subtract(Gear(cx, cy, r_tip * 0.68, r_tip, 6, -0.25), Circle(cx, cy, 1.3))
        c.fill(gear, linear(cx - r_tip, cy - r_tip, (160, 166, 180),
                            cx + r_tip, cy + r_tip, (64, 70, 84)))
        return
    lw = g.stroke(1.4)
    teeth = 8
    r_root = r_tip * 0.74
    hole = r_tip * 0.3
    outline = Subtract(Gear(cx, cy, r_root, r_tip, teeth, 0.06), Circle(cx, cy, hole))
    c.fill(Offset(outline, 0, lw * 0.8), SHADOW)
    c.fill(outline, STEEL_RIM)
    body = Subtract(Gear(cx, cy, r_root - lw, r_tip - lw, teeth, 0.06), Circle(cx, cy, hole + lw))
    c.fill(body, linear(cx - r_tip, cy - r_tip, STEEL_LIGHT, cx + r_tip, cy + r_tip, STEEL_DARK))
    # A raised hub ring catches the light.
    c.fill(Intersect(Ring(cx, cy, r_root * 0.72, r_root * 0.62), body), (255, 255, 255, 0.45))


def icon_main(size):
    c, g = Canvas(size, size), Grid(size)
    mark(c, g, *mark_box(g))
    return c


def icon_uninstall(size):
    c, g = Canvas(size, size), Grid(size)
    mark(c, g, *mark_box(g))
    draw_removal(c, g)
    return c


def icon_web_mail(size):
    c, g = Canvas(size, size), Grid(size)
    small = size <= 16
    lw = g.stroke(1.6)
    if small:
        draw_letter(c, 0.0, 1.0, 12.0, 9.0, lw, False, True)
        draw_globe(c, g, 10.5, 10.5, 5.5)
    else:
        draw_letter(c, g.edge(1.0), g.edge(3.0), g.edge(36.0), g.edge(27.0), lw, False, False)
        draw_globe(c, g, g(31.0), g(31.0), g(16.0))
    return c


def icon_web_admin(size):
    c, g = Canvas(size, size), Grid(size)
    if size <= 16:
        draw_window(c, g, 0.0, 1.0, 13.0, 10.0)
        draw_gear(c, g, 11.0, 11.0, 5.0)
    else:
        draw_window(c, g, g.edge(1.0), g.edge(3.0), g.edge(40.0), g.edge(36.0))
        draw_gear(c, g, g(32.0), g(32.0), g(15.5))
    return c


def logo():
    c = Canvas(LOGO_WIDTH, LOGO_HEIGHT, WHITE)
    g = Grid(48)
    mark(c, g, 3.0, 8.0, 56.0, 43.0)
    return c


ICONS = (("mainicon.ico", icon_main), ("uninstallicon.ico", icon_uninstall),
         ("xicon1.ico", icon_web_mail), ("xicon2.ico", icon_web_admin))


# ---------------------------------------------------------------- file formats

def ico_bytes(images):
    """An icon file: each image a 32-bit DIB (height doubled) plus its AND mask."""
    blobs = []
    for rows in images:
        h, w = len(rows), len(rows[0])
        xor = bytearray()
        for row in reversed(rows):  # bottom-up
            for r, g, b, a in row:
                xor += bytes((b, g, r, a))
        mask_stride = ((w + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(rows):
            line = bytearray(mask_stride)
            for x, (_, _, _, a) in enumerate(row):
                if a == 0:
                    line[x // 8] |= 0x80 >> (x % 8)
            mask += line
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask),
                             0, 0, 0, 0)
        blobs.append((w, h, header + bytes(xor) + bytes(mask)))
    out = bytearray(struct.pack("<HHH", 0, 1, len(blobs)))
    offset = 6 + 16 * len(blobs)
    for w, h, blob in blobs:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for _, _, blob in blobs:
        out += blob
    return bytes(out)


def bmp_bytes(rows):
    """A 24-bit bottom-up BMP of opaque pixels."""
    h, w = len(rows), len(rows[0])
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b, _ in row:
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        data += line
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return head + info + bytes(data)


def png_bytes(w, h, rgb):
    """A truecolour PNG; `rgb` is a flat list of (r, g, b) rows top to bottom."""
    raw = bytearray()
    for y in range(h):
        raw.append(0)
        for x in range(w):
            raw += bytes(rgb[y * w + x])

    def chunk(kind, data):
        crc = zlib.crc32(kind + data) & 0xFFFFFFFF
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", crc)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


# ---------------------------------------------------------------- preview

class Sheet:
    def __init__(self, w, h, colour):
        self.w, self.h = w, h
        self.px = [colour] * (w * h)

    def rect(self, x, y, w, h, colour):
        for yy in range(max(0, y), min(self.h, y + h)):
            for xx in range(max(0, x), min(self.w, x + w)):
                self.px[yy * self.w + xx] = colour

    def checker(self, x, y, w, h, cell, a, b):
        for yy in range(h):
            for xx in range(w):
                even = (xx // cell + yy // cell) % 2 == 0
                self.px[(y + yy) * self.w + x + xx] = a if even else b

    def put(self, rows, x, y, scale):
        for ry, row in enumerate(rows):
            for rx, (r, g, b, a) in enumerate(row):
                if a == 0:
                    continue
                k = a / 255.0
                for dy in range(scale):
                    base = (y + ry * scale + dy) * self.w + x + rx * scale
                    for dx in range(scale):
                        br, bg, bb = self.px[base + dx]
                        self.px[base + dx] = (int(round(r * k + br * (1 - k))),
                                              int(round(g * k + bg * (1 - k))),
                                              int(round(b * k + bb * (1 - k))))


def preview(icons, logo_rows, path):
    """Rows of: 48 at x4, 32 at x4, 16 at x8 on a checkerboard, then the three
    sizes at 1:1 on white, grey and dark ground; last row the logo at x3 and 1:1."""
    pad = 12
    row_h = 192 + 2 * pad
    width = pad + 192 + pad + 128 + pad + 128 + pad + 3 * (48 + 32 + 16 + 4 * 4) + 3 * pad
    height = row_h * len(icons) + 150 + 2 * pad
    sheet = Sheet(width, height, (236, 236, 236))
    y = pad
    for name, images in icons:
        x = pad
        for size, scale in ((48, 4), (32, 4), (16, 8)):
            sheet.checker(x, y, size * scale, size * scale, 8, (255, 255, 255), (214, 214, 214))
            sheet.put(images[size], x, y, scale)
            x += size * scale + pad
        for ground in ((255, 255, 255), (160, 160, 160), (40, 44, 52)):
            gw = 48 + 32 + 16 + 4 * 4
            sheet.rect(x, y, gw, 56, ground)
            gx = x + 4
            for size in (48, 32, 16):
                sheet.put(images[size], gx, y + 4, 1)
                gx += size + 4
            x += gw + pad
        y += row_h
    sheet.put(logo_rows, pad, y, 3)
    sheet.rect(pad + LOGO_WIDTH * 3 + pad, y, LOGO_WIDTH + 80, 57, (255, 255, 255))
    sheet.put(logo_rows, pad + LOGO_WIDTH * 3 + pad + 4, y + 3, 1)
    with open(path, "wb") as f:
        f.write(png_bytes(sheet.w, sheet.h, sheet.px))


# ---------------------------------------------------------------- main

def _write(path, data):
    # Written beside and renamed, so that a build never sees half a file.
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def main(argv):
    args = list(argv[1:])
    preview_path = None
    if "--preview" in args:
        i = args.index("--preview")
        if i + 1 >= len(args):
            sys.stderr.write("make_art.py: --preview needs a file name\n")
            return 2
        preview_path = args[i + 1]
        del args[i:i + 2]
    if len(args) != 1:
        sys.stderr.write("usage: make_art.py OUTDIR [--preview FILE.png]\n")
        return 2
    outdir = args[0]
    os.makedirs(outdir, exist_ok=True)
    drawn = []
    for name, draw in ICONS:
        images = {size: draw(size).rgba8() for size in ICON_SIZES}
        _write(os.path.join(outdir, name), ico_bytes([images[s] for s in ICON_SIZES]))
        drawn.append((name, images))
    logo_rows = logo().rgba8()
    _write(os.path.join(outdir, "logo.bmp"), bmp_bytes(logo_rows))
    if preview_path:
        preview(drawn, logo_rows, preview_path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
