#!/usr/bin/python3
"""Writes Plumora's demo install folder: FlashFiles/ with a few small movies of our own and
DocFiles/ with their descriptions (GBK text, as the program's home systems store them).

Usage: tools/make-demo.py [--debug] [FOLDER]     (default: build/demo)

Two of the movies are small games with scripts: "Targets" (click the moving targets; a button
starts again; a tune streams from a looping clip, hits pop and the button clicks) and "Ship" (arrow keys and Space; the high score is kept in a SharedObject). Their
byte code is assembled by tools/swfasm.py. With --debug the games also trace what they do and
play by themselves where they would wait for input, for tools/demo-tests.sh.

The movies are made here by a tiny SWF writer: plain (FWS) and zlib-compressed (CWS) files,
SetBackgroundColor, DefineShape/DefineShape3 with solid, linear and radial fills, straight and
curved edges, and PlaceObject2 with matrices and colour transforms, one ShowFrame per frame.
Everything is computed, nothing is random, so the same files come out every time.

The set also exercises the catalog: a game whose name GBK cannot represent ("Crème brûlée ☕"),
a file that is no readable movie ("Broken.swf"), a game without a description ("Rainbow"), a
name with two dots ("Star.Spin") and a description long enough to need a scroll bar.
"""
import math
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from swfasm import (PRELOAD_THIS, SUPPRESS_ARGUMENTS, SUPPRESS_SUPER, UNDEFINED, Call, CallM, Do,  # noqa: E402
                    Fn, If, M, New, Reg, Return, S, Set, Trace, V, While, script)

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


# ------------------------------------------------------------------------------------------------
# Bit-level writer
# ------------------------------------------------------------------------------------------------
class Bits:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def ub(self, nbits, value):
        assert 0 <= value < (1 << nbits) or nbits == 0 and value == 0, (nbits, value)
        for i in range(nbits - 1, -1, -1):
            self.acc = (self.acc << 1) | ((value >> i) & 1)
            self.n += 1
            if self.n == 8:
                self.out.append(self.acc)
                self.acc = self.n = 0

    def sb(self, nbits, value):
        assert -(1 << (nbits - 1)) <= value < (1 << (nbits - 1)), (nbits, value)
        self.ub(nbits, value & ((1 << nbits) - 1))

    def align(self):
        if self.n:
            self.out.append(self.acc << (8 - self.n))
            self.acc = self.n = 0

    def bytes(self):
        self.align()
        return bytes(self.out)


def sbits(*values):
    """Bits needed to hold every value as a signed field (at least 1)."""
    n = 1
    for v in values:
        v = int(v)
        while not (-(1 << (n - 1)) <= v < (1 << (n - 1))):
            n += 1
    return n


def rect(xmin, xmax, ymin, ymax):
    b = Bits()
    n = sbits(xmin, xmax, ymin, ymax)
    b.ub(5, n)
    for v in (xmin, xmax, ymin, ymax):
        b.sb(n, v)
    return b.bytes()


def fixed(v):
    return int(round(v * 65536))


def matrix(tx=0, ty=0, sx=1.0, sy=1.0, r0=0.0, r1=0.0):
    """x' = sx*x + r1*y + tx, y' = r0*x + sy*y + ty (translation in twips)."""
    b = Bits()
    if sx != 1.0 or sy != 1.0:
        a, d = fixed(sx), fixed(sy)
        n = sbits(a, d)
        b.ub(1, 1)
        b.ub(5, n)
        b.sb(n, a)
        b.sb(n, d)
    else:
        b.ub(1, 0)
    if r0 != 0.0 or r1 != 0.0:
        p, q = fixed(r0), fixed(r1)
        n = sbits(p, q)
        b.ub(1, 1)
        b.ub(5, n)
        b.sb(n, p)
        b.sb(n, q)
    else:
        b.ub(1, 0)
    tx, ty = int(round(tx)), int(round(ty))
    n = sbits(tx, ty) if (tx or ty) else 0
    b.ub(5, n)
    if n:
        b.sb(n, tx)
        b.sb(n, ty)
    return b.bytes()


def rotation(angle_deg, scale=1.0, tx=0, ty=0):
    a = math.radians(angle_deg)
    c, s = math.cos(a) * scale, math.sin(a) * scale
    return matrix(tx, ty, c, c, s, -s)


def cxform_alpha(mult=(256, 256, 256, 256), add=(0, 0, 0, 0)):
    b = Bits()
    has_add = any(add)
    has_mult = any(m != 256 for m in mult)
    b.ub(1, 1 if has_add else 0)
    b.ub(1, 1 if has_mult else 0)
    vals = (list(mult) if has_mult else []) + (list(add) if has_add else [])
    n = sbits(*vals) if vals else 1
    b.ub(4, n)
    for v in vals:
        b.sb(n, v)
    return b.bytes()


def tag(code, body=b""):
    if len(body) < 0x3F:
        return struct.pack("<H", (code << 6) | len(body)) + body
    return struct.pack("<HI", (code << 6) | 0x3F, len(body)) + body


# ------------------------------------------------------------------------------------------------
# Shapes
# ------------------------------------------------------------------------------------------------
def colour(c, alpha):
    return bytes(c[:3]) + (bytes([c[3] if len(c) > 3 else 255]) if alpha else b"")


def solid(c):
    return ("solid", c)


def linear(stops, mtx):
    return ("linear", stops, mtx)


def radial(stops, mtx):
    return ("radial", stops, mtx)


def gradient_box(x0, y0, x1, y1, angle=0.0):
    """The matrix that maps the gradient square onto a box (for linear fills: left to right,
    turned by angle degrees about the box centre)."""
    sx = (x1 - x0) / 32768.0
    sy = (y1 - y0) / 32768.0
    a = math.radians(angle)
    c, s = math.cos(a), math.sin(a)
    return dict(tx=(x0 + x1) / 2, ty=(y0 + y1) / 2, sx=sx * c, sy=sy * c, r0=sx * s, r1=-sy * s)


def fill_style(f, alpha):
    kind = f[0]
    if kind == "solid":
        return b"\x00" + colour(f[1], alpha)
    code = 0x10 if kind == "linear" else 0x12
    body = bytes([code]) + matrix(**f[2]) + bytes([len(f[1])])
    for ratio, c in f[1]:
        body += bytes([ratio]) + colour(c, alpha)
    return body


