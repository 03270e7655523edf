"""The loading movie: a small compressed Flash file shown while a player page loads.

The movie is one frame on a 500 x 375 stage at 40 frames a second: a dark panel with a
soft play mark and a progress rail, drawn by one shape. The file is "CWS" (version 14):
the eight-byte header, then everything after it compressed with zlib; the header's length
field counts the uncompressed file.
"""

import struct
import zlib

STAGE_WIDTH = 500  # pixels
STAGE_HEIGHT = 375
FRAME_RATE = 40
VERSION = 14
TWIPS = 20  # a pixel is 20 twips

BACKGROUND = (0x1B, 0x23, 0x30)
MARK = (0x5B, 0x9B, 0xD5)
RAIL = (0x33, 0x42, 0x57)

NAME = "movie/loading.swf"


class BitWriter:
    """Bit fields, most significant bit first, as the file's records pack them."""

    def __init__(self):
        self._bits = []

    def unsigned(self, value, count):
        if value < 0 or value >= 1 << count:
            raise ValueError(f"{value} does not fit in {count} bits")
        self._bits.extend((value >> (count - 1 - i)) & 1 for i in range(count))

    def signed(self, value, count):
        if not -(1 << (count - 1)) <= value < 1 << (count - 1):
            raise ValueError(f"{value} does not fit in {count} signed bits")
        self.unsigned(value & ((1 << count) - 1), count)

    def to_bytes(self):
        bits = self._bits + [0] * (-len(self._bits) % 8)
        return bytes(int("".join(map(str, bits[i:i + 8])), 2) for i in range(0, len(bits), 8))


def signed_bits(*values):
    """The fewest bits that hold every value as a signed field."""
    count = 1
    while not all(-(1 << (count - 1)) <= v < 1 << (count - 1) for v in values):
        count += 1
    return count


def rect(x_min, x_max, y_min, y_max):
    bits = signed_bits(x_min, x_max, y_min, y_max)
    writer = BitWriter()
    writer.unsigned(bits, 5)
    for value in (x_min, x_max, y_min, y_max):
        writer.signed(value, bits)
    return writer.to_bytes()


def tag(code, body=b""):
    if len(body) < 0x3F:
        return struct.pack("<H", code << 6 | len(body)) + body
    return struct.pack("<HI", code << 6 | 0x3F, len(body)) + body


def file_attributes():
    action_script_3 = 0x08
    return tag(69, struct.pack("<I", action_script_3))


def set_background_color(rgb):
    return tag(9, bytes(rgb))


def polygon_records(writer, points, fill_index, fill_bits):
    """Moves the pen to the first point with fill 1 = `fill_index` and draws the closed outline."""
    x0, y0 = points[0]
    writer.unsigned(0, 1)  # style-change record
    writer.unsigned(0b00101, 5)  # new styles 0, line 0, fill 1 yes, fill 0 no, move to yes
    move_bits = signed_bits(x0, y0)
    writer.unsigned(move_bits, 5)
    writer.signed(x0, move_bits)
    writer.signed(y0, move_bits)
    writer.unsigned(fill_index, fill_bits)
    for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
        dx, dy = bx - ax, by - ay
        bits = max(signed_bits(dx, dy), 2)
        writer.unsigned(1, 1)  # edge record
        writer.unsigned(1, 1)  # straight
        writer.unsigned(bits - 2, 4)
        if dx and dy:
            writer.unsigned(1, 1)  # general line
            writer.signed(dx, bits)
            writer.signed(dy, bits)
        else:
            writer.unsigned(0, 1)
            writer.unsigned(1 if dx == 0 else 0, 1)  # vertical line
            writer.signed(dy if dx == 0 else dx, bits)


def define_shape(shape_id):
    """The play mark (a triangle) and the progress rail (a bar), each with its own fill."""
    cx, cy = STAGE_WIDTH * TWIPS // 2, STAGE_HEIGHT * TWIPS // 2
    triangle = [(cx - 700, cy - 1300), (cx + 1100, cy - 200), (cx - 700, cy + 900)]
    bar = [(cx - 3000, cy + 1800), (cx + 3000, cy + 1800), (cx + 3000, cy + 1960),
           (cx - 3000, cy + 1960)]
    body = struct.pack("<H", shape_id)
    body += rect(cx - 3000, cx + 3000, cy - 1300, cy + 1960)
    body += bytes([2, 0x00, *MARK, 0x00, *RAIL])  # two solid fills
    body += bytes([0])  # no line styles
    fill_bits, line_bits = 2, 0
    writer = BitWriter()
    writer.unsigned(fill_bits, 4)
    writer.unsigned(line_bits, 4)
    polygon_records(writer, triangle, 1, fill_bits)
    polygon_records(writer, bar, 2, fill_bits)
    writer.unsigned(0, 6)  # end of shape
    return tag(2, body + writer.to_bytes())


def place_object(shape_id, depth):
    has_character = 0x02
    return tag(26, struct.pack("<BHH", has_character, depth, shape_id))


def movie():
    frame_rate = FRAME_RATE << 8  # 8.8 fixed point
    frame_count = 1
    body = rect(0, STAGE_WIDTH * TWIPS, 0, STAGE_HEIGHT * TWIPS)
    body += struct.pack("<HH", frame_rate, frame_count)
    body += file_attributes()
    body += set_background_color(BACKGROUND)
    body += define_shape(1)
    body += place_object(1, 1)
    body += tag(1)  # show frame
    body += tag(0)  # end
    length = 8 + len(body)
    return b"CWS" + bytes([VERSION]) + struct.pack("<I", length) + zlib.compress(body, 9)


def generate():
    return {NAME: movie()}
