"""The file formats the pictures, icons and sounds are written in: Windows
bitmaps (24-bit and 8-bit), icons, PCM waves, and PNG for previews."""

import struct
import zlib

FILE_HEADER_SIZE = 14
INFO_HEADER_SIZE = 40
# The bitmap info header: size, width, height, planes, bits per pixel,
# compression, image size, horizontal and vertical resolution, colours used,
# colours important.
INFO_HEADER_FORMAT = '<IiiHHIIiiII'
PIXELS_PER_METRE = 2835  # 72 dots per inch


def _bitmap_file_header(header_size, body_size):
    return struct.pack('<2sIHHI', b'BM', header_size + body_size, 0, 0, header_size)


def _bgr(rgb):
    red, green, blue = rgb
    return bytes((blue, green, red))


def bmp24_bytes(img):
    stride = (img.width * 3 + 3) & ~3
    pad = b'\0' * (stride - img.width * 3)
    body = bytearray()
    for row in reversed(img.px):  # bottom-up
        for rgb in row:
            body += _bgr(rgb)
        body += pad
    header_size = FILE_HEADER_SIZE + INFO_HEADER_SIZE
    file_header = _bitmap_file_header(header_size, len(body))
    info = struct.pack(INFO_HEADER_FORMAT, INFO_HEADER_SIZE, img.width, img.height, 1, 24, 0, len(body),
                       PIXELS_PER_METRE, PIXELS_PER_METRE, 0, 0)
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
    table = b''.join(_bgr(rgb) + b'\0' for rgb in palette)
    header_size = FILE_HEADER_SIZE + INFO_HEADER_SIZE + len(table)
    file_header = _bitmap_file_header(header_size, len(body))
    info = struct.pack(INFO_HEADER_FORMAT, INFO_HEADER_SIZE, width, height, 1, 8, 0, len(body),
                       PIXELS_PER_METRE, PIXELS_PER_METRE, 256, 0)
    return file_header + info + table + bytes(body)


def ico_bytes(images):
    """images: list of (size, rows of (r, g, b, a)) - 32-bit images with an AND mask."""
    entries = []
    blobs = []
    offset = 6 + 16 * len(images)
    for size, rgba in images:
        colours = bytearray()
        for row in reversed(rgba):
            for (red, green, blue, alpha) in row:
                colours += bytes((blue, green, red, alpha))
        mask_stride = ((size + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(rgba):
            bits = bytearray(mask_stride)
            for x, (_, _, _, alpha) in enumerate(row):
                if alpha == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        # The height counts the colour rows and the mask rows together.
        info = struct.pack(INFO_HEADER_FORMAT, INFO_HEADER_SIZE, size, size * 2, 1, 32, 0,
                           len(colours) + len(mask), 0, 0, 0, 0)
        blob = info + bytes(colours) + bytes(mask)
        entries.append(struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack('<HHH', 0, 1, len(images)) + b''.join(entries) + b''.join(blobs)


def wave_bytes(rate, channels, frames):
    """frames: list of tuples of 16-bit sample values, one per channel."""
    data = bytearray()
    for frame in frames:
        for sample in frame:
            data += struct.pack('<h', sample)
    block = channels * 2
    header = struct.pack('<4sI4s4sIHHIIHH4sI', b'RIFF', 36 + len(data), b'WAVE', b'fmt ', 16, 1, channels,
                         rate, rate * block, block, 16, b'data', len(data))
    return header + bytes(data)


def _png_chunk(kind, payload):
    checksum = zlib.crc32(kind + payload)
    return struct.pack('>I', len(payload)) + kind + payload + struct.pack('>I', checksum)


def png_bytes(img, scale):
    """img enlarged scale times in each direction."""
    raw = bytearray()
    for row in img.px:
        line = bytearray()
        for rgb in row:
            line += bytes(rgb) * scale
        for _ in range(scale):
            raw += b'\0' + line
    header = struct.pack('>IIBBBBB', img.width * scale, img.height * scale, 8, 2, 0, 0, 0)
    signature = b'\x89PNG\r\n\x1a\n'
    header_chunk = _png_chunk(b'IHDR', header)
    data_chunk = _png_chunk(b'IDAT', zlib.compress(bytes(raw), 9))
    return signature + header_chunk + data_chunk + _png_chunk(b'IEND', b'')
