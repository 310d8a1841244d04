#!/usr/bin/env python3
"""Writes the program's pictures (toolbar, list status, app icon) as SVG files.

Run once after changing a drawing; the SVGs are committed. The program draws
them at the size and device pixel ratio they are shown at, and the build
draws the app icon's PNG sizes for the icon theme from the same file.
Usage: scripts/make_pictures.py [OUTPUT_DIR]   (default app/pictures)
"""
import math
import os
import sys

# Shapes are drawn in a 0..1 square; each returns an SVG element (without its
# fill) for a picture `size` units wide.


def num(v, size):
    return ("%.3f" % (v * size)).rstrip("0").rstrip(".")


def rect(x0, y0, x1, y1, r=0.0):
    def svg(size):
        corner = ' rx="%s"' % num(r, size) if r else ""
        return '<rect x="%s" y="%s" width="%s" height="%s"%s' % (
            num(x0, size), num(y0, size), num(x1 - x0, size), num(y1 - y0, size), corner)
    return svg


def circle(cx, cy, r):
    return lambda size: '<circle cx="%s" cy="%s" r="%s"' % (num(cx, size), num(cy, size), num(r, size))


def ring(cx, cy, r, t):
    # A circle's outline: the stroke is centred on the radius.
    def svg(size):
        return '<circle cx="%s" cy="%s" r="%s" fill="none" stroke-width="%s"' % (
            num(cx, size), num(cy, size), num(r - t / 2, size), num(t, size))
    return svg


def poly(*pts):
    return lambda size: '<polygon points="%s"' % " ".join(
        "%s,%s" % (num(x, size), num(y, size)) for x, y in pts)


def line(xa, ya, xb, yb, t):
    def svg(size):
        return '<line x1="%s" y1="%s" x2="%s" y2="%s" stroke-width="%s" stroke-linecap="round"' % (
            num(xa, size), num(ya, size), num(xb, size), num(yb, size), num(t, size))
    return svg


def gear(cx, cy, r, teeth=8):
    # The outline walks the rim, stepping out for each tooth; the hub is a
    # hole cut by the even-odd rule.
    def svg(size):
        steps = teeth * 24
        rim = []
        for i in range(steps):
            a = 2 * math.pi * i / steps
            d = r if math.cos(a * teeth) > 0.2 else r * 0.78
            rim.append("%s,%s" % (num(cx + d * math.cos(a), size), num(cy + d * math.sin(a), size)))
        hole = r * 0.3
        path = "M" + " L".join(rim) + " Z M%s,%s a%s,%s 0 1,0 %s,0 a%s,%s 0 1,0 %s,0 Z" % (
            num(cx - hole, size), num(cy, size), num(hole, size), num(hole, size), num(2 * hole, size),
            num(hole, size), num(hole, size), num(-2 * hole, size))
        return '<path fill-rule="evenodd" d="%s"' % path
    return svg


def colour(c):
    return "#%02x%02x%02x" % c


def write_svg(path, size, layers):
    parts = ['<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">'
             % (size, size, size, size)]
    for shape, c in layers:
        element = shape(size)
        paint = "stroke" if 'fill="none"' in element or "<line" in element else "fill"
        parts.append('  %s %s="%s"/>' % (element, paint, colour(c)))
    parts.append("</svg>\n")
    with open(path, "w", encoding="ascii") as f:
        f.write("\n".join(parts))


BLUE, DARK = (61, 83, 181), (30, 40, 90)
GREEN, RED, ORANGE = (46, 160, 67), (207, 48, 48), (230, 140, 20)
YELLOW, WHITE, GREY = (240, 196, 60), (255, 255, 255), (150, 150, 150)

TOOLBAR = [
    ("open", [(poly((.08, .25), (.38, .25), (.45, .33), (.92, .33), (.92, .82), (.08, .82)), (196, 150, 30)),
              (poly((.16, .45), (.98, .45), (.86, .82), (.05, .82)), YELLOW)]),
    ("save", [(rect(.12, .12, .88, .88, .06), BLUE), (rect(.26, .14, .74, .42), WHITE),
              (rect(.60, .18, .68, .36), DARK), (rect(.24, .58, .76, .86), (220, 220, 230))]),
    ("start", [(rect(.40, .10, .60, .52), GREEN), (poly((.20, .46), (.80, .46), (.50, .78)), GREEN),
               (rect(.14, .82, .86, .90), DARK)]),
    ("add", [(circle(.5, .5, .40), BLUE), (rect(.42, .24, .58, .76), WHITE), (rect(.24, .42, .76, .58), WHITE)]),
    ("empty", [(rect(.22, .28, .78, .90, .05), GREY), (rect(.14, .18, .86, .26), DARK),
               (rect(.40, .10, .60, .18), DARK), (line(.34, .40, .66, .80, .09), RED),
               (line(.66, .40, .34, .80, .09), RED)]),
    ("hide", [(rect(.10, .14, .90, .78, .05), BLUE), (rect(.16, .26, .84, .72), WHITE),
              (rect(.30, .56, .70, .66), DARK), (rect(.10, .84, .90, .90), DARK)]),
    ("options", [(gear(.5, .5, .42), (90, 100, 120))]),
    ("stop", [(poly((.35, .08), (.65, .08), (.92, .35), (.92, .65), (.65, .92), (.35, .92), (.08, .65),
                    (.08, .35)), RED), (rect(.26, .43, .74, .57), WHITE)]),
]

STATUS = [
    ("ready", [(circle(.5, .5, .40), BLUE), (circle(.5, .5, .16), WHITE)]),
    ("unused", [(ring(.5, .5, .40, .10), GREY)]),
    ("downloading", [(rect(.38, .08, .62, .50), ORANGE), (poly((.12, .44), (.88, .44), (.50, .90)), ORANGE)]),
    ("downloaded", [(circle(.5, .5, .45), GREEN), (line(.25, .52, .43, .70, .13), WHITE),
                    (line(.43, .70, .76, .32, .13), WHITE)]),
    ("failed", [(circle(.5, .5, .45), RED), (line(.31, .31, .69, .69, .14), WHITE),
                (line(.69, .31, .31, .69, .14), WHITE)]),
]

APP = [(rect(.06, .06, .94, .94, .18), BLUE), (rect(.42, .18, .58, .56), WHITE),
       (poly((.24, .50), (.76, .50), (.50, .76)), WHITE), (rect(.22, .80, .78, .86), YELLOW)]


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "app", "pictures")
    os.makedirs(out, exist_ok=True)
    for i, (name, layers) in enumerate(TOOLBAR):
        write_svg(os.path.join(out, "tool%d_%s.svg" % (i, name)), 32, layers)
    for i, (name, layers) in enumerate(STATUS):
        write_svg(os.path.join(out, "status%d_%s.svg" % (i, name)), 16, layers)
    write_svg(os.path.join(out, "fetchly.svg"), 48, APP)


if __name__ == "__main__":
    main()
