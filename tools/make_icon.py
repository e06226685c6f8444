#!/usr/bin/env python3
"""Draws the program icon (qx-desktop/res/zelvarons.ico): a dark bar with a blue orb at its left,
in 8 sizes. Sizes up to 64 are 32-bit bitmaps with an AND mask; 256 is a PNG.
Run again after changing the drawing: python3 tools/make_icon.py"""
import math
import os
import struct
import zlib

SIZES = [16, 20, 24, 32, 40, 48, 64, 256]
SAMPLES = 4  # per axis, for anti-aliasing

BAR = (30, 30, 30)
ACCENT = (0, 98, 204)
ACCENT_DEEP = (0, 52, 120)
RING = (255, 255, 255)


def rounded_rect_distance(x, y, left, top, right, bottom, radius):
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return math.hypot(x - cx, y - cy) - radius


def colour_at(u, v):
    """Colour and coverage of the drawing at (u, v) in a unit square, front to back."""
    # The orb: a white ring around a blue disc that darkens toward the bottom right.
    ox, oy, r = 0.34, 0.5, 0.3
    d = math.hypot(u - ox, v - oy)
    if d <= r:
        if d > r - 0.055:
            return RING
        t = min(1.0, max(0.0, (u - ox + v - oy) / (2 * r) + 0.5))
        return tuple(a + (b - a) * t for a, b in zip(ACCENT, ACCENT_DEEP))
    # The bar: a pill through the middle, to the right edge.
    if rounded_rect_distance(u, v, 0.08, 0.34, 0.96, 0.66, 0.16) <= 0:
        # Two text lines on the bar.
        if 0.7 <= u <= 0.88 and 0.43 <= v <= 0.47:
            return (226, 226, 226)
        if 0.7 <= u <= 0.8 and 0.53 <= v <= 0.57:
            return (160, 160, 160)
        return BAR
    return None


def render(size):
    """Rows top-down of (r, g, b, a), straight alpha."""
    rows = []
    n = SAMPLES * SAMPLES
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0.0, 0.0, 0.0]
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at((x + (sx + 0.5) / SAMPLES) / size, (y + (sy + 0.5) / SAMPLES) / size)
                    if c is not None:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            if hits == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(a / hits) for a in acc) + (round(255 * hits / n),))
        rows.append(row)
    return rows


def bitmap_image(size, rows):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def png_image(size, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    images = []
    for size in SIZES:
        rows = render(size)
        images.append(png_image(size, rows) if size >= 256 else bitmap_image(size, rows))
    out = struct.pack("<HHH", 0, 1, len(SIZES))
    offset = 6 + 16 * len(SIZES)
    for size, data in zip(SIZES, images):
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    target = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "qx-desktop", "res", "zelvarons.ico")
    with open(target, "wb") as f:
        f.write(out)
    print(f"{os.path.normpath(target)}: {len(SIZES)} images, {len(out)} bytes")


if __name__ == "__main__":
    main()
