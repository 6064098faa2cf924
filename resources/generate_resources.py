#!/usr/bin/env python3
"""Draws Korvel Player's pictures, icons and sounds.

    generate_resources.py OUTPUT_FOLDER [--preview PNG_FOLDER]

Writes every bitmap, icon and wave the resource script names into
OUTPUT_FOLDER. Everything is computed here from code (pixel art, a small
bitmap font, additive synthesis), so the files are the same bytes on every
run and nothing binary needs to live in the source tree. With --preview the
pictures are also written as enlarged PNG files, for looking at them.

Standard library only. The sizes the program relies on are checked before
anything is written; a mismatch stops the build.
"""

import math
import os
import struct
import sys
import zlib

# --------------------------------------------------------------------------
# Colours. One blue-slate family for every window background, so the main
# window, the export window, the quick-start window and the patch that
# covers the stop hint agree with each other.

BG = (38, 52, 72)            # window background
BG_DEEP = (24, 34, 48)       # recessed frames, shadows
BG_LIGHT = (70, 90, 118)     # raised edges, separators
TEXT = (222, 230, 240)       # captions
TEXT_DIM = (150, 166, 188)   # secondary captions
ACCENT = (98, 178, 230)      # logo, step numbers
ACCENT_WARM = (244, 196, 92)  # highlights

MENU_BG = (240, 240, 240)    # behind the small menu pictures

# --------------------------------------------------------------------------
# A small proportional bitmap font: glyphs of up to 5 columns, 7 rows above
# the baseline and 2 rows below it for descenders.