class Shape:
    """Collects paths in twips (absolute points) and writes DefineShape or DefineShape3."""

    def __init__(self, fills, lines=()):
        self.fills = fills          # list of fill descriptions (1-based indices in records)
        self.lines = list(lines)    # list of (width twips, colour)
        self.records = []           # ("style", fill1, line, x, y) / ("line", x, y) / ("curve", cx, cy, x, y)
        self.points = []

    def path(self, fill, points, line=0, closed=True):
        """A polygon: points[0] to each next point, back to the start when closed."""
        x, y = points[0]
        self.records.append(("style", fill, line, x, y))
        self.points.append((x, y))
        for px, py in points[1:] + ([points[0]] if closed else []):
            self.records.append(("line", px, py))
            self.points.append((px, py))

    def curved(self, fill, start, segments, line=0):
        """A closed path of quadratic segments: each (control, anchor)."""
        self.records.append(("style", fill, line, start[0], start[1]))
        self.points.append(start)
        for (cx, cy), (ax, ay) in segments:
            self.records.append(("curve", cx, cy, ax, ay))
            self.points += [(cx, cy), (ax, ay)]

    def circle(self, fill, cx, cy, r, line=0, n=8):
        k = r / math.cos(math.pi / n)
        segs = []
        for i in range(n):  # clockwise on screen (y grows downwards)
            a0 = 2 * math.pi * i / n
            am = a0 + math.pi / n
            a1 = a0 + 2 * math.pi / n
            segs.append(((cx + k * math.cos(am), cy + k * math.sin(am)), (cx + r * math.cos(a1), cy + r * math.sin(a1))))
        self.curved(fill, (cx + r, cy), segs, line)

    def rect(self, fill, x0, y0, x1, y1, line=0):
        self.path(fill, [(x0, y0), (x1, y0), (x1, y1), (x0, y1)], line)

    def encode(self, shape_id, version3):
        alpha = version3
        xs = [p[0] for p in self.points]
        ys = [p[1] for p in self.points]
        pad = max([w for w, _ in self.lines] + [0])
        body = struct.pack("<H", shape_id)
        body += rect(int(min(xs) - pad), int(max(xs) + pad), int(min(ys) - pad), int(max(ys) + pad))
        body += bytes([len(self.fills)]) + b"".join(fill_style(f, alpha) for f in self.fills)
        body += bytes([len(self.lines)]) + b"".join(struct.pack("<H", w) + colour(c, alpha) for w, c in self.lines)
        fbits = max(1, len(self.fills).bit_length())
        lbits = len(self.lines).bit_length()
        b = Bits()
        b.ub(4, fbits)
        b.ub(4, lbits)
        px = py = 0
        for rec in self.records:
            if rec[0] == "style":
                _, fill, line, x, y = rec
                x, y = int(round(x)), int(round(y))
                b.ub(1, 0)
                b.ub(1, 0)                      # NewStyles
                b.ub(1, 1 if lbits else 0)      # LineStyle
                b.ub(1, 1)                      # FillStyle1: the right-hand side of clockwise paths
                b.ub(1, 1)                      # FillStyle0
                b.ub(1, 1)                      # MoveTo
                n = sbits(x, y)
                b.ub(5, n)
                b.sb(n, x)
                b.sb(n, y)
                b.ub(fbits, 0)
                b.ub(fbits, fill)
                if lbits:
                    b.ub(lbits, line)
                px, py = x, y
            elif rec[0] == "line":
                x, y = int(round(rec[1])), int(round(rec[2]))
                dx, dy = x - px, y - py
                n = max(2, sbits(dx, dy))
                b.ub(1, 1)
                b.ub(1, 1)
                b.ub(4, n - 2)
                b.ub(1, 1)  # general line
                b.sb(n, dx)
                b.sb(n, dy)
                px, py = x, y
            else:
                cx, cy = int(round(rec[1])), int(round(rec[2]))
                ax, ay = int(round(rec[3])), int(round(rec[4]))
                d = (cx - px, cy - py, ax - cx, ay - cy)
                n = max(2, sbits(*d))
                b.ub(1, 1)
                b.ub(1, 0)
                b.ub(4, n - 2)
                for v in d:
                    b.sb(n, v)
                px, py = ax, ay
        b.ub(1, 0)
        b.ub(5, 0)  # end of shape
        body += b.bytes()
        return tag(32 if version3 else 2, body)


def place(depth, char_id, mtx=None, cx=None):
    flags = 0x02
    body = b""
    if mtx is not None:
        flags |= 0x04
        body += mtx
    if cx is not None:
        flags |= 0x08
        body += cx
    return tag(26, bytes([flags]) + struct.pack("<HH", depth, char_id) + body)


def move(depth, mtx=None, cx=None):
    flags = 0x01
    body = b""
    if mtx is not None:
        flags |= 0x04
        body += mtx
    if cx is not None:
        flags |= 0x08
        body += cx
    return tag(26, bytes([flags]) + struct.pack("<H", depth) + body)


def show_frame():
    return tag(1)


def background(c):
    return tag(9, bytes(c[:3]))


def movie(width, height, fps, frames, tags, version=6, compress=False):
    body = rect(0, width * 20, 0, height * 20) + struct.pack("<HH", int(round(fps * 256)), frames)
    body += b"".join(tags) + tag(0)
    total = 8 + len(body)
    if compress:
        return b"CWS" + bytes([version]) + struct.pack("<I", total) + zlib.compress(body, 9)
    return b"FWS" + bytes([version]) + struct.pack("<I", total) + body


# ------------------------------------------------------------------------------------------------
# The movies
# ------------------------------------------------------------------------------------------------
def star_points(cx, cy, r_out, r_in, n=5):
    pts = []
    for i in range(2 * n):
        r = r_out if i % 2 == 0 else r_in
        a = math.radians(-90 + i * 180 / n)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def bouncing_ball():
    W, H, N = 400, 300, 48
    ground = Shape([linear([(0, (60, 160, 60)), (255, (20, 90, 30))], gradient_box(0, 250 * 20, 400 * 20, 300 * 20, 90))])
    ground.rect(1, 0, 250 * 20, W * 20, H * 20)
    ball = Shape([radial([(0, (255, 250, 220)), (90, (250, 80, 60)), (255, (120, 10, 10))],
                         dict(tx=-160, ty=-160, sx=700 / 16384, sy=700 / 16384))], [(40, (80, 0, 0))])
    ball.circle(1, 0, 0, 500, line=1)  # radius 25 px, drawn around its own origin
    shadow = Shape([radial([(0, (0, 40, 0, 140)), (255, (0, 40, 0, 0))], dict(sx=600 / 16384, sy=200 / 16384))])
    shadow.circle(1, 0, 0, 600)
    tags = [background((150, 200, 255)), ground.encode(1, False), ball.encode(2, True), shadow.encode(3, True)]
    for f in range(N):
        t = f / N
        x = 60 + 280 * (0.5 - 0.5 * math.cos(2 * math.pi * t))
        h = abs(math.sin(2 * math.pi * t * 2))     # two bounces per loop
        y = 225 - 170 * h
        squash = 1.0 + 0.25 * max(0.0, 0.15 - h) / 0.15
        m_ball = matrix(x * 20, y * 20 + (squash - 1) * 300, squash, 1 / squash)
        m_shadow = matrix(x * 20, 252 * 20, 0.6 + 0.4 * (1 - h), 1.0)
        if f == 0:
            tags += [place(1, 1), place(2, 3, m_shadow), place(3, 2, m_ball)]
        else:
            tags += [move(2, m_shadow), move(3, m_ball)]
        tags.append(show_frame())
    return movie(W, H, 24, N, tags)


