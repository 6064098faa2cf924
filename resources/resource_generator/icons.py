"""Icons: a rounded sound box with a waveform."""

import math

EDGE_COLOUR = (20, 56, 100, 255)
TRANSPARENT = (0, 0, 0, 0)


def icon_rgba(size):
    """Rows of (r, g, b, a). The 32 x 32 drawing scales to larger sizes; the
    16 x 16 icon has waveform bars of its own."""
    scale = size / 32.0
    radius = 6 * scale
    if size >= 32:
        bar_heights = [6, 12, 20, 14, 24, 16, 10, 18, 8]
        bar_width = 2
        bar_pitch = 3
    else:
        bar_heights = [4, 8, 12, 6, 10, 5]
        bar_width = 1
        bar_pitch = 2
    bars_left = (size - (len(bar_heights) * bar_pitch - (bar_pitch - bar_width))) // 2
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            # inside the rounded square (0.5 .. size-0.5)?
            nearest_x = min(max(x + 0.5, radius), size - radius)
            nearest_y = min(max(y + 0.5, radius), size - radius)
            distance = math.hypot(x + 0.5 - nearest_x, y + 0.5 - nearest_y)
            if distance > radius:
                row.append(TRANSPARENT)
                continue
            on_border = x == 0 or y == 0 or x == size - 1 or y == size - 1
            if distance > radius - 1.2 * max(1, scale) or on_border:
                row.append(EDGE_COLOUR)
            else:
                t = y / (size - 1)
                row.append((int(70 - 30 * t), int(150 - 50 * t), int(230 - 60 * t), 255))
        pixels.append(row)
    middle_y = size // 2
    for index, bar_height in enumerate(bar_heights):
        if size >= 32:
            bar_height = int(bar_height * scale)
        bar_x = bars_left + index * bar_pitch
        if index % 2 == 0:
            colour = (255, 255, 255, 255)
        else:
            colour = (255, 214, 110, 255)
        bar_top = middle_y - bar_height // 2
        for y in range(bar_top, bar_top + bar_height):
            for x in range(bar_x, bar_x + bar_width):
                pixels[y][x] = colour
    return pixels
