#!/usr/bin/env python3
"""Draws Korvel Player's pictures, icons and sounds.

    generate_resources.py OUTPUT_FOLDER [--preview PNG_FOLDER]

Writes every bitmap, icon and wave the resource script names into
OUTPUT_FOLDER. Everything is computed from code in resource_generator/
(pixel art, a small bitmap font, additive synthesis), so the files are the
same bytes on every run and nothing binary needs to live in the source tree.
With --preview the pictures are also written as enlarged PNG files, for
looking at them.

Standard library only. The sizes the program relies on are checked before
anything is written; a mismatch stops the build.
"""

import os
import sys

# The generator runs from the source tree, and compiled module caches would
# land there beside its modules; so this comes before the imports below.
sys.dont_write_bytecode = True

from resource_generator.all_files import build
from resource_generator.file_formats import png_bytes


def main(argv):
    args = list(argv[1:])
    preview_dir = None
    if "--preview" in args:
        index = args.index("--preview")
        preview_dir = args[index + 1]
        del args[index:index + 2]
    if len(args) != 1:
        sys.stderr.write(__doc__)
        return 2
    out_dir = args[0]
    files, previews = build()
    os.makedirs(out_dir, exist_ok=True)
    for name in sorted(files):
        with open(os.path.join(out_dir, name), 'wb') as out_file:
            out_file.write(files[name])
    if preview_dir is not None:
        os.makedirs(preview_dir, exist_ok=True)
        for name, (img, scale) in sorted(previews.items()):
            with open(os.path.join(preview_dir, name + ".png"), 'wb') as preview_file:
                preview_file.write(png_bytes(img, scale))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