GLYPH_ROWS = 9
_GLYPHS = {
    'A': [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    'B': ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."],
    'C': [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    'D': ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    'E': ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    'F': ["#####", "#....", "#....", "####.", "#....", "#....", "#...."],
    'G': [".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"],
    'H': ["#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    'I': ["###", ".#.", ".#.", ".#.", ".#.", ".#.", "###"],
    'J': ["..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."],
    'K': ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
    'L': ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    'M': ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    'N': ["#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"],
    'O': [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    'P': ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    'Q': [".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"],
    'R': ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    'S': [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    'T': ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    'U': ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    'V': ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    'W': ["#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."],
    'X': ["#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"],
    'Y': ["#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."],
    'Z': ["#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"],
    'a': [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    'b': ["#....", "#....", "####.", "#...#", "#...#", "#...#", "####."],
    'c': [".....", ".....", ".###.", "#....", "#....", "#....", ".###."],
    'd': ["....#", "....#", ".####", "#...#", "#...#", "#...#", ".####"],
    'e': [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    'f': ["..##", ".#..", "####", ".#..", ".#..", ".#..", ".#.."],
    'g': [".....", ".....", ".####", "#...#", "#...#", "#...#", ".####", "....#", ".###."],
    'h': ["#....", "#....", "####.", "#...#", "#...#", "#...#", "#...#"],
    'i': ["#", ".", "#", "#", "#", "#", "#"],
    'j': ["..#", "...", "..#", "..#", "..#", "..#", "..#", "#.#", ".#."],
    'k': ["#...", "#...", "#..#", "#.#.", "##..", "#.#.", "#..#"],
    'l': ["##.", ".#.", ".#.", ".#.", ".#.", ".#.", "###"],
    'm': [".....", ".....", "##.#.", "#.#.#", "#.#.#", "#.#.#", "#.#.#"],
    'n': [".....", ".....", "####.", "#...#", "#...#", "#...#", "#...#"],
    'o': [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    'p': [".....", ".....", "####.", "#...#", "#...#", "#...#", "####.", "#....", "#...."],
    'q': [".....", ".....", ".####", "#...#", "#...#", "#...#", ".####", "....#", "....#"],
    'r': ["....", "....", "#.##", "##..", "#...", "#...", "#..."],
    's': [".....", ".....", ".####", "#....", ".###.", "....#", "####."],
    't': [".#..", ".#..", "####", ".#..", ".#..", ".#..", "..##"],
    'u': [".....", ".....", "#...#", "#...#", "#...#", "#...#", ".####"],
    'v': [".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    'w': [".....", ".....", "#...#", "#...#", "#.#.#", "#.#.#", ".#.#."],
    'x': [".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"],
    'y': [".....", ".....", "#...#", "#...#", "#...#", "#...#", ".####", "....#", ".###."],
    'z': [".....", ".....", "#####", "...#.", "..#..", ".#...", "#####"],
    '0': [".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."],
    '1': ["..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."],
    '2': [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    '3': ["####.", "....#", "....#", ".###.", "....#", "....#", "####."],
    '4': ["...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."],
    '5': ["#####", "#....", "####.", "....#", "....#", "#...#", ".###."],
    '6': ["..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."],
    '7': ["#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."],
    '8': [".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."],
    '9': [".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."],
    '.': [".", ".", ".", ".", ".", ".", "#"],
    ',': ["..", "..", "..", "..", "..", "..", ".#", "#."],
    ':': [".", ".", "#", ".", ".", ".", "#"],
    "'": ["#", "#", ".", ".", ".", ".", "."],
    '"': ["#.#", "#.#", "...", "...", "...", "...", "..."],
    '>': ["#...", ".#..", "..#.", "...#", "..#.", ".#..", "#..."],
    '<': ["...#", "..#.", ".#..", "#...", ".#..", "..#.", "...#"],
    '_': ["....", "....", "....", "....", "....", "....", "....", "####"],
    '-': ["...", "...", "...", "###", "...", "...", "..."],
    '(': [".#", "#.", "#.", "#.", "#.", "#.", ".#"],
    ')': ["#.", ".#", ".#", ".#", ".#", ".#", "#."],
    '[': ["##", "#.", "#.", "#.", "#.", "#.", "##"],
    ']': ["##", ".#", ".#", ".#", ".#", ".#", "##"],
    '/': ["....#", "...#.", "...#.", "..#..", ".#...", ".#...", "#...."],
    '#': [".#.#.", ".#.#.", "#####", ".#.#.", "#####", ".#.#.", ".#.#."],
    '!': ["#", "#", "#", "#", "#", ".", "#"],
    '?': [".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#.."],
    '+': [".....", "..#..", "..#..", "#####", "..#..", "..#..", "....."],
}
SPACE_WIDTH = 3


def _trimmed(rows):
    """Glyph rows padded to GLYPH_ROWS, with blank columns left and right removed."""
    width = max(len(r) for r in rows)
    rows = [r.ljust(width, '.') for r in rows] + ['.' * width] * (GLYPH_ROWS - len(rows))
    used = [x for x in range(width) if any(r[x] == '#' for r in rows)]
    return [r[used[0]:used[-1] + 1] for r in rows]


FONT = {ch: _trimmed(rows) for ch, rows in _GLYPHS.items()}


def text_width(text, scale=1):
    width = 0
    for i, ch in enumerate(text):
        width += SPACE_WIDTH if ch == ' ' else len(FONT[ch][0])
        if i + 1 < len(text):
            width += 1
    return width * scale


def draw_text(img, x, y, text, colour, scale=1, shadow=None):
    """Draws text with its top-left corner (cap height) at (x, y)."""
    if shadow is not None:
        draw_text(img, x + scale, y + scale, text, shadow, scale)
    cx = x
    for ch in text:
        if ch == ' ':
            cx += (SPACE_WIDTH + 1) * scale
            continue
        glyph = FONT[ch]
        for gy, row in enumerate(glyph):
            for gx, cell in enumerate(row):
                if cell == '#':
                    img.fill(cx + gx * scale, y + gy * scale, scale, scale, colour)
        cx += (len(glyph[0]) + 1) * scale
    return cx


def draw_text_centred(img, cx, y, text, colour, scale=1, shadow=None):
    draw_text(img, cx - text_width(text, scale) // 2, y, text, colour, scale, shadow)


# --------------------------------------------------------------------------
# Canvases


class Image:
    """A true-colour picture, rows top to bottom, pixels as (r, g, b)."""

    def __init__(self, width, height, colour=(0, 0, 0)):
        self.width = width
        self.height = height
        self.px = [[colour] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = colour

    def get(self, x, y):
        return self.px[y][x]

    def fill(self, x, y, w, h, colour):
        for yy in range(max(0, y), min(self.height, y + h)):
            row = self.px[yy]
            for xx in range(max(0, x), min(self.width, x + w)):
                row[xx] = colour

    def hline(self, x0, x1, y, colour):
        self.fill(x0, y, x1 - x0 + 1, 1, colour)

    def vline(self, x, y0, y1, colour):
        self.fill(x, y0, 1, y1 - y0 + 1, colour)

    def frame(self, x, y, w, h, colour):
        self.hline(x, x + w - 1, y, colour)
        self.hline(x, x + w - 1, y + h - 1, colour)
        self.vline(x, y, y + h - 1, colour)
        self.vline(x + w - 1, y, y + h - 1, colour)

    def sunken(self, x, y, w, h):
        """A one-pixel recessed edge drawn just outside the rectangle (x, y, w, h)."""
        self.hline(x - 1, x + w, y - 1, BG_DEEP)
        self.vline(x - 1, y - 1, y + h, BG_DEEP)
        self.hline(x - 1, x + w, y + h, BG_LIGHT)
        self.vline(x + w, y - 1, y + h, BG_LIGHT)

    def rgb_rows(self):
        return self.px


def pixel_art(rows, palette):
    """A picture from rows of letters; each letter is a palette key."""
    height = len(rows)
    width = len(rows[0])
    img = Image(width, height)
    for y, row in enumerate(rows):
        if len(row) != width:
            raise ValueError("pixel art row %d is %d wide, expected %d: %r" % (y, len(row), width, row))
        for x, key in enumerate(row):
            img.set(x, y, palette[key])
    return img


# --------------------------------------------------------------------------
# File writers


def bmp24_bytes(img):
    stride = (img.width * 3 + 3) & ~3
    pad = b'\0' * (stride - img.width * 3)
    body = bytearray()
    for row in reversed(img.px):  # bottom-up
        for (r, g, b) in row:
            body += bytes((b, g, r))
        body += pad
    header_size = 14 + 40
    file_header = struct.pack('<2sIHHI', b'BM', header_size + len(body), 0, 0, header_size)
    info = struct.pack('<IiiHHIIiiII', 40, img.width, img.height, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    return file_header + info + bytes(body)


def bmp8_bytes(width, height, indices, palette):
    """indices: rows top to bottom of palette indices; palette: up to 256 (r, g, b)."""
    palette = list(palette) + [(0, 0, 0)] * (256 - len(palette))
    stride = (width + 3) & ~3
    pad = b'\0' * (stride - width)
    body = bytearray()
    for row in reversed(indices):
        body += bytes(row)
        body += pad
    table = b''.join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    header_size = 14 + 40 + len(table)
    file_header = struct.pack('<2sIHHI', b'BM', header_size + len(body), 0, 0, header_size)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 0, len(body), 2835, 2835, 256, 0)
    return file_header + info + table + bytes(body)


def ico_bytes(images):
    """images: list of (size, rows of (r, g, b, a)) - 32-bit images with an AND mask."""
    entries = []
    blobs = []
    offset = 6 + 16 * len(images)
    for size, rgba in images:
        xor = bytearray()
        for row in reversed(rgba):
            for (r, g, b, a) in row:
                xor += bytes((b, g, r, a))
        mask_stride = ((size + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(rgba):
            bits = bytearray(mask_stride)
            for x, (_, _, _, a) in enumerate(row):
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        info = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blob = info + bytes(xor) + bytes(mask)
        entries.append(struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack('<HHH', 0, 1, len(images)) + b''.join(entries) + b''.join(blobs)


def wave_bytes(rate, channels, frames):
    """frames: list of tuples of 16-bit sample values, one per channel."""
    data = bytearray()
    for frame in frames:
        for v in frame:
            data += struct.pack('<h', v)
    block = channels * 2
    header = struct.pack('<4sI4s4sIHHIIHH4sI', b'RIFF', 36 + len(data), b'WAVE', b'fmt ', 16, 1, channels,
                         rate, rate * block, block, 16, b'data', len(data))
    return header + bytes(data)


def png_bytes(img, scale):
    raw = bytearray()
    for row in img.px:
        line = bytearray()
        for (r, g, b) in row:
            line += bytes((r, g, b)) * scale
        for _ in range(scale):
            raw += b'\0' + line
    def chunk(kind, payload):
        return struct.pack('>I', len(payload)) + kind + payload + struct.pack('>I', zlib.crc32(kind + payload))
    ihdr = struct.pack('>IIBBBBB', img.width * scale, img.height * scale, 8, 2, 0, 0, 0)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr) + chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b'')


# --------------------------------------------------------------------------
# Menu pictures (16 x 16, the diskette 17 x 16)

ART_PALETTE = {
    '.': MENU_BG,
    'k': (52, 44, 36),       # outline
    'y': (236, 190, 72),     # folder
    'Y': (252, 224, 132),    # folder, lit side
    'w': (255, 255, 255),
    'g': (176, 182, 190),    # metal, grey
    'n': (40, 64, 150),      # note
    'b': (64, 104, 176),     # diskette body, text lines
    'r': (200, 56, 48),
    'c': (96, 200, 230),     # display
    'G': (52, 168, 72),      # green
}

ART = {
    24: [  # an open folder
        "................",
        "................",
        ".kkkk...........",
        "kyyyyk..........",
        "kyyyyykkkkkk....",
        "kyyyyyyyyyyk....",
        "kyyykkkkkkkkkkk.",
        "kyykYYYYYYYYYYk.",
        "kyykYYYYYYYYYk..",
        "kykYYYYYYYYYYk..",
        "kykYYYYYYYYYk...",
        "kkYYYYYYYYYYk...",
        "kkYYYYYYYYYk....",
        "kkkkkkkkkkkk....",
        "................",
        "................",
    ],
    32: [  # a page with a musical note
        "..kkkkkkkk......",
        "..kwwwwwwkk.....",
        "..kwwwwwwkgk....",
        "..kwwwwwwkkkk...",
        "..kwwwnnnnnwk...",
        "..kwwwnwwwnwk...",
        "..kwwwnwwwnwk...",
        "..kwwwnwwwnwk...",
        "..kwwnnwwnnwk...",
        "..kwnnnwnnnwk...",
        "..kwnnwwnnwwk...",
        "..kwwwwwwwwwk...",
        "..kwwwwwwwwwk...",
        "..kwwwwwwwwwk...",
        "..kkkkkkkkkkk...",
        "................",
    ],
    40: [  # a page of text lines
        "..kkkkkkkk......",
        "..kwwwwwwkk.....",
        "..kwwwwwwkgk....",
        "..kwwwwwwkkkk...",
        "..kwbbbbbbbwk...",
        "..kwwwwwwwwwk...",
        "..kwbbbbbbwwk...",
        "..kwwwwwwwwwk...",
        "..kwbbbbbbbwk...",
        "..kwwwwwwwwwk...",
        "..kwbbbbbwwwk...",
        "..kwwwwwwwwwk...",
        "..kwbbbbbbbwk...",
        "..kwwwwwwwwwk...",
        "..kkkkkkkkkkk...",
        "................",
    ],
    48: [  # a diskette
        ".................",
        ".kkkkkkkkkkkkkk..",
        ".kbbbggggggbbbkk.",
        ".kbbbggggkgbbbbk.",
        ".kbbbggggkgbbbbk.",
        ".kbbbggggkgbbbbk.",
        ".kbbbggggggbbbbk.",
        ".kbbbbbbbbbbbbbk.",
        ".kbbbbbbbbbbbbbk.",
        ".kbbwwwwwwwwwbbk.",
        ".kbbwwwwwwwwwbbk.",
        ".kbbwrrrrrrrwbbk.",
        ".kbbwwwwwwwwwbbk.",
        ".kbbwgggggggwbbk.",
        ".kbbwwwwwwwwwbbk.",
        ".kkkkkkkkkkkkkkk.",
    ],
    56: [  # a stacked device
        "................",
        ".kkkkkkkkkkkkkk.",
        ".kggggggggggggk.",
        ".kgkkkkkgggGgrk.",
        ".kggggggggggggk.",
        ".kkkkkkkkkkkkkk.",
        ".kggggggggggggk.",
        ".kgcccccgggGgGk.",
        ".kggggggggggggk.",
        ".kkkkkkkkkkkkkk.",
        ".kggggggggggggk.",
        ".kgkkkkkkkgggGk.",
        ".kggggggggggggk.",
        ".kkkkkkkkkkkkkk.",
        "..kk........kk..",
        "................",
    ],
    120: [  # a folder with an arrow
        "................",
        "................",
        ".kkkk...........",
        "kYYYYkkkkkk.....",
        "kyyyyyyyyyyk....",
        "kyyyyyyyyyyk....",
        "kyyyyyyyyyykG...",
        "kyyyyyyyyyykGG..",
        "kyyyyGGGGGGGGGG.",
        "kyyyyGGGGGGGGGGG",
        "kyyyyGGGGGGGGGG.",
        "kyyyyyyyyyykGG..",
        "kyyyyyyyyyykG...",
        "kkkkkkkkkkkk....",
        "................",
        "................",
    ],
}


def stop_hint():
    """27 x 16: the word "Stop" on a red label."""
    img = Image(27, 16, BG)
    red = (190, 44, 40)
    img.fill(1, 0, 25, 16, red)
    img.fill(0, 1, 27, 14, red)
    img.hline(1, 25, 0, (226, 98, 88))
    img.hline(1, 25, 15, (120, 24, 22))
    draw_text(img, (27 - text_width("Stop")) // 2, 3, "Stop", (255, 255, 255), shadow=(120, 24, 22))
    return img


# --------------------------------------------------------------------------
# Window backgrounds


def sound_emblem(img, x, y, scale):
    """A rounded box with a waveform of bars, the program's sign."""
    heights = [3, 6, 10, 7, 12, 8, 5, 9, 4]
    w = (len(heights) * 3 + 3) * scale
    h = 16 * scale
    img.fill(x + scale, y, w - 2 * scale, h, ACCENT)
    img.fill(x, y + scale, w, h - 2 * scale, ACCENT)
    img.fill(x + 2 * scale, y + 2 * scale, w - 4 * scale, h - 4 * scale, (30, 92, 150))
    mid = y + h // 2
    for i, bh in enumerate(heights):
        bx = x + (3 + i * 3) * scale
        half = bh * scale // 2
        img.fill(bx, mid - half, 2 * scale, 2 * half, (255, 255, 255) if i % 2 == 0 else ACCENT_WARM)
    return w, h


def main_background():
    """499 x 345, the client area of the main window."""
    img = Image(499, 345, BG)
    # Recessed edges around the places of the animation, the status box and
    # the entry list (the controls cover the inside).
    img.sunken(24, 9, 331, 137)
    img.sunken(75, 230, 278, 52)
    img.sunken(75, 286, 278, 36)
    img.sunken(390, 228, 90, 54)
    img.sunken(444, 292, 36, 24)
    # A thin rule across the window between the player and the message area.
    img.hline(20, 478, 214, BG_DEEP)
    img.hline(20, 478, 215, BG_LIGHT)
    # Captions left of the status box and of the entry list.
    draw_text(img, 70 - text_width("Messages"), 234, "Messages", TEXT, shadow=BG_DEEP)
    draw_text(img, 70 - text_width("Entries"), 290, "Entries", TEXT, shadow=BG_DEEP)
    # Logo right of the animation.
    cx = 360 + (499 - 360) // 2
    emblem_w = (9 * 3 + 3) * 2
    sound_emblem(img, cx - emblem_w // 2, 18, 2)
    draw_text_centred(img, cx, 60, "Korvel", ACCENT, scale=3, shadow=BG_DEEP)
    draw_text_centred(img, cx, 88, "Player", TEXT, scale=3, shadow=BG_DEEP)
    draw_text_centred(img, cx, 124, "sound containers", TEXT_DIM)
    # Captions at the entry-number controls' side.
    draw_text(img, 390, 318, "Entry number", TEXT_DIM)
    return img


def export_background():
    """300 x 100, the export window for a new container."""
    img = Image(300, 100, BG)
    img.sunken(15, 20, 150, 24)
    draw_text(img, 15, 6, "New container", ACCENT, shadow=BG_DEEP)
    draw_text(img, 15, 52, "Name of the new container", TEXT, shadow=BG_DEEP)
    draw_text(img, 15, 66, "A .kvf and its .dat list are made", TEXT_DIM)
    draw_text(img, 15, 78, "in the program's folder.", TEXT_DIM)
    return img


QUICK_START_STEPS = [
    ("1.", ['Export > "Kvf (New_File)"']),
    ("2.", ["Type a name in the export window"]),
    ("3.", ['Click "Export"']),
    ("4.", ['File > "Load_KVF", then pick the new', "file in the program's folder"]),
    ("5.", ['Wavs > "Add_Wav"']),
    ("6.", ["Pick the wave and confirm"]),
]


def quick_start_background():
    """300 x 200, the quick-start window; its "Close" button sits at (120, 168)."""
    img = Image(300, 200, BG)
    draw_text_centred(img, 150, 6, "Quick start", ACCENT, scale=2, shadow=BG_DEEP)
    img.hline(12, 287, 25, BG_DEEP)
    img.hline(12, 287, 26, BG_LIGHT)
    y = 32
    for number, lines in QUICK_START_STEPS:
        draw_text(img, 16, y, number, ACCENT_WARM, shadow=BG_DEEP)
        for line in lines:
            draw_text(img, 30, y, line, TEXT, shadow=BG_DEEP)
            y += 11
    # The closing note in a box of its own.
    box_y = y + 4
    img.fill(12, box_y, 276, 28, (30, 70, 104))
    img.frame(12, box_y, 276, 28, (60, 120, 170))
    draw_text(img, 18, box_y + 4, "The wave is now stored in the container.", TEXT)
    draw_text(img, 18, box_y + 16, "Steps 5 and 6 add further waves.", TEXT)
    if box_y + 28 > 164:
        raise AssertionError("quick-start text runs into the Close button")
    return img


# --------------------------------------------------------------------------
# The play animation: 331 x 137, 8-bit, a level meter of sixteen bars.

ANIM_W, ANIM_H = 331, 137
BARS = 16
BAR_W, BAR_GAP = 16, 4
SEGMENTS = 17
SEG_H, SEG_GAP = 5, 2


def _meter_palette():
    palette = [(10, 14, 22), (22, 30, 44), (30, 40, 58)]  # 0 background, 1 grid, 2 floor line
    lit = []
    for i in range(SEGMENTS):
        t = i / (SEGMENTS - 1)
        if t < 0.55:      # green to yellow
            u = t / 0.55
            c = (int(60 + 180 * u), int(200 + 20 * u), int(90 - 40 * u))
        elif t < 0.8:     # yellow to orange
            u = (t - 0.55) / 0.25
            c = (240, int(220 - 80 * u), int(50 - 10 * u))
        else:             # orange to red
            u = (t - 0.8) / 0.2
            c = (int(240 - 10 * u), int(140 - 90 * u), int(40 + 10 * u))
        lit.append(c)
    palette += lit                                                      # 3 ...
    palette += [(c[0] // 6 + 10, c[1] // 6 + 14, c[2] // 6 + 22) for c in lit]  # unlit ghosts
    palette.append((235, 240, 250))                                      # peak marks
    return palette, 3, 3 + SEGMENTS, 3 + 2 * SEGMENTS


def meter_picture(levels, peaks):
    """levels/peaks: lit segment counts per bar."""
    palette, lit0, ghost0, peak = _meter_palette()
    rows = [[0] * ANIM_W for _ in range(ANIM_H)]
    for y in range(8, ANIM_H - 8, 16):
        for x in range(0, ANIM_W, 2):
            rows[y][x] = 1
    left = (ANIM_W - (BARS * BAR_W + (BARS - 1) * BAR_GAP)) // 2
    bottom = ANIM_H - 8
    for x in range(left - 2, ANIM_W - left + 2):
        rows[bottom + 2][x] = 2
    for b in range(BARS):
        x0 = left + b * (BAR_W + BAR_GAP)
        for s in range(SEGMENTS):
            y1 = bottom - s * (SEG_H + SEG_GAP)
            colour = lit0 + s if s < levels[b] else ghost0 + s
            if s == peaks[b] - 1 and peaks[b] > levels[b]:
                colour = peak
            for y in range(y1 - SEG_H + 1, y1 + 1):
                for x in range(x0, x0 + BAR_W):
                    rows[y][x] = colour
    return rows, palette


def meter_levels(frame, frames):
    """Bar heights for one frame of a loop; smooth from frame to frame and back to the first."""
    phase = 2 * math.pi * frame / frames
    levels = []
    for b in range(BARS):
        centre = 1.0 - abs(b - 6.5) / 11.0   # the low-middle bars are the loud ones
        v = (0.55 * centre
             + 0.22 * math.sin(phase + b * 0.9)
             + 0.15 * math.sin(2 * phase - b * 1.7 + 0.5)
             + 0.08 * math.sin(3 * phase + b * 2.3))
        levels.append(max(1, min(SEGMENTS, int(round(v * SEGMENTS + 3)))))
    return levels


def animation_frames():
    frames = 12
    all_levels = [meter_levels(f, frames) for f in range(frames)]
    pictures = []
    for f in range(frames):
        peaks = [max(all_levels[(f - k) % frames][b] for k in range(3)) for b in range(BARS)]
        peaks = [min(SEGMENTS, p + 1) for p in peaks]
        pictures.append(meter_picture(all_levels[f], peaks))
    return pictures


def idle_picture():
    return meter_picture([1] * BARS, [0] * BARS)


def indexed_to_image(rows, palette):
    img = Image(len(rows[0]), len(rows))
    img.px = [[palette[i] for i in row] for row in rows]
    return img


# --------------------------------------------------------------------------
# Icons: a rounded sound box with a waveform.


def icon_rgba(size):
    s = size / 32.0
    radius = 6 * s
    pixels = []
    heights = [6, 12, 20, 14, 24, 16, 10, 18, 8] if size >= 32 else [4, 8, 12, 6, 10, 5]
    bar_w = 2 if size >= 32 else 1
    pitch = 3 if size >= 32 else 2
    start = (size - (len(heights) * pitch - (pitch - bar_w))) // 2
    for y in range(size):
        row = []
        for x in range(size):
            # inside the rounded square (0.5 .. size-0.5)?
            cx = min(max(x + 0.5, radius), size - radius)
            cy = min(max(y + 0.5, radius), size - radius)
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if d > radius:
                row.append((0, 0, 0, 0))
                continue
            edge = d > radius - 1.2 * max(1, s) or x == 0 or y == 0 or x == size - 1 or y == size - 1
            if edge:
                row.append((20, 56, 100, 255))
            else:
                t = y / (size - 1)
                row.append((int(70 - 30 * t), int(150 - 50 * t), int(230 - 60 * t), 255))
        pixels.append(row)
    mid = size // 2
    for i, h in enumerate(heights):
        h = int(h * s) if size >= 32 else h
        x0 = start + i * pitch
        colour = (255, 255, 255, 255) if i % 2 == 0 else (255, 214, 110, 255)
        for y in range(mid - h // 2, mid - h // 2 + h):
            for x in range(x0, x0 + bar_w):
                pixels[y][x] = colour
    return pixels


# --------------------------------------------------------------------------
# Sounds


def to_int16(v):
    return int(round(max(-1.0, min(1.0, v)) * 32767))


def blip_wave():
    """22050 Hz mono, 1651 samples (about 75 ms): a soft rising blip."""
    rate, n = 22050, 1651
    frames = []
    for i in range(n):
        t = i / rate
        # The pitch glides from 880 Hz up to 1320 Hz over the sound.
        phase = 2 * math.pi * (880.0 * t + 220.0 * t * t * rate / n)
        attack = min(1.0, i / (0.004 * rate))
        release = min(1.0, (n - 1 - i) / (0.020 * rate))
        env = 0.5 * (1 - math.cos(math.pi * attack)) * 0.5 * (1 - math.cos(math.pi * release))
        env *= math.exp(-t * 18.0)
        v = 0.45 * env * (math.sin(phase) + 0.2 * math.sin(2 * phase))
        frames.append((to_int16(v),))
    return rate, 1, frames


def chime_wave():
    """44100 Hz stereo, 44864 frames (about 1 s): a soft three-partial chime."""
    rate, n = 44100, 44864
    partials = [  # frequency, amplitude, decay per second, left/right weight
        (880.00, 0.55, 3.2, (1.0, 0.9)),
        (1318.51, 0.28, 4.5, (0.8, 1.0)),
        (1760.00, 0.12, 6.5, (1.0, 0.85)),
    ]
    fade_start = n - int(0.25 * rate)
    frames = []
    for i in range(n):
        t = i / rate
        attack = min(1.0, i / (0.006 * rate))
        attack = 0.5 * (1 - math.cos(math.pi * attack))
        fade = 1.0
        if i >= fade_start:
            u = (n - 1 - i) / (n - 1 - fade_start)
            fade = 0.5 * (1 - math.cos(math.pi * u))
        left = right = 0.0
        for freq, amp, decay, (wl, wr) in partials:
            v = amp * math.exp(-decay * t) * math.sin(2 * math.pi * freq * t)
            left += wl * v
            right += wr * v
        g = 0.75 * attack * fade
        frames.append((to_int16(g * left), to_int16(g * right)))
    return rate, 2, frames


# --------------------------------------------------------------------------


def check(condition, what):
    if not condition:
        raise AssertionError(what)


def build():
    """name -> bytes for every file, plus name -> (Image, scale) previews."""
    files = {}
    previews = {}

    def add_bmp(number, img, scale):
        files["bmp%d.bmp" % number] = bmp24_bytes(img)
        previews["bmp%d" % number] = (img, scale)

    for number, rows in ART.items():
        add_bmp(number, pixel_art(rows, ART_PALETTE), 8)
    add_bmp(220, stop_hint(), 8)
    add_bmp(320, Image(24, 12, BG), 8)
    add_bmp(420, quick_start_background(), 3)
    add_bmp(700, export_background(), 3)
    add_bmp(800, main_background(), 2)

    rows, palette = idle_picture()
    files["bmp2300.bmp"] = bmp8_bytes(ANIM_W, ANIM_H, rows, palette)
    previews["bmp2300"] = (indexed_to_image(rows, palette), 2)
    for k, (rows, palette) in enumerate(animation_frames()):
        number = 2400 + 100 * k
        files["bmp%d.bmp" % number] = bmp8_bytes(ANIM_W, ANIM_H, rows, palette)
        previews["bmp%d" % number] = (indexed_to_image(rows, palette), 2)

    files["icon16.ico"] = ico_bytes([(16, icon_rgba(16))])
    files["icon8.ico"] = ico_bytes([(32, icon_rgba(32)), (16, icon_rgba(16))])
    for size in (16, 32):
        rgba = icon_rgba(size)
        img = Image(size, size)
        img.px = [[(r, g, b) if a else MENU_BG for (r, g, b, a) in row] for row in rgba]
        previews["icon%d" % size] = (img, 8)

    files["wave400.wav"] = wave_bytes(*blip_wave())
    files["wave600.wav"] = wave_bytes(*chime_wave())

    # What the program and its window layout rely on.
    def bmp_shape(data):
        width, height, _, bits = struct.unpack_from('<iiHH', data, 18)
        return width, height, bits
    expected = {24: (16, 16), 32: (16, 16), 40: (16, 16), 48: (17, 16), 56: (16, 16), 120: (16, 16),
                220: (27, 16), 320: (24, 12), 420: (300, 200), 700: (300, 100), 800: (499, 345)}
    for number, (w, h) in expected.items():
        check(bmp_shape(files["bmp%d.bmp" % number]) == (w, h, 24), "bitmap %d is not %dx%d 24-bit" % (number, w, h))
    for number in [2300] + list(range(2400, 3600, 100)):
        check(bmp_shape(files["bmp%d.bmp" % number]) == (331, 137, 8), "bitmap %d is not 331x137 8-bit" % number)
    check(len(files["wave400.wav"]) == 3346, "wave 400 is not 3346 bytes")
    check(len(files["wave600.wav"]) == 179500, "wave 600 is not 179500 bytes")
    check(struct.unpack_from('<HHI', files["wave400.wav"], 20) == (1, 1, 22050), "wave 400 format")
    check(struct.unpack_from('<HHI', files["wave600.wav"], 20) == (1, 2, 44100), "wave 600 format")
    for name in ("wave400.wav", "wave600.wav"):
        data = files[name]
        samples = struct.unpack_from('<%dh' % ((len(data) - 44) // 2), data, 44)
        check(max(abs(v) for v in samples) < 32000, name + " clips")
        check(samples[0] == 0 and samples[-1] == 0, name + " does not start and end in silence")
    return files, previews


def main(argv):
    args = list(argv[1:])
    preview_dir = None
    if "--preview" in args:
        i = args.index("--preview")
        preview_dir = args[i + 1]
        del args[i:i + 2]
    if len(args) != 1:
        sys.stderr.write(__doc__)
        return 2
    out_dir = args[0]
    files, previews = build()
    os.makedirs(out_dir, exist_ok=True)
    for name in sorted(files):
        with open(os.path.join(out_dir, name), 'wb') as f:
            f.write(files[name])
    if preview_dir is not None:
        os.makedirs(preview_dir, exist_ok=True)
        for name, (img, scale) in sorted(previews.items()):
            with open(os.path.join(preview_dir, name + ".png"), 'wb') as f:
                f.write(png_bytes(img, scale))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
