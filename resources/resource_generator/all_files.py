"""Every file the resource script names, drawn and checked."""

import struct

from .backgrounds import export_background
from .backgrounds import main_background
from .backgrounds import quick_start_background
from .canvas import Image
from .canvas import indexed_to_image
from .canvas import pixel_art
from .colours import BG
from .colours import MENU_BG
from .file_formats import bmp24_bytes
from .file_formats import bmp8_bytes
from .file_formats import ico_bytes
from .file_formats import wave_bytes
from .icons import icon_rgba
from .menu_pictures import ART
from .menu_pictures import ART_PALETTE
from .menu_pictures import stop_hint
from .play_animation import ANIMATION_HEIGHT
from .play_animation import ANIMATION_WIDTH
from .play_animation import animation_frames
from .play_animation import idle_picture
from .sounds import blip_wave
from .sounds import chime_wave


def check(condition, what):
    if not condition:
        raise AssertionError(what)


def _bmp_shape(data):
    width, height, _, bits = struct.unpack_from('<iiHH', data, 18)
    return width, height, bits


def check_what_the_program_relies_on(files):
    """The sizes the program and its window layout rely on; a mismatch stops the build."""
    expected = {24: (16, 16), 32: (16, 16), 40: (16, 16), 48: (17, 16), 56: (16, 16), 120: (16, 16),
                220: (27, 16), 320: (24, 12), 420: (300, 200), 700: (300, 100), 800: (499, 345)}
    for number, (width, height) in expected.items():
        check(_bmp_shape(files["bmp%d.bmp" % number]) == (width, height, 24),
              "bitmap %d is not %dx%d 24-bit" % (number, width, height))
    for number in [2300] + list(range(2400, 3600, 100)):
        check(_bmp_shape(files["bmp%d.bmp" % number]) == (331, 137, 8), "bitmap %d is not 331x137 8-bit" % number)
    check(len(files["wave400.wav"]) == 3346, "wave 400 is not 3346 bytes")
    check(len(files["wave600.wav"]) == 179500, "wave 600 is not 179500 bytes")
    check(struct.unpack_from('<HHI', files["wave400.wav"], 20) == (1, 1, 22050), "wave 400 format")
    check(struct.unpack_from('<HHI', files["wave600.wav"], 20) == (1, 2, 44100), "wave 600 format")
    for name in ("wave400.wav", "wave600.wav"):
        data = files[name]
        samples = struct.unpack_from('<%dh' % ((len(data) - 44) // 2), data, 44)
        check(max(abs(sample) for sample in samples) < 32000, name + " clips")
        check(samples[0] == 0 and samples[-1] == 0, name + " does not start and end in silence")


def build():
    """name -> bytes for every file, plus name -> (Image, scale) previews."""
    files = {}
    previews = {}

    def add_bmp24(number, img, scale):
        files["bmp%d.bmp" % number] = bmp24_bytes(img)
        previews["bmp%d" % number] = (img, scale)

    def add_bmp8(number, rows, palette):
        files["bmp%d.bmp" % number] = bmp8_bytes(ANIMATION_WIDTH, ANIMATION_HEIGHT, rows, palette)
        previews["bmp%d" % number] = (indexed_to_image(rows, palette), 2)

    for number, rows in ART.items():
        add_bmp24(number, pixel_art(rows, ART_PALETTE), 8)
    add_bmp24(220, stop_hint(), 8)
    add_bmp24(320, Image(24, 12, BG), 8)  # the stop hint's cover patch
    add_bmp24(420, quick_start_background(), 3)
    add_bmp24(700, export_background(), 3)
    add_bmp24(800, main_background(), 2)

    idle_rows, idle_palette = idle_picture()
    add_bmp8(2300, idle_rows, idle_palette)
    for frame, (rows, palette) in enumerate(animation_frames()):
        add_bmp8(2400 + 100 * frame, rows, palette)

    files["icon16.ico"] = ico_bytes([(16, icon_rgba(16))])
    files["icon8.ico"] = ico_bytes([(32, icon_rgba(32)), (16, icon_rgba(16))])
    for size in (16, 32):
        img = Image(size, size)
        img.px = [[(red, green, blue) if alpha else MENU_BG for (red, green, blue, alpha) in row]
                  for row in icon_rgba(size)]
        previews["icon%d" % size] = (img, 8)

    files["wave400.wav"] = wave_bytes(*blip_wave())
    files["wave600.wav"] = wave_bytes(*chime_wave())

    check_what_the_program_relies_on(files)
    return files, previews
