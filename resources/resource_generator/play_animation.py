"""The play animation: 331 x 137, 8-bit, a level meter of sixteen bars."""

import math

ANIMATION_WIDTH = 331
ANIMATION_HEIGHT = 137
FRAME_COUNT = 12
BARS = 16
BAR_WIDTH = 16
BAR_GAP = 4
SEGMENTS = 17
SEGMENT_HEIGHT = 5
SEGMENT_GAP = 2

# The meter's palette: three fixed colours, then one lit and one unlit colour
# per segment, then the peak mark.
BACKGROUND_INDEX = 0
GRID_INDEX = 1
FLOOR_INDEX = 2
FIRST_LIT_INDEX = 3
FIRST_UNLIT_INDEX = FIRST_LIT_INDEX + SEGMENTS
PEAK_INDEX = FIRST_UNLIT_INDEX + SEGMENTS


def _segment_colour(segment):
    """Green at the bottom through yellow and orange to red at the top."""
    t = segment / (SEGMENTS - 1)
    if t < 0.55:      # green to yellow
        u = t / 0.55
        return (int(60 + 180 * u), int(200 + 20 * u), int(90 - 40 * u))
    if t < 0.8:       # yellow to orange
        u = (t - 0.55) / 0.25
        return (240, int(220 - 80 * u), int(50 - 10 * u))
    u = (t - 0.8) / 0.2  # orange to red
    return (int(240 - 10 * u), int(140 - 90 * u), int(40 + 10 * u))


def _meter_palette():
    palette = [(10, 14, 22), (22, 30, 44), (30, 40, 58)]  # background, grid, floor line
    lit = [_segment_colour(segment) for segment in range(SEGMENTS)]
    palette += lit
    palette += [(red // 6 + 10, green // 6 + 14, blue // 6 + 22) for (red, green, blue) in lit]  # unlit ghosts
    palette.append((235, 240, 250))  # peak marks
    return palette


def meter_picture(levels, peaks):
    """levels/peaks: lit segment counts per bar."""
    palette = _meter_palette()
    rows = [[BACKGROUND_INDEX] * ANIMATION_WIDTH for _ in range(ANIMATION_HEIGHT)]
    for y in range(8, ANIMATION_HEIGHT - 8, 16):
        for x in range(0, ANIMATION_WIDTH, 2):
            rows[y][x] = GRID_INDEX
    left = (ANIMATION_WIDTH - (BARS * BAR_WIDTH + (BARS - 1) * BAR_GAP)) // 2
    bottom = ANIMATION_HEIGHT - 8
    for x in range(left - 2, ANIMATION_WIDTH - left + 2):
        rows[bottom + 2][x] = FLOOR_INDEX
    for bar in range(BARS):
        bar_left = left + bar * (BAR_WIDTH + BAR_GAP)
        for segment in range(SEGMENTS):
            segment_bottom = bottom - segment * (SEGMENT_HEIGHT + SEGMENT_GAP)
            if segment < levels[bar]:
                colour = FIRST_LIT_INDEX + segment
            else:
                colour = FIRST_UNLIT_INDEX + segment
            if segment == peaks[bar] - 1 and peaks[bar] > levels[bar]:
                colour = PEAK_INDEX
            for y in range(segment_bottom - SEGMENT_HEIGHT + 1, segment_bottom + 1):
                for x in range(bar_left, bar_left + BAR_WIDTH):
                    rows[y][x] = colour
    return rows, palette


def meter_levels(frame, frames):
    """Bar heights for one frame of a loop; smooth from frame to frame and back to the first."""
    phase = 2 * math.pi * frame / frames
    levels = []
    for bar in range(BARS):
        centre = 1.0 - abs(bar - 6.5) / 11.0   # the low-middle bars are the loud ones
        loudness = (0.55 * centre
                    + 0.22 * math.sin(phase + bar * 0.9)
                    + 0.15 * math.sin(2 * phase - bar * 1.7 + 0.5)
                    + 0.08 * math.sin(3 * phase + bar * 2.3))
        levels.append(max(1, min(SEGMENTS, int(round(loudness * SEGMENTS + 3)))))
    return levels


def animation_frames():
    """The loop's pictures as (rows of palette indices, palette); a peak mark
    sits above the highest level of the last three frames."""
    all_levels = [meter_levels(frame, FRAME_COUNT) for frame in range(FRAME_COUNT)]
    pictures = []
    for frame in range(FRAME_COUNT):
        peaks = []
        for bar in range(BARS):
            recent_highest = max(all_levels[(frame - back) % FRAME_COUNT][bar] for back in range(3))
            peaks.append(min(SEGMENTS, recent_highest + 1))
        pictures.append(meter_picture(all_levels[frame], peaks))
    return pictures


def idle_picture():
    return meter_picture([1] * BARS, [0] * BARS)
