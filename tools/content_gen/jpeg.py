"""Baseline JPEG files (JFIF, Huffman-coded, 8-bit, no chroma subsampling) from RGB pixels.

The quantisation and Huffman tables are the example tables that decoders and encoders
commonly use, the quantisation scaled to a quality as the usual encoders do.
"""

import math
import struct

_LUMA_QUANT = [
    16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55,
    14, 13, 16, 24, 40, 57, 69, 56, 14, 17, 22, 29, 51, 87, 80, 62,
    18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55, 64, 81, 104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99,
]
_CHROMA_QUANT = [
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
    24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
] + [99] * 32

_DC_LUMA_BITS = [0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0]
_DC_CHROMA_BITS = [0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0]
_DC_VALUES = list(range(12))
_AC_LUMA_BITS = [0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7D]
_AC_LUMA_VALUES = bytes.fromhex(
    "01020300041105122131410613516107227114328191a1082342b1c11552d1f0"
    "2433627282090a161718191a25262728292a3435363738393a434445464748494a"
    "535455565758595a636465666768696a737475767778797a838485868788898a"
    "92939495969798999aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8b9bac2c3c4c5c6"
    "c7c8c9cad2d3d4d5d6d7d8d9dae1e2e3e4e5e6e7e8e9eaf1f2f3f4f5f6f7f8f9fa")
_AC_CHROMA_BITS = [0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77]
_AC_CHROMA_VALUES = bytes.fromhex(
    "000102031104052131061241510761711322328108144291a1b1c109233352f0"
    "156272d10a162434e125f11718191a262728292a35363738393a434445464748"
    "494a535455565758595a636465666768696a737475767778797a828384858687"
    "88898a92939495969798999aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8b9bac2c3"
    "c4c5c6c7c8c9cad2d3d4d5d6d7d8d9dae2e3e4e5e6e7e8e9eaf2f3f4f5f6f7f8f9fa")


def _zigzag():
    order = []
    for s in range(15):
        cells = [(y, s - y) for y in range(8) if 0 <= s - y < 8]
        order += cells if s % 2 else cells[::-1]
    return [y * 8 + x for y, x in order]


ZIGZAG = _zigzag()


def _check_table(bits, values, symbols):
    if sum(bits) != len(values) or sorted(values) != sorted(symbols):
        raise ValueError("a Huffman table does not hold every symbol once")


_AC_SYMBOLS = [0x00, 0xF0] + [run << 4 | size for run in range(16) for size in range(1, 11)]
_check_table(_DC_LUMA_BITS, _DC_VALUES, range(12))
_check_table(_DC_CHROMA_BITS, _DC_VALUES, range(12))
_check_table(_AC_LUMA_BITS, _AC_LUMA_VALUES, _AC_SYMBOLS)
_check_table(_AC_CHROMA_BITS, _AC_CHROMA_VALUES, _AC_SYMBOLS)


def _codes(bits, values):
    """Symbol -> (code, length), the canonical codes of the table."""
    codes, code, k = {}, 0, 0
    for length in range(1, 17):
        for _ in range(bits[length - 1]):
            codes[values[k]] = (code, length)
            code += 1
            k += 1
        code <<= 1
    return codes


