"""Menu pictures (16 x 16, the diskette 17 x 16) and the stop hint."""

from .canvas import Image
from .colours import BG
from .colours import MENU_BG
from .font import draw_text
from .font import text_width


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
    width = 27
    height = 16
    word = "Stop"
    red = (190, 44, 40)
    red_lit = (226, 98, 88)
    red_dark = (120, 24, 22)
    img = Image(width, height, BG)
    # Two overlapping fills leave the corners out.
    img.fill(1, 0, width - 2, height, red)
    img.fill(0, 1, width, height - 2, red)
    img.hline(1, width - 2, 0, red_lit)
    img.hline(1, width - 2, height - 1, red_dark)
    draw_text(img, (width - text_width(word)) // 2, 3, word, (255, 255, 255), shadow=red_dark)
    return img
