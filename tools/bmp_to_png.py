#!/usr/bin/env python3
"""Turns a frame written by "zelvarons.exe --render" into a PNG for people to look at.

The bitmap is 32-bit, rows top to bottom (negative height), with premultiplied alpha; the PNG
is RGBA with straight alpha, or, with --over RRGGBB, opaque over that colour.

    tools/bmp_to_png.py frame.bmp frame.png [--over 808080]
"""
import argparse
import struct
import sys
import zlib


def read_frame(path):
    data = open(path, "rb").read()
    if data[:2] != b"BM" or len(data) < 54:
        raise ValueError(f"{path}: not a bitmap")
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _planes, bits = struct.unpack_from("<iiHH", data, 18)
    if bits != 32 or height >= 0 or width <= 0:
        raise ValueError(f"{path}: expected a 32-bit top-down bitmap")
    height = -height
    return width, height, data[offset:offset + width * height * 4]


def rgba_rows(width, height, pixels, over):
    rows = []
    for y in range(height):
        row = bytearray([0])  # filter type: none
        base = y * width * 4
        for x in range(width):
            b, g, r, a = pixels[base + 4 * x:base + 4 * x + 4]
            if over is not None:
                # Premultiplied colour over an opaque background.
                row += bytes(min(255, c + (255 - a) * o // 255) for c, o in zip((r, g, b), over))
                row.append(255)
            elif a == 0:
                row += b"\0\0\0\0"
            else:
                row += bytes(min(255, (c * 255 + a // 2) // a) for c in (r, g, b))
                row.append(a)
        rows.append(bytes(row))
    return b"".join(rows)


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)


def write_png(path, width, height, raw):
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    open(path, "wb").write(png)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("bitmap")
    parser.add_argument("png")
    parser.add_argument("--over", help="background colour RRGGBB: write an opaque picture")
    args = parser.parse_args()
    over = None
    if args.over:
        over = tuple(int(args.over[i:i + 2], 16) for i in (0, 2, 4))
    width, height, pixels = read_frame(args.bitmap)
    write_png(args.png, width, height, rgba_rows(width, height, pixels, over))
    return 0


if __name__ == "__main__":
    sys.exit(main())