def spinning_star():
    W, H, N = 320, 320, 36
    star = Shape([linear([(0, (255, 250, 170)), (128, (255, 200, 20)), (255, (200, 110, 0))],
                         gradient_box(-2400, -2400, 2400, 2400, 60))], [(60, (120, 60, 0))])
    star.path(1, star_points(0, 0, 2400, 950), line=1)
    halo = Shape([radial([(0, (255, 255, 255, 200)), (255, (60, 40, 140, 0))], dict(sx=3200 / 16384, sy=3200 / 16384))])
    halo.circle(1, 0, 0, 3200)
    tags = [background((40, 30, 100)), halo.encode(1, True), star.encode(2, True)]
    for f in range(N):
        angle = 360.0 * f / N
        pulse = 1.0 + 0.08 * math.sin(2 * math.pi * f / N * 2)
        if f == 0:
            tags += [place(1, 1, matrix(3200, 3200)), place(2, 2, rotation(angle, pulse, 3200, 3200))]
        else:
            tags += [move(2, rotation(angle, pulse, 3200, 3200))]
        tags.append(show_frame())
    return movie(W, H, 20, N, tags, compress=True)


def rainbow():
    W, H, N = 360, 240, 60
    hues = [(255, 0, 0), (255, 160, 0), (255, 255, 0), (0, 200, 0), (0, 120, 255), (90, 0, 200), (255, 0, 160)]
    # two turns of the colour wheel over twice the stage width, so sliding it by one stage width
    # loops without a seam
    stops = [(round(i * 255 / 14), hues[i % 7]) for i in range(15)]
    stops[-1] = (255, hues[0])
    band = Shape([linear(stops, gradient_box(0, 0, 2 * W * 20, H * 20))])
    band.rect(1, 0, 0, 2 * W * 20, H * 20)
    disc = Shape([radial([(0, (255, 255, 255, 230)), (255, (255, 255, 255, 0))], dict(sx=1800 / 16384, sy=1800 / 16384))])
    disc.circle(1, 0, 0, 1800, n=12)
    tags = [background((0, 0, 0)), band.encode(1, True), disc.encode(2, True)]
    for f in range(N):
        t = 2 * math.pi * f / N
        # a gentle colour transform pulses the brightness as the band slides
        cx = cxform_alpha((int(220 + 36 * math.cos(t)),) * 3 + (256,), (int(30 * math.sin(t)),) * 3 + (0,))
        m_band = matrix(-W * 20 * f / N, 0)
        m_disc = matrix((180 + 120 * math.cos(t)) * 20, (120 + 60 * math.sin(2 * t)) * 20)
        if f == 0:
            tags += [place(1, 1, m_band, cx), place(2, 2, m_disc)]
        else:
            tags += [move(1, m_band, cx), move(2, m_disc)]
        tags.append(show_frame())
    return movie(W, H, 15, N, tags, version=5)


def little_tank():
    W, H, N = 480, 270, 80
    sky = Shape([linear([(0, (110, 170, 240)), (255, (230, 240, 255))], gradient_box(0, 0, W * 20, 200 * 20, 90))])
    sky.rect(1, 0, 0, W * 20, 200 * 20)
    hills = Shape([solid((90, 140, 70)), solid((120, 90, 50))])
    hills.curved(1, (0, 4200), [((2400, 2400), (4800, 3600)), ((7200, 4600), (9600, 3400)),
                                (((9600, 5400)), (9600, 5400)), ((4800, 5400), (0, 5400)), ((0, 4800), (0, 4200))])
    hills.rect(2, 0, 200 * 20, W * 20, H * 20)
    body = Shape([linear([(0, (150, 170, 90)), (255, (70, 90, 40))], gradient_box(-1400, -500, 1400, 500, 90)),
                  solid((60, 60, 60)), solid((110, 130, 70))], [(20, (30, 40, 20))])
    body.path(1, [(-1400, -300), (1400, -300), (1200, 300), (-1200, 300)], line=1)   # hull
    body.rect(2, -1300, 250, 1300, 600, line=1)                                      # track
    body.curved(3, (-600, -300), [((-550, -850), (0, -850)), ((550, -850), (600, -300)), ((0, -300), (-600, -300))], line=1)
    barrel = Shape([solid((80, 100, 50))], [(20, (30, 40, 20))])
    barrel.rect(1, 0, -90, 1300, 90, line=1)
    wheel = Shape([solid((40, 40, 40)), solid((170, 170, 160))])
    wheel.circle(1, 0, 0, 160)
    wheel.rect(2, -30, -150, 30, 150)
    shell = Shape([radial([(0, (255, 255, 200)), (255, (255, 120, 0, 0))], dict(sx=200 / 16384, sy=200 / 16384))])
    shell.circle(1, 0, 0, 200)
    tags = [background((0, 0, 0)), sky.encode(1, False), hills.encode(2, False), body.encode(3, True),
            barrel.encode(4, False), wheel.encode(5, False), shell.encode(6, True)]
    tags += [place(1, 1), place(2, 2)]
    for f in range(N):
        t = f / N
        x = 60 + 360 * (0.5 - 0.5 * math.cos(2 * math.pi * t))
        going_right = math.sin(2 * math.pi * t) >= 0
        flip = 1.0 if going_right else -1.0
        y = 218
        aim = -20 - 15 * math.sin(4 * math.pi * t)
        a = math.radians(aim)
        bx, by = x * 20, (y - 28) * 20
        m_body = matrix(x * 20, y * 20, flip, 1.0)
        m_barrel = matrix(bx, by, math.cos(a) * flip, math.cos(a), math.sin(a), -math.sin(a) * flip)
        wheels = [rotation(f * 24, 1.0, (x + dx) * 20, (y + 21) * 20) for dx in (-50, -17, 17, 50)]
        shot = f % 20
        sx = x + flip * (70 + shot * 14)
        sy = y - 40 + shot * shot * 0.35 - shot * 8
        m_shell = matrix(sx * 20, sy * 20)
        if f == 0:
            tags += [place(4, 4, m_barrel), place(5, 3, m_body)]
            tags += [place(6 + i, 5, m) for i, m in enumerate(wheels)]
            tags.append(place(12, 6, m_shell))
        else:
            tags += [move(4, m_barrel), move(5, m_body)] + [move(6 + i, m) for i, m in enumerate(wheels)]
            tags.append(move(12, m_shell))
        tags.append(show_frame())
    return movie(W, H, 20, N, tags)


