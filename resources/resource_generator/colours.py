"""Colours. One blue-slate family for every window background, so the main
window, the export window, the quick-start window and the patch that covers
the stop hint agree with each other."""

BG = (38, 52, 72)            # window background
BG_DEEP = (24, 34, 48)       # recessed frames, shadows
BG_LIGHT = (70, 90, 118)     # raised edges, separators
TEXT = (222, 230, 240)       # captions
TEXT_DIM = (150, 166, 188)   # secondary captions
ACCENT = (98, 178, 230)      # logo, step numbers
ACCENT_WARM = (244, 196, 92)  # highlights

MENU_BG = (240, 240, 240)    # behind the small menu pictures
