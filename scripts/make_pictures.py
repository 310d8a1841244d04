#!/usr/bin/env python3
"""Draws the program's pictures (toolbar, list status, app icon) as PNG files.

Run once after changing a drawing; the PNGs are committed and compiled into
the program as Qt resources. Plain Python: no imaging library needed.
Usage: scripts/make_pictures.py [OUTPUT_DIR]   (default app/pictures)
"""
import math
import os
import struct
import sys
import zlib

SS = 4  # samples per pixel edge


def png(path, w, h, pixels):
    raw = b"".join(b"\x00" + bytes(pixels[y * w * 4:(y + 1) * w * 4]) for y in range(h))

    def chunk(kind, data):
        c = struct.pack(">I", len(data)) + kind + data
        return c + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


# Shapes are predicates on (x, y) in a 0..1 square.
def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def rrect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r, t):
    return lambda x, y: (r - t) ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def poly(*pts):
    def inside(x, y):
        n, c = len(pts), False
        for i in range(n):
            (xa, ya), (xb, yb) = pts[i], pts[(i + 1) % n]
            if (ya > y) != (yb > y) and x < (xb - xa) * (y - ya) / (yb - ya) + xa:
                c = not c
        return c
    return inside


def line(xa, ya, xb, yb, t):
    def inside(x, y):
        dx, dy = xb - xa, yb - ya
        k = max(0.0, min(1.0, ((x - xa) * dx + (y - ya) * dy) / (dx * dx + dy * dy)))
        return (x - xa - k * dx) ** 2 + (y - ya - k * dy) ** 2 <= (t / 2) ** 2
    return inside


def gear(cx, cy, r, teeth=8):
    def inside(x, y):
        a = math.atan2(y - cy, x - cx)
        d = math.hypot(x - cx, y - cy)
        outer = r if math.cos(a * teeth) > 0.2 else r * 0.78
        return r * 0.3 <= d <= outer
    return inside


def render(path, size, layers):
    px = [0] * (size * size * 4)
    n = SS * SS
    for py in range(size):
        for pxl in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SS):
                for sx in range(SS):
                    x = (pxl + (sx + 0.5) / SS) / size
                    y = (py + (sy + 0.5) / SS) / size
                    col = None
                    for shape, c in layers:
                        if shape(x, y):
                            col = c
                    if col:
                        a = col[3] / 255.0
                        for i in range(3):
                            acc[i] += col[i] * a
                        acc[3] += a
            o = (py * size + pxl) * 4
            if acc[3] > 0:
                for i in range(3):
                    px[o + i] = int(round(acc[i] / acc[3]))
                px[o + 3] = int(round(255 * acc[3] / n))
    png(path, size, size, px)


BLUE, DARK = (61, 83, 181, 255), (30, 40, 90, 255)
GREEN, RED, ORANGE = (46, 160, 67, 255), (207, 48, 48, 255), (230, 140, 20, 255)
YELLOW, WHITE, GREY = (240, 196, 60, 255), (255, 255, 255, 255), (150, 150, 150, 255)

TOOLBAR = [
    ("open", [(poly((.08, .25), (.38, .25), (.45, .33), (.92, .33), (.92, .82), (.08, .82)), (196, 150, 30, 255)),
              (poly((.16, .45), (.98, .45), (.86, .82), (.05, .82)), YELLOW)]),
    ("save", [(rrect(.12, .12, .88, .88, .06), BLUE), (rect(.26, .14, .74, .42), WHITE),
              (rect(.60, .18, .68, .36), DARK), (rect(.24, .58, .76, .86), (220, 220, 230, 255))]),
    ("start", [(rect(.40, .10, .60, .52), GREEN), (poly((.20, .46), (.80, .46), (.50, .78)), GREEN),
               (rect(.14, .82, .86, .90), DARK)]),
    ("add", [(circle(.5, .5, .40), BLUE), (rect(.42, .24, .58, .76), WHITE), (rect(.24, .42, .76, .58), WHITE)]),
    ("empty", [(rrect(.22, .28, .78, .90, .05), GREY), (rect(.14, .18, .86, .26), DARK), (rect(.40, .10, .60, .18), DARK),
               (line(.34, .40, .66, .80, .09), RED), (line(.66, .40, .34, .80, .09), RED)]),
    ("hide", [(rrect(.10, .14, .90, .78, .05), BLUE), (rect(.16, .26, .84, .72), WHITE), (rect(.30, .56, .70, .66), DARK),
              (rect(.10, .84, .90, .90), DARK)]),
    ("options", [(gear(.5, .5, .42), (90, 100, 120, 255)), (circle(.5, .5, .12), (0, 0, 0, 0))]),
]

STATUS = [
    ("ready", [(circle(.5, .5, .40), BLUE), (circle(.5, .5, .16), WHITE)]),
    ("unused", [(ring(.5, .5, .40, .10), GREY)]),
    ("downloading", [(rect(.38, .08, .62, .50), ORANGE), (poly((.12, .44), (.88, .44), (.50, .90)), ORANGE)]),
    ("downloaded", [(circle(.5, .5, .45), GREEN), (line(.25, .52, .43, .70, .13), WHITE), (line(.43, .70, .76, .32, .13), WHITE)]),
    ("failed", [(circle(.5, .5, .45), RED), (line(.31, .31, .69, .69, .14), WHITE), (line(.69, .31, .31, .69, .14), WHITE)]),
]

APP = [(rrect(.06, .06, .94, .94, .18), BLUE), (rect(.42, .18, .58, .56), WHITE),
       (poly((.24, .50), (.76, .50), (.50, .76)), WHITE), (rect(.22, .80, .78, .86), YELLOW)]


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "app", "pictures")
    os.makedirs(out, exist_ok=True)
    for i, (name, layers) in enumerate(TOOLBAR):
        render(os.path.join(out, "tool%d_%s.png" % (i, name)), 32, layers)
    for i, (name, layers) in enumerate(STATUS):
        render(os.path.join(out, "status%d_%s.png" % (i, name)), 16, layers)
    for size in (16, 32, 48, 128):
        render(os.path.join(out, "fetchly-%d.png" % size), size, APP)


if __name__ == "__main__":
    main()