def creme_brulee():
    W, H, N = 300, 300, 40
    table = Shape([linear([(0, (180, 120, 70)), (255, (110, 60, 30))], gradient_box(0, 220 * 20, W * 20, H * 20, 90))])
    table.rect(1, 0, 220 * 20, W * 20, H * 20)
    cup = Shape([linear([(0, (255, 255, 255)), (255, (200, 200, 215))], gradient_box(-1800, 0, 1800, 2400)),
                 solid((110, 60, 30))], [(40, (120, 120, 140))])
    cup.curved(1, (-1800, 0), [((-1800, 2400), (0, 2400)), ((1800, 2400), (1800, 0)), ((0, 0), (-1800, 0))], line=1)
    cup.rect(2, -1600, 120, 1600, 400)
    handle = Shape([solid((230, 230, 240))], [(40, (120, 120, 140))])
    handle.circle(1, 0, 0, 500)
    steam = Shape([radial([(0, (255, 255, 255, 150)), (255, (255, 255, 255, 0))], dict(sx=500 / 16384, sy=700 / 16384))])
    steam.circle(1, 0, 0, 600)
    tags = [background((250, 235, 210)), table.encode(1, True), cup.encode(2, True), handle.encode(3, True),
            steam.encode(4, True)]
    tags += [place(1, 1), place(2, 3, matrix(238 * 20, 165 * 20)), place(3, 2, matrix(150 * 20, 150 * 20))]
    for f in range(N):
        for i in range(3):
            p = ((f + i * N / 3) % N) / N
            x = (130 + i * 20 + 10 * math.sin(2 * math.pi * (p * 2 + i / 3))) * 20
            y = (140 - p * 110) * 20
            alpha = int(256 * (1 - p))
            m = matrix(x, y, 0.6 + p, 0.6 + p)
            cx = cxform_alpha((256, 256, 256, alpha))
            tags.append(place(10 + i, 4, m, cx) if f == 0 else move(10 + i, m, cx))
        tags.append(show_frame())
    return movie(W, H, 12, N, tags, compress=True)


# ------------------------------------------------------------------------------------------------
# The two games: sprites, buttons, text fields and scripts (assembled by tools/swfasm.py)
# ------------------------------------------------------------------------------------------------
def cstr(s):
    return s.encode("utf-8") + b"\0"


def do_action(code):
    return tag(12, code)


def define_sprite(sprite_id, frames):
    """frames: a list of tag lists, one per frame."""
    body = struct.pack("<HH", sprite_id, len(frames))
    for f in frames:
        body += b"".join(f) + show_frame()
    return tag(39, body + tag(0))


def place_named(depth, char_id, mtx, name):
    body = bytes([0x02 | 0x04 | 0x20]) + struct.pack("<HH", depth, char_id) + mtx + cstr(name)
    return tag(26, body)


def device_font(font_id, name, bold=False):
    """DefineFont2 without glyphs: text in it is drawn with the system font of that name."""
    n = name.encode("utf-8")
    body = struct.pack("<HBBB", font_id, 0x01 if bold else 0, 0, len(n)) + n + struct.pack("<HH", 0, 2)
    return tag(48, body)


def edit_text(text_id, w, h, font_id, size, c, text=None, align=0):
    """A read-only, unselectable text field of w x h pixels with its origin at the top left."""
    flags1 = 0x08 | 0x04 | 0x01 | (0x80 if text is not None else 0)
    flags2 = 0x10 | 0x20
    body = struct.pack("<H", text_id) + rect(0, w * 20, 0, h * 20) + bytes([flags1, flags2])
    body += struct.pack("<HH", font_id, size * 20) + bytes(c[:3]) + bytes([c[3] if len(c) > 3 else 255])
    body += struct.pack("<BHHHh", align, 0, 0, 0, 0) + cstr("")
    if text is not None:
        body += cstr(text)
    return tag(37, body)


UP, OVER, DOWN, HIT = 0x01, 0x02, 0x04, 0x08


def button2(button_id, records, actions):
    """records: (states, char_id, depth, matrix bytes); actions: (conditions, action bytes)."""
    recs = b""
    for states, char_id, depth, mtx in records:
        recs += bytes([states]) + struct.pack("<HH", char_id, depth) + mtx + cxform_alpha()
    recs += b"\0"
    conds = b""
    for i, (cond, code) in enumerate(actions):
        size = 0 if i == len(actions) - 1 else 4 + len(code)
        conds += struct.pack("<HH", size, cond) + code
    body = struct.pack("<HBH", button_id, 0, 2 + len(recs) if conds else 0) + recs + conds
    return tag(34, body)


def rounded_box(fill, x0, y0, x1, y1, r, line=0):
    """A closed path with quarter-circle corners (one curve each)."""
    s_pts = ((x0 + r, y0), [((x1 - r, y0), (x1 - r, y0)), ((x1, y0), (x1, y0 + r)), ((x1, y1 - r), (x1, y1 - r)),
                           ((x1, y1), (x1 - r, y1)), ((x0 + r, y1), (x0 + r, y1)), ((x0, y1), (x0, y1 - r)),
                           ((x0, y0 + r), (x0, y0 + r)), ((x0, y0), (x0 + r, y0))])
    sh = Shape([fill], [(30, (40, 40, 60))] if line else [])
    sh.curved(1, s_pts[0], s_pts[1], line=line)
    return sh


