"""Sounds: the waves the program plays, made by additive synthesis. Each is
returned as (sample rate, channels, frames of 16-bit samples)."""

import math


def to_int16(value):
    return int(round(max(-1.0, min(1.0, value)) * 32767))


def blip_wave():
    """22050 Hz mono, 1651 samples (about 75 ms): a soft rising blip."""
    rate = 22050
    count = 1651
    frames = []
    for index in range(count):
        t = index / rate
        # The pitch glides from 880 Hz up to 1320 Hz over the sound.
        phase = 2 * math.pi * (880.0 * t + 220.0 * t * t * rate / count)
        attack = min(1.0, index / (0.004 * rate))
        release = min(1.0, (count - 1 - index) / (0.020 * rate))
        envelope = 0.5 * (1 - math.cos(math.pi * attack)) * 0.5 * (1 - math.cos(math.pi * release))
        envelope *= math.exp(-t * 18.0)
        value = 0.45 * envelope * (math.sin(phase) + 0.2 * math.sin(2 * phase))
        frames.append((to_int16(value),))
    return rate, 1, frames


def chime_wave():
    """44100 Hz stereo, 44864 frames (about 1 s): a soft three-partial chime."""
    rate = 44100
    count = 44864
    partials = [  # frequency, amplitude, decay per second, left/right weight
        (880.00, 0.55, 3.2, (1.0, 0.9)),
        (1318.51, 0.28, 4.5, (0.8, 1.0)),
        (1760.00, 0.12, 6.5, (1.0, 0.85)),
    ]
    fade_start = count - int(0.25 * rate)
    frames = []
    for index in range(count):
        t = index / rate
        attack = min(1.0, index / (0.006 * rate))
        attack = 0.5 * (1 - math.cos(math.pi * attack))
        fade = 1.0
        if index >= fade_start:
            fade_left = (count - 1 - index) / (count - 1 - fade_start)
            fade = 0.5 * (1 - math.cos(math.pi * fade_left))
        left = 0.0
        right = 0.0
        for frequency, amplitude, decay, (left_weight, right_weight) in partials:
            value = amplitude * math.exp(-decay * t) * math.sin(2 * math.pi * frequency * t)
            left += left_weight * value
            right += right_weight * value
        gain = 0.75 * attack * fade
        frames.append((to_int16(gain * left), to_int16(gain * right)))
    return rate, 2, frames
