#!/usr/bin/env python3
"""Draws the panel's four link banners: 88 x 31 pixels, 16 colours (4 bits per pixel).

Each banner shows a shaded ball of its own colour on the board's dark blue, the name of its
page in Cyrillic capitals and the program's name beneath. Writes link_rules.bmp,
link_records.bmp, link_forum.bmp and link_home.bmp; run it after changing a banner.
"""
import math
import struct
from pathlib import Path

HERE = Path(__file__).resolve().parent
WIDTH, HEIGHT = 88, 31

# 5 x 7 capitals, just the letters the banners use.
GLYPHS = {
    "П": "#####|#...#|#...#|#...#|#...#|#...#|#...#",
    "Р": "####.|#...#|#...#|####.|#....|#....|#....",
    "А": ".###.|#...#|#...#|#####|#...#|#...#|#...#",
    "В": "####.|#...#|#...#|####.|#...#|#...#|####.",
    "И": "#...#|#...#|#..##|#.#.#|##..#|#...#|#...#",
    "Л": "..###|.#..#|.#..#|.#..#|.#..#|.#..#|#...#",
    "Е": "#####|#....|#....|####.|#....|#....|#####",
    "К": "#...#|#..#.|#.#..|##...|#.#..|#..#.|#...#",
    "О": ".###.|#...#|#...#|#...#|#...#|#...#|.###.",
    "Д": "..##.|.#.#.|.#.#.|.#.#.|.#.#.|#####|#...#",
    "Ы": "#...#|#...#|#...#|###.#|#.#.#|#.#.#|###.#",
    "Ф": "..#..|.###.|#.#.#|#.#.#|#.#.#|.###.|..#..",
    "У": "#...#|#...#|#...#|.####|....#|....#|.###.",
    "М": "#...#|##.##|#.#.#|#.#.#|#...#|#...#|#...#",
    "Г": "#####|#....|#....|#....|#....|#....|#....",
    "Н": "#...#|#...#|#...#|#####|#...#|#...#|#...#",
    "Я": ".####|#...#|#...#|.####|..#.#|.#..#|#...#",
    "T": "#####|..#..|..#..|..#..|..#..|..#..|..#..",
    "R": "####.|#...#|#...#|####.|#.#..|#..#.|#...#",
    "I": ".###.|..#..|..#..|..#..|..#..|..#..|.###.",
    "V": "#...#|#...#|#...#|#...#|#...#|.#.#.|..#..",
    "E": "#####|#....|#....|####.|#....|#....|#####",
    "L": "#....|#....|#....|#....|#....|#....|#####",
}

# Palette slots shared by all banners; the ball's seven shades differ per banner.
BORDER, TEXT, SUBTEXT = 0, 1, 2
BACKGROUND = [3, 4, 5, 6, 7]
BALL = [8, 9, 10, 11, 12, 13, 14]
SHADOW = 15

# (file, page name, ball colour at full light)
BANNERS = [
    ("link_rules.bmp", "ПРАВИЛА", (230, 40, 40)),
    ("link_records.bmp", "РЕКОРДЫ", (240, 200, 20)),
    ("link_forum.bmp", "ФОРУМ", (40, 200, 60)),
    ("link_home.bmp", "ГЛАВНАЯ", (60, 150, 255)),
]


def palette(ball_colour):
    colours = [(0, 0, 0)] * 16
    colours[BORDER] = (10, 20, 40)
    colours[TEXT] = (255, 255, 255)
    colours[SUBTEXT] = (205, 205, 205)
    for i, slot in enumerate(BACKGROUND):
        # The board's background RGB(0, 55, 111), a little lighter towards the top.
        lift = (len(BACKGROUND) - 1 - i) * 8
        colours[slot] = (lift // 2, 55 + lift, 111 + lift)
    r, g, b = ball_colour
    for i, slot in enumerate(BALL):
        t = (i + 1) / len(BALL)
        light = max(0.0, t - 0.75) * 2.4  # the brightest shades blend towards white
        colours[slot] = tuple(int(min(255, c * min(1.0, 0.25 + t) + (255 - c) * light))
                              for c in (r, g, b))
    colours[SHADOW] = (0, 30, 60)
    return colours


def draw_text(pixels, text, left, top, colour):
    for n, ch in enumerate(text):
        for y, row in enumerate(GLYPHS[ch].split("|")):
            for x, cell in enumerate(row):
                if cell == "#":
                    pixels[top + y][left + n * 6 + x] = colour


def text_width(text):
    return len(text) * 6 - 1


def draw_ball(pixels, cx, cy, r):
    """A ball lit from the upper left, with a dark shadow below right."""
    hx, hy = cx - r * 0.4, cy - r * 0.4
    for y in range(HEIGHT):
        for x in range(WIDTH):
            px, py = x + 0.5, y + 0.5
            if (px - cx - 1.5) ** 2 + (py - cy - 1.5) ** 2 <= r * r and \
                    (px - cx) ** 2 + (py - cy) ** 2 > r * r:
                pixels[y][x] = SHADOW
            if (px - cx) ** 2 + (py - cy) ** 2 <= r * r:
                d = math.hypot(px - hx, py - hy) / (r * 1.45)
                shade = int((1.0 - min(1.0, d)) * len(BALL))
                pixels[y][x] = BALL[min(len(BALL) - 1, shade)]


def banner(word):
    pixels = []
    for y in range(HEIGHT):
        band = BACKGROUND[min(len(BACKGROUND) - 1, y * len(BACKGROUND) // HEIGHT)]
        pixels.append([band] * WIDTH)
    for x in range(WIDTH):
        pixels[0][x] = pixels[HEIGHT - 1][x] = BORDER
    for y in range(HEIGHT):
        pixels[y][0] = pixels[y][WIDTH - 1] = BORDER
    draw_ball(pixels, 14.5, 15.0, 10.0)
    area_left, area_right = 28, WIDTH - 2
    centre = (area_left + area_right) // 2
    draw_text(pixels, word, centre - text_width(word) // 2, 6, TEXT)
    draw_text(pixels, "TRIVELLE", centre - text_width("TRIVELLE") // 2, 18, SUBTEXT)
    return pixels


def bitmap_file(pixels, colours):
    stride = (WIDTH * 4 + 31) // 32 * 4
    rows = b""
    for row in reversed(pixels):
        packed = bytearray(stride)
        for x, index in enumerate(row):
            packed[x // 2] |= index << (0 if x % 2 else 4)
        rows += bytes(packed)
    table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in colours)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 4, 0, len(rows), 2835, 2835, 16, 16)
    offset = 14 + len(info) + len(table)
    head = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    return head + info + table + rows


def main():
    for name, word, colour in BANNERS:
        (HERE / name).write_bytes(bitmap_file(banner(word), palette(colour)))


if __name__ == "__main__":
    main()