# ------------------------------------------------------------------------------------------------
# Sound: computed signals stored as uncompressed 16-bit little-endian samples
# ------------------------------------------------------------------------------------------------
RATE_CODES = {5512: 0, 11025: 1, 22050: 2, 44100: 3}


def pcm16(samples):
    return b"".join(struct.pack("<h", max(-32767, min(32767, int(round(v))))) for v in samples)


def sound_flags(rate):
    """Codec 3 (raw little-endian), the rate, 16-bit, mono."""
    return (3 << 4) | (RATE_CODES[rate] << 2) | 0x02


def define_sound(sound_id, samples, rate):
    return tag(14, struct.pack("<HBI", sound_id, sound_flags(rate), len(samples)) + pcm16(samples))


def button_sound(button_id, press_sound_id):
    """DefineButtonSound: a sound on the over-to-down transition only."""
    return tag(17, struct.pack("<HHHH", button_id, 0, 0, press_sound_id) + b"\0" + struct.pack("<H", 0))


def export_assets(names):
    return tag(56, struct.pack("<H", len(names)) + b"".join(struct.pack("<H", i) + cstr(n) for i, n in names))


def note_hz(n):
    """Semitones from A4."""
    return 440.0 * 2 ** (n / 12.0)


def chirp(rate, seconds, f0, f1, level):
    """A falling (or rising) sweep that dies away: a 'pop'."""
    out, phase = [], 0.0
    n = int(rate * seconds)
    for i in range(n):
        t = i / n
        phase += 2 * math.pi * (f0 + (f1 - f0) * t) / rate
        out.append(level * math.sin(phase) * (1 - t) ** 2 * min(1.0, i / 40))
    return out


def tune(rate, bpm=120):
    """Sixteen beats of a pentatonic melody over a bass, soft triangle tones. Loops cleanly: every
    note fades out within its beat."""
    melody = [3, 7, 10, 7, 12, 10, 7, 5, 3, 5, 7, 10, 7, 5, 3, -2]
    bass = [-21, -21, -14, -14, -16, -16, -21, -21, -21, -21, -14, -14, -16, -16, -9, -9]
    beat = int(rate * 60 / bpm)
    out = [0.0] * (beat * len(melody))

    def tone(start, length, hz, level):
        phase = 0.0
        for i in range(length):
            phase = (phase + hz / rate) % 1.0
            tri = 4 * abs(phase - 0.5) - 1
            env = min(1.0, i / 60) * min(1.0, (length - i) / (rate * 0.05)) * (1 - 0.5 * i / length)
            out[start + i] += level * tri * env

    for k, n in enumerate(melody):
        tone(k * beat, beat, note_hz(n), 7000)
    for k, n in enumerate(bass):
        tone(k * beat, beat, note_hz(n), 5000)
    return out


def music_clip(sprite_id, samples, rate, fps):
    """A sprite whose timeline streams `samples`, one block per frame; it loops with its sound."""
    per_frame = rate / fps
    frames = int(len(samples) / per_frame)
    head = bytes([(RATE_CODES[rate] << 2) | 0x02, sound_flags(rate)]) + struct.pack("<H", int(round(per_frame)))
    tags = []
    for f in range(frames):
        a, b = int(round(f * per_frame)), int(round((f + 1) * per_frame))
        block = [tag(19, pcm16(samples[a:b]))]
        tags.append(([tag(45, head)] if f == 0 else []) + block)
    return define_sprite(sprite_id, tags)


# Script building blocks shared by both games
def lcg_function():
    # A Park-Miller generator: the same numbers on every run, exact in doubles.
    return Fn("rnd", ["n"], [
        Set(V("seed"), ("%", ("*", V("seed"), 16807), 2147483647)),
        Return(("%", V("seed"), Reg(1))),
    ])


def whole(e):
    """The whole part of a non-negative number."""
    return ("-", e, ("%", e, 1))


TARGETS = 5


