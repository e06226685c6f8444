#!/usr/bin/env python3
"""Generates tools/zelvarons-test-icons.ttf: a stand-in for the Windows icon font under Wine.

The bar draws its icon buttons and media marks as glyphs of the Windows icon font at fixed
private-use code points. Wine has no such font, so without a stand-in every rendered frame shows
boxes there and no test can tell one icon from another. This font has one plain outline glyph at
each of those code points, under a family name of its own; the Wine runner (tools/wine-run.sh.in)
copies it into every prefix it boots and maps the icon family to it. It is never part of the
program.

The output is byte for byte the same on every run (fixed timestamps), so it is committed.

Usage (Debian's python3-fonttools):
  python3 tools/gen_test_icon_font.py tools/zelvarons-test-icons.ttf
"""

import math
import sys

try:
    from fontTools.fontBuilder import FontBuilder
    from fontTools.pens.ttGlyphPen import TTGlyphPen
except ImportError:
    sys.exit("fontTools is missing: run scripts/setup (Debian's python3-fonttools), then use /usr/bin/python3")

FAMILY = "Zelvarons Test Icons"
EM = 1000
ASCENT = 800
DESCENT = 200
# Glyphs are designed around (0, 0) within about ±400 units and moved to the middle of the line
# box, so that a one-line text centred in a cell puts the icon in the cell's middle.
CENTRE = (EM // 2, (ASCENT - DESCENT) // 2)
STROKE = 100
# 1 January 2025, seconds since 1904: the font's own dates stay fixed so the file does too.
TIMESTAMP = 3818534400


def area(points):
    return sum(x0 * y1 - x1 * y0 for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1])) / 2


def outer(points):
    """A filled contour: clockwise, as TrueType wants outside contours."""
    return points if area(points) < 0 else points[::-1]


def hole(points):
    return points[::-1] if area(points) < 0 else points


def rect(x0, y0, x1, y1):
    return [(x0, y0), (x0, y1), (x1, y1), (x1, y0)]


def circle(cx, cy, r, steps=20):
    return [(cx + r * math.cos(2 * math.pi * i / steps), cy + r * math.sin(2 * math.pi * i / steps))
            for i in range(steps)]


def stroke(path, width=STROKE):
    """The outline of an open polyline drawn with a pen of the given width: mitred joins, flat ends."""
    half = width / 2

    def normal(a, b):
        dx, dy = b[0] - a[0], b[1] - a[1]
        length = math.hypot(dx, dy)
        return (-dy / length, dx / length)

    normals = [normal(a, b) for a, b in zip(path, path[1:])]
    left, right = [], []
    for i, (x, y) in enumerate(path):
        if i == 0 or i == len(path) - 1:
            nx, ny = normals[0] if i == 0 else normals[-1]
            m = half
        else:
            (ax, ay), (bx, by) = normals[i - 1], normals[i]
            nx, ny = ax + bx, ay + by
            length = math.hypot(nx, ny)
            nx, ny = nx / length, ny / length
            m = half / (nx * ax + ny * ay)
        left.append((x + nx * m, y + ny * m))
        right.append((x - nx * m, y - ny * m))
    return left + right[::-1]


def arc(cx, cy, r, degrees, width, steps=10):
    a0, a1 = (math.radians(d) for d in degrees)
    return stroke([(cx + r * math.cos(a0 + (a1 - a0) * i / steps), cy + r * math.sin(a0 + (a1 - a0) * i / steps))
                   for i in range(steps + 1)], width)


def more():
    return [outer(circle(x, 0, 80)) for x in (-300, 0, 300)]


def chevron_down():
    return [outer(stroke([(-350, 175), (0, -175), (350, 175)]))]


def chevron_up():
    return [outer(stroke([(-350, -175), (0, 175), (350, -175)]))]


def chevron_sideways():
    return [outer(stroke([(-175, 350), (175, 0), (-175, -350)]))]


def arrow(direction):
    # A shaft with a head, so that the page buttons do not look like the chevrons.
    shaft = stroke([(-350 * direction, 0), (320 * direction, 0)])
    head = stroke([(60 * direction, 290), (350 * direction, 0), (60 * direction, -290)])
    return [outer(shaft), outer(head)]


def speaker():
    body = [(-360, -120), (-360, 120), (-210, 120), (-40, 320), (-40, -320), (-210, -120)]
    waves = [arc(-40, 0, r, (-45, 45), 80) for r in (170, 320)]
    return [outer(body)] + [outer(w) for w in waves]


def film():
    # A frame with a row of sprocket holes down each side.
    contours = [outer(rect(-380, -320, 380, 320)), hole(rect(-180, -320 + 90, 180, 320 - 90))]
    for x in (-320, 240):
        for y in (-230, -50, 130):
            contours.append(hole(rect(x, y, x + 80, y + 100)))
    return contours


GLYPHS = [
    # (name, code point, contours)
    ("more", 0xE712, more()),
    ("chevronDown", 0xE70D, chevron_down()),
    ("chevronUp", 0xE70E, chevron_up()),
    ("chevronSideways", 0xE8A0, chevron_sideways()),
    ("previous", 0xE76B, arrow(-1)),
    ("next", 0xE76C, arrow(1)),
    ("speaker", 0xE767, speaker()),
    ("film", 0xE768, film()),
]


def draw(contours):
    pen = TTGlyphPen(None)
    for contour in contours:
        points = [(round(x + CENTRE[0]), round(y + CENTRE[1])) for x, y in contour]
        pen.moveTo(points[0])
        for p in points[1:]:
            pen.lineTo(p)
        pen.closePath()
    return pen.glyph()


def notdef():
    # An empty box, the usual look of a missing glyph.
    return draw([outer(rect(-300, -400, 300, 400)), hole(rect(-220, -320, 220, 320))])


def build(path):
    names = [".notdef", "space"] + [name for name, _, _ in GLYPHS]
    builder = FontBuilder(EM, isTTF=True)
    builder.setupHead(unitsPerEm=EM, created=TIMESTAMP, modified=TIMESTAMP)
    builder.setupGlyphOrder(names)
    builder.setupCharacterMap({0x20: "space", **{code: name for name, code, _ in GLYPHS}})
    glyphs = {".notdef": notdef(), "space": TTGlyphPen(None).glyph()}
    glyphs.update({name: draw(contours) for name, _, contours in GLYPHS})
    builder.setupGlyf(glyphs)
    metrics = {}
    for name in names:
        glyph = glyphs[name]
        glyph.recalcBounds(builder.font["glyf"])
        metrics[name] = (EM, getattr(glyph, "xMin", 0))
    builder.setupHorizontalMetrics(metrics)
    builder.setupHorizontalHeader(ascent=ASCENT, descent=-DESCENT)
    builder.setupNameTable({
        "familyName": FAMILY,
        "styleName": "Regular",
        "uniqueFontIdentifier": FAMILY + " Regular 1.0",
        "fullName": FAMILY,
        "psName": FAMILY.replace(" ", "") + "-Regular",
        "version": "Version 1.000",
        "description": "Stand-in icon glyphs for rendering Zelvarons under Wine in tests.",
    })
    builder.setupOS2(sTypoAscender=ASCENT, sTypoDescender=-DESCENT, sTypoLineGap=0, usWinAscent=ASCENT,
                     usWinDescent=DESCENT, ulCodePageRange1=1, usFirstCharIndex=0x20, usLastCharIndex=0xE8A0,
                     achVendID="ZVTI")
    builder.setupPost()
    builder.save(path)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    build(sys.argv[1])
