"""Window backgrounds: the main window, the export window and the quick-start
window."""

from .canvas import Image
from .colours import ACCENT
from .colours import ACCENT_WARM
from .colours import BG
from .colours import BG_DEEP
from .colours import BG_LIGHT
from .colours import TEXT
from .colours import TEXT_DIM
from .font import draw_text
from .font import draw_text_centred
from .font import text_width
from .play_animation import ANIMATION_HEIGHT
from .play_animation import ANIMATION_WIDTH


EMBLEM_BAR_HEIGHTS = [3, 6, 10, 7, 12, 8, 5, 9, 4]


def sound_emblem_width(scale):
    return (len(EMBLEM_BAR_HEIGHTS) * 3 + 3) * scale


def sound_emblem(img, x, y, scale):
    """A rounded box with a waveform of bars, the program's sign."""
    width = sound_emblem_width(scale)
    height = 16 * scale
    img.fill(x + scale, y, width - 2 * scale, height, ACCENT)
    img.fill(x, y + scale, width, height - 2 * scale, ACCENT)
    img.fill(x + 2 * scale, y + 2 * scale, width - 4 * scale, height - 4 * scale, (30, 92, 150))
    middle_y = y + height // 2
    for index, bar_height in enumerate(EMBLEM_BAR_HEIGHTS):
        bar_x = x + (3 + index * 3) * scale
        half = bar_height * scale // 2
        if index % 2 == 0:
            colour = (255, 255, 255)
        else:
            colour = ACCENT_WARM
        img.fill(bar_x, middle_y - half, 2 * scale, 2 * half, colour)


def main_background():
    """499 x 345, the client area of the main window."""
    width = 499
    height = 345
    img = Image(width, height, BG)
    # Recessed edges around the places of the animation, the status box and
    # the entry list (the controls cover the inside).
    img.sunken(24, 9, ANIMATION_WIDTH, ANIMATION_HEIGHT)
    img.sunken(75, 230, 278, 52)
    img.sunken(75, 286, 278, 36)
    img.sunken(390, 228, 90, 54)
    img.sunken(444, 292, 36, 24)
    # A thin rule across the window between the player and the message area.
    img.hline(20, 478, 214, BG_DEEP)
    img.hline(20, 478, 215, BG_LIGHT)
    # Captions left of the status box and of the entry list, ending at x 70.
    draw_text(img, 70 - text_width("Messages"), 234, "Messages", TEXT, shadow=BG_DEEP)
    draw_text(img, 70 - text_width("Entries"), 290, "Entries", TEXT, shadow=BG_DEEP)
    # Logo right of the animation, centred in the space from x 360 to the edge.
    logo_centre_x = 360 + (width - 360) // 2
    emblem_scale = 2
    sound_emblem(img, logo_centre_x - sound_emblem_width(emblem_scale) // 2, 18, emblem_scale)
    draw_text_centred(img, logo_centre_x, 60, "Korvel", ACCENT, scale=3, shadow=BG_DEEP)
    draw_text_centred(img, logo_centre_x, 88, "Player", TEXT, scale=3, shadow=BG_DEEP)
    draw_text_centred(img, logo_centre_x, 124, "sound containers", TEXT_DIM)
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
    box_width = 276
    box_height = 28
    img.fill(12, box_y, box_width, box_height, (30, 70, 104))
    img.frame(12, box_y, box_width, box_height, (60, 120, 170))
    draw_text(img, 18, box_y + 4, "The wave is now stored in the container.", TEXT)
    draw_text(img, 18, box_y + 16, "Steps 5 and 6 add further waves.", TEXT)
    if box_y + box_height > 164:
        raise AssertionError("quick-start text runs into the Close button")
    return img
