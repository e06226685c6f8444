#!/usr/bin/env python3
"""Renders a frame in a Wine prefix without any font replacements, where neither "Segoe UI" nor
GDI+'s generic sans-serif families exist, and fails when the frame has no text in it.

Usage: bare_prefix_text_test.py PROGRAM FEED PREFIX
"""
import os
import struct
import subprocess
import sys
import tempfile


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def bright_pixels(bitmap, right_edge):
    """Pixels left of right_edge whose three channels are all above 200 (text on a dark skin)."""
    width, height = struct.unpack_from("<ii", bitmap, 18)
    height = abs(height)
    offset = struct.unpack_from("<I", bitmap, 10)[0]
    count = 0
    for y in range(height):
        row = offset + 4 * y * width
        for x in range(min(width, right_edge)):
            b, g, r = bitmap[row + 4 * x:row + 4 * x + 3]
            if b > 200 and g > 200 and r > 200:
                count += 1
    return count


def main():
    program, feed, prefix = sys.argv[1:4]
    env = dict(os.environ, WINEPREFIX=os.path.abspath(prefix), WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d")
    env.pop("DISPLAY", None)
    try:
        subprocess.run(["wine", "wineboot"], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=240, check=False)
        with tempfile.TemporaryDirectory() as folder:
            out = os.path.join(folder, "bar.bmp")
            run = subprocess.run(["wine", program, "--render", windows_path(out), "--feed", windows_path(feed),
                                  "--expanded"], env=env, stdin=subprocess.DEVNULL, capture_output=True,
                                 timeout=240, check=False)
            if run.returncode != 0:
                print(f"render exited {run.returncode}: {run.stderr.decode(errors='replace')}")
                return 1
            with open(out, "rb") as f:
                bitmap = f.read()
    finally:
        subprocess.run(["wineserver", "-k"], env=env, check=False, stderr=subprocess.DEVNULL)
    # Left of the action button and the page dots: only the orb's monogram, the feed's title and
    # status and the stories are bright there. A frame without text has none.
    count = bright_pixels(bitmap, 1700)
    print(f"bright text pixels: {count}")
    return 0 if count > 500 else 1


if __name__ == "__main__":
    sys.exit(main())
