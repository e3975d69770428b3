#!/usr/bin/env python3
"""Draws the program icon (a shaded ball) and the link cursor (a pointing hand).

Writes trivelle.ico (32 x 32 and 16 x 16) and link.cur (24 x 24 and 32 x 32), both as
32-bit images with an alpha channel and an AND mask. Run it after changing a picture;
the build uses the files it writes.
"""
import math
import struct
from pathlib import Path

HERE = Path(__file__).resolve().parent

HAND = """
        ##
       #..#
       #..#
       #..#
       #..#
       #..###
       #..#..###
       #..#..#..##
    ## #..#..#..#.#
   #..##........#..#
   #...#...........#
    #..............#
     #.............#
     #.............#
      #...........#
      #...........#
       #.........#
       #.........#
       ###########
"""
HAND_HOTSPOT = (8, 1)


def ball_pixels(size):
    """A blue ball lit from the upper left, with a soft edge (4 x 4 supersampling)."""
    r = size / 2 - 0.5
    cx = cy = size / 2
    hx, hy = cx - r * 0.35, cy - r * 0.35
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            cover = 0
            light = 0.0
            for sy in range(4):
                for sx in range(4):
                    px, py = x + (sx + 0.5) / 4, y + (sy + 0.5) / 4
                    if (px - cx) ** 2 + (py - cy) ** 2 <= r * r:
                        cover += 1
                        d = math.hypot(px - hx, py - hy) / (r * 1.35)
                        light += max(0.0, 1.0 - d)
            if cover == 0:
                row.append((0, 0, 0, 0))
                continue
            t = light / cover
            red = int(235 * t * t)
            green = int(235 * t * t)
            blue = int(150 + 105 * min(1.0, t * 1.5))
            row.append((red, green, blue, 255 * cover // 16))
        rows.append(row)
    return rows


def hand_pixels(size):
    art = [line for line in HAND.split("\n")[1:-1]]
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            ch = art[y][x] if y < len(art) and x < len(art[y]) else " "
            row.append({"#": (0, 0, 0, 255), ".": (255, 255, 255, 255)}.get(ch, (0, 0, 0, 0)))
        rows.append(row)
    return rows


def dib(rows):
    """BITMAPINFOHEADER, bottom-up BGRA pixels and the AND mask of one image."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    stride = (size + 31) // 32 * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + pixels + mask


def icon_file(kind, images):
    """kind 1 = icon, 2 = cursor; images: (size, rows, hotspot or None)."""
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for size, rows, hotspot in images:
        blob = dib(rows)
        a, b = hotspot if hotspot else (1, 32)
        out += struct.pack("<BBBBHHII", size, size, 0, 0, a, b, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    return out + b"".join(blobs)


def main():
    (HERE / "trivelle.ico").write_bytes(
        icon_file(1, [(32, ball_pixels(32), None), (16, ball_pixels(16), None)]))
    (HERE / "link.cur").write_bytes(
        icon_file(2, [(24, hand_pixels(24), HAND_HOTSPOT), (32, hand_pixels(32), HAND_HOTSPOT)]))


if __name__ == "__main__":
    main()
