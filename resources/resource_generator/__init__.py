"""The parts of generate_resources.py: drawing, file formats, and the
pictures, icons and sounds drawn with them."""