def targets_game(debug=False):
    W, H = 480, 360
    sky = Shape([linear([(0, (120, 190, 255)), (255, (235, 245, 255))], gradient_box(0, 0, W * 20, H * 20, 90))])
    sky.rect(1, 0, 0, W * 20, H * 20)
    bar = Shape([solid((30, 50, 90, 200))])
    bar.rect(1, 0, 0, W * 20, 44 * 20)
    rings = []
    for r, c in ((24, (220, 30, 30)), (17, (255, 255, 255)), (10, (220, 30, 30)), (4, (255, 255, 255))):
        s = Shape([solid(c)])
        s.circle(1, 0, 0, r * 20, n=12)
        rings.append(s)
    btn_up = rounded_box(solid((250, 200, 60)), 0, 0, 2000, 640, 160, line=1)
    btn_over = rounded_box(solid((255, 230, 120)), 0, 0, 2000, 640, 160, line=1)
    btn_down = rounded_box(solid((220, 150, 30)), 0, 20, 2000, 660, 160, line=1)
    tags = [background((200, 230, 255)), sky.encode(1, False), bar.encode(2, True)]
    tags += [r.encode(10 + i, False) for i, r in enumerate(rings)]
    tags.append(define_sprite(20, [[place(1 + i, 10 + i) for i in range(len(rings))]]))
    tags += [btn_up.encode(30, False), btn_over.encode(31, False), btn_down.encode(32, False)]
    tags += [device_font(40, "宋体"), device_font(41, "宋体", bold=True)]
    tags.append(edit_text(42, 200, 30, 41, 20, (255, 255, 255), "得分：0"))
    tags.append(edit_text(43, 100, 28, 41, 16, (60, 30, 0), "重新开始", align=2))
    tags.append(edit_text(44, 200, 28, 40, 14, (200, 220, 255), "点击移动的靶子"))
    restart = script([Do(Call("restart"))])
    tags.append(button2(50, [(UP, 30, 1, matrix()), (OVER, 31, 1, matrix()), (DOWN | HIT, 32, 1, matrix()),
                             (UP | OVER, 43, 2, matrix(0, 80)), (DOWN, 43, 2, matrix(0, 100))], [(0x0008, restart)]))
    tags += [place(1, 1), place(2, 2), place_named(3, 42, matrix(12 * 20, 8 * 20), "scoreText"),
             place_named(4, 44, matrix(170 * 20, 12 * 20), "hint"), place_named(5, 50, matrix(370 * 20, 8 * 20), "restartButton")]
    tags += [place_named(10 + i, 20, matrix(0, 0), f"t{i}") for i in range(TARGETS)]
    # Sound: a tune streamed by a looping clip, a pop for each hit (a Sound object plays the
    # exported sound) and a click from the restart button itself.
    tags += [define_sound(60, chirp(22050, 0.16, 900, 250, 16000), 22050), export_assets([(60, "pop")]),
             define_sound(61, chirp(22050, 0.04, 2500, 1800, 9000), 22050), button_sound(50, 61),
             music_clip(62, tune(11025), 11025, 24), place_named(30, 62, matrix(0, 0), "music")]

    this = Reg(1)
    body = [
        Set(V("seed"), 20261208),
        Set(V("score"), 0),
        Set(V("popSound"), New("Sound")),
        Do(CallM(V("popSound"), "attachSound", S("pop"))),
        lcg_function(),
        Fn("showScore", [], [Set(M(V("scoreText"), "text"), ("+", S("得分："), V("score")))]),
        # A new place and speed for a target; targets get faster as the score grows.
        Fn("aim", ["t"], [
            Set(M(Reg(1), "_x"), ("+", 40, Call("rnd", W - 80))),
            Set(M(Reg(1), "_y"), ("+", 80, Call("rnd", H - 120))),
            Set(Reg(2), ("+", ("+", 1, Call("rnd", 3)), whole(("/", V("score"), 5)))),
            Set(M(Reg(1), "vx"), ("*", Reg(2), ("-", ("*", Call("rnd", 2), 2), 1))),
            Set(M(Reg(1), "vy"), ("*", ("+", 1, Call("rnd", 3)), ("-", ("*", Call("rnd", 2), 2), 1))),
        ]),
        # Each target's onEnterFrame: move and bounce off the play field's edges.
        Fn("step", [], [
            Set(M(this, "_x"), ("+", M(this, "_x"), M(this, "vx"))),
            Set(M(this, "_y"), ("+", M(this, "_y"), M(this, "vy"))),
            If(("||", ("&&", ("<", M(this, "_x"), 26), ("<", M(this, "vx"), 0)),
                      ("&&", (">", M(this, "_x"), W - 26), (">", M(this, "vx"), 0))),
               [Set(M(this, "vx"), ("neg", M(this, "vx")))]),
            If(("||", ("&&", ("<", M(this, "_y"), 70), ("<", M(this, "vy"), 0)),
                      ("&&", (">", M(this, "_y"), H - 26), (">", M(this, "vy"), 0))),
               [Set(M(this, "vy"), ("neg", M(this, "vy")))]),
        ], flags=PRELOAD_THIS | SUPPRESS_ARGUMENTS | SUPPRESS_SUPER),
        # A target's onPress: a point, and the target jumps somewhere else.
        Fn("hit", [], [
            Do(CallM(V("popSound"), "start")),
            Set(V("score"), ("+", V("score"), 1)),
            Do(Call("showScore")),
            Do(Call("aim", this)),
        ], flags=PRELOAD_THIS | SUPPRESS_ARGUMENTS | SUPPRESS_SUPER),
        Fn("restart", [], [Set(V("score"), 0), Do(Call("showScore"))] +
           [Do(Call("aim", V(f"t{i}"))) for i in range(TARGETS)]),
    ]
    for i in range(TARGETS):
        body += [Set(M(V(f"t{i}"), "onEnterFrame"), V("step")), Set(M(V(f"t{i}"), "onPress"), V("hit"))]
    body.append(Do(Call("restart")))
    if debug:
        # Checks for the demo test: report the targets now and then, and score by calling the
        # press handler directly (input cannot be sent from the command line).
        body += [
            Set(V("frame"), 0),
            Fn("debugFrame", [], [
                Set(V("frame"), ("+", V("frame"), 1)),
                If(("==", ("%", V("frame"), 25), 0),
                   [Trace(("+", ("+", ("+", ("+", ("+", S("frame "), V("frame")), S(" t0 ")), M(V("t0"), "_x")),
                                     S(",")), M(V("t0"), "_y"))),
                    Do(CallM(V("t0"), "onPress")), Do(CallM(V("t1"), "onPress")),
                    Trace(("+", ("+", S("score "), V("score")), ("+", S(" text "), M(V("scoreText"), "text"))))]),
                If(("==", V("frame"), 80), [Do(Call("restart")), Trace(("+", S("restart score "), V("score")))]),
            ]),
            Set(V("onEnterFrame"), V("debugFrame")),
        ]
    tags += [do_action(script(body)), show_frame()]
    return movie(W, H, 24, 1, tags, version=7, compress=True)


SHOTS, ROCKS = 5, 6