def _scaled(table, quality):
    scale = 5000 // quality if quality < 50 else 200 - 2 * quality
    return [min(255, max(1, (q * scale + 50) // 100)) for q in table]


# DCT basis, rounded so that the result never depends on the maths library's last bit.
_BASIS = [[round((math.sqrt(0.125) if u == 0 else 0.5) * math.cos((2 * x + 1) * u * math.pi / 16),
                 12) for x in range(8)] for u in range(8)]


def _dct(block):
    """Two-dimensional DCT of 64 samples (rows of 8)."""
    rows = [[sum(b * s for b, s in zip(basis, block[y * 8:y * 8 + 8])) for basis in _BASIS]
            for y in range(8)]
    out = [0.0] * 64
    for u in range(8):
        column = [rows[y][u] for y in range(8)]
        for v in range(8):
            out[v * 8 + u] = sum(b * s for b, s in zip(_BASIS[v], column))
    return out


class _BitWriter:
    def __init__(self):
        self.out = bytearray()
        self._value = 0
        self._count = 0

    def write(self, code, length):
        self._value = self._value << length | code
        self._count += length
        while self._count >= 8:
            self._count -= 8
            byte = self._value >> self._count & 255
            self.out.append(byte)
            if byte == 0xFF:
                self.out.append(0)  # a data 0xFF is followed by a zero byte
        self._value &= (1 << self._count) - 1

    def flush(self):
        if self._count:
            self.write((1 << (8 - self._count)) - 1, 8 - self._count)


def _magnitude(value):
    size = abs(value).bit_length()
    return size, (value if value >= 0 else value + (1 << size) - 1)


def _encode_block(writer, coefficients, previous_dc, dc_codes, ac_codes):
    dc = coefficients[0]
    size, bits = _magnitude(dc - previous_dc)
    writer.write(*dc_codes[size])
    if size:
        writer.write(bits, size)
    run = 0
    for value in coefficients[1:]:
        if value == 0:
            run += 1
            continue
        while run > 15:
            writer.write(*ac_codes[0xF0])
            run -= 16
        size, bits = _magnitude(value)
        writer.write(*ac_codes[run << 4 | size])
        writer.write(bits, size)
        run = 0
    if run:
        writer.write(*ac_codes[0x00])
    return dc


def _segment(marker, body):
    return struct.pack(">BBH", 0xFF, marker, len(body) + 2) + body


def _huffman_segment(kind, bits, values):
    return bytes([kind]) + bytes(bits) + bytes(values)


def encode(width, height, rgba, quality=90):
    """A JPEG of the RGB channels of 8-bit RGBA pixels (alpha is ignored)."""
    planes = [[0.0] * (width * height) for _ in range(3)]
    for i in range(width * height):
        r, g, b = rgba[4 * i], rgba[4 * i + 1], rgba[4 * i + 2]
        planes[0][i] = 0.299 * r + 0.587 * g + 0.114 * b - 128
        planes[1][i] = -0.168736 * r - 0.331264 * g + 0.5 * b
        planes[2][i] = 0.5 * r - 0.418688 * g - 0.081312 * b
    quant = [_scaled(_LUMA_QUANT, quality), _scaled(_CHROMA_QUANT, quality)]
    dc_codes = [_codes(_DC_LUMA_BITS, _DC_VALUES), _codes(_DC_CHROMA_BITS, _DC_VALUES)]
    ac_codes = [_codes(_AC_LUMA_BITS, _AC_LUMA_VALUES),
                _codes(_AC_CHROMA_BITS, _AC_CHROMA_VALUES)]
    writer = _BitWriter()
    previous = [0, 0, 0]
    for by in range(0, height, 8):
        for bx in range(0, width, 8):
            for c in range(3):
                table = 0 if c == 0 else 1
                plane = planes[c]
                # Blocks past the edge repeat the last row and column.
                block = [plane[min(by + y, height - 1) * width + min(bx + x, width - 1)]
                         for y in range(8) for x in range(8)]
                frequencies = _dct(block)
                q = quant[table]
                coefficients = [int(math.floor(frequencies[z] / q[z] + 0.5)) for z in ZIGZAG]
                previous[c] = _encode_block(writer, coefficients, previous[c],
                                            dc_codes[table], ac_codes[table])
    writer.flush()

    out = b"\xFF\xD8"
    out += _segment(0xE0, b"JFIF\0" + bytes([1, 1, 0]) + struct.pack(">HH", 1, 1) + b"\0\0")
    for table_id, table in enumerate(quant):
        out += _segment(0xDB, bytes([table_id]) + bytes(table[z] for z in ZIGZAG))
    components = b"".join(bytes([c + 1, 0x11, 0 if c == 0 else 1]) for c in range(3))
    out += _segment(0xC0, struct.pack(">BHHB", 8, height, width, 3) + components)
    out += _segment(0xC4, _huffman_segment(0x00, _DC_LUMA_BITS, _DC_VALUES)
                    + _huffman_segment(0x10, _AC_LUMA_BITS, _AC_LUMA_VALUES)
                    + _huffman_segment(0x01, _DC_CHROMA_BITS, _DC_VALUES)
                    + _huffman_segment(0x11, _AC_CHROMA_BITS, _AC_CHROMA_VALUES))
    selectors = b"".join(bytes([c + 1, 0x00 if c == 0 else 0x11]) for c in range(3))
    out += _segment(0xDA, bytes([3]) + selectors + bytes([0, 63, 0]))
    return out + bytes(writer.out) + b"\xFF\xD9"
