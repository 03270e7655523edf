"""PNG files from 8-bit straight RGBA: RGB when every pixel is opaque, else RGBA."""

import struct
import zlib


def _chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _filtered(row, previous, bpp):
    """The row under each of the five filters; the one with the smallest sum of
    absolute values (as signed bytes) is kept, the usual choice of encoders."""
    n = len(row)
    left = bytes(bpp) + row[:n - bpp]
    up_left = bytes(bpp) + previous[:n - bpp]
    candidates = [
        row,
        bytes((row[i] - left[i]) & 255 for i in range(n)),
        bytes((row[i] - previous[i]) & 255 for i in range(n)),
        bytes((row[i] - ((left[i] + previous[i]) >> 1)) & 255 for i in range(n)),
        bytes((row[i] - _paeth(left[i], previous[i], up_left[i])) & 255 for i in range(n)),
    ]
    costs = [sum(v if v < 128 else 256 - v for v in c) for c in candidates]
    kind = costs.index(min(costs))
    return bytes([kind]) + candidates[kind]


def encode(width, height, rgba, opaque=None):
    if opaque is None:
        opaque = all(rgba[i] == 255 for i in range(3, len(rgba), 4))
    if opaque:
        pixels = bytearray()
        for i in range(0, len(rgba), 4):
            pixels += rgba[i:i + 3]
        bpp, colour_type = 3, 2
    else:
        pixels, bpp, colour_type = rgba, 4, 6
    stride = width * bpp
    raw = bytearray()
    previous = bytes(stride)
    for y in range(height):
        row = bytes(pixels[y * stride:(y + 1) * stride])
        raw += _filtered(row, previous, bpp)
        previous = row
    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header)
            + _chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + _chunk(b"IEND", b""))