def ship_game(debug=False):
    W, H = 400, 480
    space = Shape([linear([(0, (5, 5, 30)), (255, (30, 20, 70))], gradient_box(0, 0, W * 20, H * 20, 90))])
    space.rect(1, 0, 0, W * 20, H * 20)
    stars = Shape([solid((255, 255, 255, 200))])
    seed = 7
    for _ in range(60):          # a fixed sky: the same dots every time
        seed = seed * 16807 % 2147483647
        x, y = seed % W, (seed // W) % H
        sz = 1 + (seed >> 5) % 2
        stars.rect(1, x * 20, y * 20, (x + sz) * 20, (y + sz) * 20)
    hull = Shape([linear([(0, (200, 210, 230)), (255, (90, 100, 140))], gradient_box(-360, -480, 360, 400))], [(20, (40, 50, 80))])
    hull.path(1, [(0, -480), (360, 320), (120, 200), (-120, 200), (-360, 320)], line=1)
    cockpit = Shape([solid((80, 200, 255))])
    cockpit.circle(1, 0, -80, 90)
    flame = Shape([radial([(0, (255, 255, 200)), (255, (255, 120, 0, 0))], dict(sx=200 / 16384, sy=300 / 16384))])
    flame.circle(1, 0, 300, 160)
    shot = Shape([solid((255, 240, 80))])
    shot.rect(1, -40, -160, 40, 160)
    rock = Shape([radial([(0, (170, 150, 130)), (255, (90, 75, 60))], dict(tx=-120, ty=-120, sx=700 / 16384, sy=700 / 16384))],
                 [(30, (60, 50, 40))])
    rock.path(1, [(0, -400), (280, -300), (420, 0), (300, 300), (0, 420), (-320, 280), (-400, -40), (-260, -320)], line=1)
    crater = Shape([solid((110, 95, 80))])
    crater.circle(1, 120, -80, 90)
    tags = [background((0, 0, 20)), space.encode(1, False), stars.encode(2, True),
            hull.encode(10, False), cockpit.encode(11, False), flame.encode(12, True), shot.encode(13, False),
            rock.encode(14, False), crater.encode(15, False)]
    tags.append(define_sprite(20, [[place(1, 12), place(2, 10), place(3, 11)]]))
    tags.append(define_sprite(21, [[place(1, 13)]]))
    tags.append(define_sprite(22, [[place(1, 14), place(2, 15)]]))
    tags += [device_font(40, "宋体"), device_font(41, "宋体", bold=True)]
    tags.append(edit_text(42, 380, 26, 41, 18, (255, 255, 255), "得分：0"))
    tags.append(edit_text(43, 380, 22, 40, 13, (170, 180, 220), "方向键移动，空格键发射", align=1))
    tags.append(edit_text(44, 300, 40, 41, 30, (255, 90, 60), "撞上了！", align=2))
    tags += [place(1, 1), place(2, 2)]
    tags += [place_named(10 + i, 22, matrix(0, -2000), f"r{i}") for i in range(ROCKS)]
    tags += [place_named(20 + i, 21, matrix(0, -2000), f"s{i}") for i in range(SHOTS)]
    tags += [place_named(30, 20, matrix(W * 10, (H - 50) * 20), "ship"),
             place_named(40, 42, matrix(10 * 20, 6 * 20), "scoreText"),
             place_named(41, 43, matrix(10 * 20, (H - 26) * 20), "hint"),
             place_named(42, 44, matrix(50 * 20, 200 * 20), "crashText")]

    so_high = M(M(V("so"), "data"), "high")
    clip = lambda prefix, r: M(V("_root"), ("+", S(prefix), r))  # noqa: E731
    shot_c, i, rock_c, j = Reg(1), Reg(2), Reg(3), Reg(4)

    def key(code, delta_prop, delta, limit_ok):
        return If(("&&", Call("held", code), limit_ok),
                  [Set(M(V("ship"), delta_prop), ("+", M(V("ship"), delta_prop), delta))])

    body = [
        Set(V("seed"), 4242),
        Set(V("score"), 0),
        Set(V("next"), 0),
        Set(V("cool"), 0),
        Set(V("crashTimer"), 0),
        Set(V("so"), CallM(V("SharedObject"), "getLocal", S("ship"))),
        If(("==", so_high, UNDEFINED), [Set(so_high, 0)]),
        Set(V("high"), so_high),
        lcg_function(),
        Fn("showScore", [], [
            Set(M(V("scoreText"), "text"), ("+", ("+", ("+", S("得分："), V("score")), S("    最高分：")), V("high"))),
        ] + ([Trace(("+", ("+", S("score "), V("score")), ("+", S(" high "), V("high"))))] if debug else [])),
        Fn("held", ["k"], [Return(CallM(V("Key"), "isDown", Reg(1)))] if not debug else [
            # The demo test cannot press keys: fire all the time and sweep left and right.
            Return(("||", ("==", Reg(1), 32),
                    ("||", ("&&", ("==", Reg(1), 37), ("<", ("%", V("frame"), 80), 40)),
                           ("&&", ("==", Reg(1), 39), (">=", ("%", V("frame"), 80), 40))))),
        ]),
        # A rock starts again somewhere above the top edge; rocks fall faster as the score grows.
        Fn("drop", ["r"], [
            Set(M(Reg(1), "_x"), ("+", 20, Call("rnd", W - 40))),
            Set(M(Reg(1), "_y"), ("-", -30, Call("rnd", 300))),
            Set(M(Reg(1), "speed"), ("+", ("+", 2, Call("rnd", 3)), whole(("/", V("score"), 10)))),
            Set(M(Reg(1), "spin"), ("-", Call("rnd", 9), 4)),
        ]),
        Fn("near", ["a", "b", "d"], [
            Set(Reg(4), ("-", M(Reg(1), "_x"), M(Reg(2), "_x"))),
            Set(Reg(5), ("-", M(Reg(1), "_y"), M(Reg(2), "_y"))),
            Return(("<", ("+", ("*", Reg(4), Reg(4)), ("*", Reg(5), Reg(5))), ("*", Reg(3), Reg(3)))),
        ]),
        Fn("newGame", [], [
            Do(CallM(V("so"), "flush")),
            Set(V("score"), 0),
            Set(i, 0),
            While(("<", i, ROCKS), [Do(Call("drop", clip("r", i))), Set(i, ("+", i, 1))]),
            Set(i, 0),
            While(("<", i, SHOTS), [Set(M(clip("s", i), "_visible"), False), Set(i, ("+", i, 1))]),
            Set(M(V("ship"), "_x"), W / 2),
            Set(M(V("ship"), "_y"), H - 50),
            Do(Call("showScore")),
        ]),
        Fn("tick", [], [
            key(37, "_x", -6, (">", M(V("ship"), "_x"), 24)),
            key(39, "_x", 6, ("<", M(V("ship"), "_x"), W - 24)),
            key(38, "_y", -5, (">", M(V("ship"), "_y"), H / 2)),
            key(40, "_y", 5, ("<", M(V("ship"), "_y"), H - 40)),
            If((">", V("cool"), 0), [Set(V("cool"), ("-", V("cool"), 1))]),
            If(("&&", Call("held", 32), ("<=", V("cool"), 0)), [
                Set(shot_c, clip("s", V("next"))),
                Set(V("next"), ("%", ("+", V("next"), 1), SHOTS)),
                Set(M(shot_c, "_x"), M(V("ship"), "_x")),
                Set(M(shot_c, "_y"), ("-", M(V("ship"), "_y"), 28)),
                Set(M(shot_c, "_visible"), True),
                Set(V("cool"), 6),
            ]),
            Set(i, 0),
            While(("<", i, SHOTS), [
                Set(shot_c, clip("s", i)),
                If(M(shot_c, "_visible"), [
                    Set(M(shot_c, "_y"), ("-", M(shot_c, "_y"), 12)),
                    If(("<", M(shot_c, "_y"), -10), [Set(M(shot_c, "_visible"), False)]),
                ]),
                Set(i, ("+", i, 1)),
            ]),
            Set(j, 0),
            While(("<", j, ROCKS), [
                Set(rock_c, clip("r", j)),
                Set(M(rock_c, "_y"), ("+", M(rock_c, "_y"), M(rock_c, "speed"))),
                Set(M(rock_c, "_rotation"), ("+", M(rock_c, "_rotation"), M(rock_c, "spin"))),
                If((">", M(rock_c, "_y"), H + 30), [Do(Call("drop", rock_c))]),
                Set(i, 0),
                While(("<", i, SHOTS), [
                    Set(shot_c, clip("s", i)),
                    If(("&&", M(shot_c, "_visible"), Call("near", shot_c, rock_c, 24)), [
                        Set(M(shot_c, "_visible"), False),
                        Set(V("score"), ("+", V("score"), 1)),
                        If((">", V("score"), V("high")), [Set(V("high"), V("score")), Set(so_high, V("high"))]),
                        Do(Call("showScore")),
                        Do(Call("drop", rock_c)),
                    ]),
                    Set(i, ("+", i, 1)),
                ]),
                If(Call("near", rock_c, V("ship"), 26), [
                    Set(M(V("crashText"), "_visible"), True),
                    Set(V("crashTimer"), 48),
                    Do(Call("newGame")),
                ] + ([Trace(S("crash"))] if debug else [])),
                Set(j, ("+", j, 1)),
            ]),
            If((">", V("crashTimer"), 0), [
                Set(V("crashTimer"), ("-", V("crashTimer"), 1)),
                If(("==", V("crashTimer"), 0), [Set(M(V("crashText"), "_visible"), False)]),
            ]),
        ] + ([Set(V("frame"), ("+", V("frame"), 1))] if debug else [])),
        Set(M(V("crashText"), "_visible"), False),
        Set(V("frame"), 0),
        Do(Call("newGame")),
        Set(V("onEnterFrame"), V("tick")),
    ]
    if not debug:
        body = [st for st in body if not (st[0] == "set" and isinstance(st[1], V) and st[1].name == "frame")]
    tags += [do_action(script(body)), show_frame()]
    return movie(W, H, 24, 1, tags, version=7)


# ------------------------------------------------------------------------------------------------
# Descriptions: GBK text with CR LF line ends
# ------------------------------------------------------------------------------------------------
DOCS = {
    "Bouncing Ball": [
        "弹跳小球",
        "",
        "一个红色的小球在草地上跳来跳去。",
        "这是一个演示动画，不需要任何操作，看着它跳就行了。",
    ],
    "Star.Spin": [
        "旋转的星星",
        "",
        "金色的五角星在夜空中不停地旋转，一闪一闪亮晶晶。",
        "文件名里有两个点，列表里显示为“Star.Spin”。",
    ],
    "Little Tank": [
        "小坦克",
        "",
        "一辆绿色的小坦克在山坡下来回巡逻，炮管一抬一落，不时打出一发炮弹。",
        "",
        "【游戏背景】",
        "很久很久以前，在一片安静的山谷里，住着一辆勇敢的小坦克。它每天早上太阳升起的时候就开始巡逻，"
        "从山谷的这一头开到那一头，再从那一头开回这一头，一直到太阳落山。",
        "",
        "【操作说明】",
        "这是一个演示动画，小坦克会自己行动，不需要按任何键。",
        "如果觉得画面太小，可以点击右上角的“最合适”按钮；想看原始大小，可以点击“实际大小”按钮。",
        "",
        "【小提示】",
        "1. 拖动中间的分隔条可以调整游戏列表和游戏画面的宽度。",
        "2. 点击分隔条中间的小按钮可以把游戏列表收起来，再点一次就会恢复。",
        "3. 把自己喜欢的 flash 游戏（后缀是 .swf）复制到 FlashFiles 目录，下次启动时就会出现在列表里。",
        "4. 把同名的 .txt 说明文件放到 DocFiles 目录，就能在“游戏说明”里看到。",
        "",
        "【制作人员】",
        "美术：Plumora 小组",
        "程序：Plumora 小组",
        "音乐：暂无",
        "",
        "【版本历史】",
        "1.0.1  第一次发布。",
        "1.0.0  内部测试版本。",
        "",
        "祝你玩得开心！",
    ],
    "Crème brûlée ☕": [
        "焦糖布丁和咖啡",
        "",
        "一杯热气腾腾的咖啡。这个游戏的文件名里有中文系统代码页（GBK）表示不了的字符，",
        "用来检查程序能不能正确列出和打开这样的文件。",
    ],
    "Broken": [
        "损坏的文件",
        "",
        "这个文件不是有效的 flash 动画，开始游戏时会提示“文件无法打开”。",
    ],
    "Targets": [
        "点靶子",
        "",
        "红白相间的靶子在蓝天下飞来飞去，碰到边上就会弹回来。",
        "",
        "【玩法】",
        "用鼠标点击靶子，每打中一个得 1 分，打中的靶子会跳到别的地方继续飞。",
        "得分越高，靶子飞得越快。",
        "点击右上角的“重新开始”按钮，分数清零，重新开始。",
    ],
    "Ship": [
        "小飞船",
        "",
        "驾驶小飞船在星空中穿行，打碎从上面落下来的石头。",
        "",
        "【玩法】",
        "方向键（↑ ↓ ← →）：移动飞船。",
        "空格键：发射子弹。打碎一块石头得 1 分，分数越高，石头落得越快。",
        "被石头撞上就会重新开始，分数清零。",
        "",
        "【最高分】",
        "最高分会保存下来，下次再玩时还在，显示在分数的旁边。",
    ],
    # "Rainbow" has no description on purpose: its dialog shows an empty memo.
}


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main():
    args = sys.argv[1:]
    debug = "--debug" in args   # the games trace what they do (for tools/demo-tests.sh)
    args = [a for a in args if a != "--debug"]
    out = args[0] if args else os.path.join(ROOT, "build", "demo")
    flash = os.path.join(out, "FlashFiles")
    docs = os.path.join(out, "DocFiles")
    os.makedirs(flash, exist_ok=True)
    os.makedirs(docs, exist_ok=True)
    movies = {
        "Bouncing Ball.swf": bouncing_ball(),
        "Star.Spin.swf": spinning_star(),
        "Rainbow.swf": rainbow(),
        "Little Tank.swf": little_tank(),
        "Crème brûlée ☕.swf": creme_brulee(),
        "Targets.swf": targets_game(debug),
        "Ship.swf": ship_game(debug),
        "Broken.swf": b"This is not a Flash movie, only a few words of plain text.\r\n",
    }
    for name, data in movies.items():
        write(os.path.join(flash, name), data)
    for name, lines in DOCS.items():
        write(os.path.join(docs, name + ".txt"), "\r\n".join(lines).encode("gbk") + b"\r\n")
    print(f"make-demo: {len(movies)} movies and {len(DOCS)} descriptions in {out}")


if __name__ == "__main__":
    main()
