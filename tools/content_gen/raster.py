"""A small anti-aliased painter for the built-in pictures.

Shapes are signed distance functions in pixels (negative inside), so an edge pixel gets
the part of it the shape covers; paints are a colour or a function of the point. The canvas
keeps premultiplied RGBA in floats and is turned into 8-bit straight RGBA at the end.

Only +, -, *, / and square roots reach the pixels; the few sines and cosines that place
points of arcs are rounded first, so the bytes do not depend on the maths library.
"""

import math


def rgba(text, alpha=1.0):
    """ "#rrggbb" as floats 0..1 with the given alpha."""
    value = int(text.lstrip("#"), 16)
    return ((value >> 16 & 255) / 255, (value >> 8 & 255) / 255, (value & 255) / 255, alpha)


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def _clamp(value, low=0.0, high=1.0):
    return low if value < low else high if value > high else value


def _stops_at(stops, t):
    t = _clamp(t)
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            return mix(c0, c1, 0.0 if t1 == t0 else (t - t0) / (t1 - t0))
    return stops[-1][1]


def linear(x0, y0, x1, y1, stops):
    """A gradient along the line from (x0, y0) to (x1, y1); stops are (t, colour)."""
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy
    return lambda x, y: _stops_at(stops, ((x - x0) * dx + (y - y0) * dy) / length2)


def radial(cx, cy, radius, stops, squash=1.0):
    """A gradient from the centre outwards; `squash` scales the vertical distances."""
    return lambda x, y: _stops_at(stops, math.sqrt((x - cx) ** 2 + ((y - cy) * squash) ** 2)
                                  / radius)


def point_on(cx, cy, rx, ry, degrees):
    """The point of an ellipse at an angle (0 = right, 90 = down), rounded."""
    t = math.radians(degrees)
    return (round(cx + rx * math.cos(t), 6), round(cy + ry * math.sin(t), 6))


def arc(cx, cy, rx, ry, start, end, steps=None):
    steps = steps or max(4, int(abs(end - start) / 10))
    return [point_on(cx, cy, rx, ry, start + (end - start) * i / steps) for i in range(steps + 1)]


class Shape:
    """A signed distance function with the box (x0, y0, x1, y1) outside which it is empty."""

    def __init__(self, distance, box):
        self.distance = distance
        self.box = box

    def __or__(self, other):
        return Shape(lambda x, y: min(self.distance(x, y), other.distance(x, y)),
                     (min(self.box[0], other.box[0]), min(self.box[1], other.box[1]),
                      max(self.box[2], other.box[2]), max(self.box[3], other.box[3])))

    def __sub__(self, other):
        return Shape(lambda x, y: max(self.distance(x, y), -other.distance(x, y)), self.box)

    def __and__(self, other):
        return Shape(lambda x, y: max(self.distance(x, y), other.distance(x, y)),
                     (max(self.box[0], other.box[0]), max(self.box[1], other.box[1]),
                      min(self.box[2], other.box[2]), min(self.box[3], other.box[3])))

    def grown(self, amount):
        """The shape with its edge moved outwards (inwards when negative)."""
        b = self.box
        return Shape(lambda x, y: self.distance(x, y) - amount,
                     (b[0] - amount, b[1] - amount, b[2] + amount, b[3] + amount))

    def outline(self, width):
        """A band of `width` centred on the shape's edge."""
        b, h = self.box, width / 2
        return Shape(lambda x, y: abs(self.distance(x, y)) - h,
                     (b[0] - h, b[1] - h, b[2] + h, b[3] + h))

    def moved(self, dx, dy):
        b = self.box
        return Shape(lambda x, y: self.distance(x - dx, y - dy),
                     (b[0] + dx, b[1] + dy, b[2] + dx, b[3] + dy))


def circle(cx, cy, r):
    return Shape(lambda x, y: math.sqrt((x - cx) ** 2 + (y - cy) ** 2) - r,
                 (cx - r, cy - r, cx + r, cy + r))


def rounded_rect(x0, y0, x1, y1, r):
    cx, cy, hw, hh = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def distance(x, y):
        qx, qy = abs(x - cx) - hw, abs(y - cy) - hh
        ox, oy = max(qx, 0.0), max(qy, 0.0)
        return math.sqrt(ox * ox + oy * oy) + min(max(qx, qy), 0.0) - r

    return Shape(distance, (x0, y0, x1, y1))


def everywhere():
    return Shape(lambda x, y: -1e9, (-1e9, -1e9, 1e9, 1e9))


def _segment_distance(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else _clamp(((x - ax) * dx + (y - ay) * dy) / length2)
    ex, ey = x - ax - dx * t, y - ay - dy * t
    return math.sqrt(ex * ex + ey * ey)


def stroke(points, width):
    """A polyline drawn with round ends and joins."""
    segments = list(zip(points, points[1:])) or [(points[0], points[0])]
    h = width / 2

    def distance(x, y):
        return min(_segment_distance(x, y, ax, ay, bx, by) for (ax, ay), (bx, by) in segments) - h

    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return Shape(distance, (min(xs) - h, min(ys) - h, max(xs) + h, max(ys) + h))


def polygon(points):
    """A closed polygon (even-odd inside), exact distance to its edges."""
    edges = list(zip(points, points[1:] + points[:1]))

    def distance(x, y):
        nearest = min(_segment_distance(x, y, ax, ay, bx, by) for (ax, ay), (bx, by) in edges)
        inside = False
        for (ax, ay), (bx, by) in edges:
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                inside = not inside
        return -nearest if inside else nearest

    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return Shape(distance, (min(xs), min(ys), max(xs), max(ys)))


class Canvas:
    def __init__(self, width, height, colour=(0.0, 0.0, 0.0, 0.0)):
        self.width, self.height = width, height
        r, g, b, a = colour
        self.pixels = [[r * a, g * a, b * a, a] for _ in range(width * height)]

    def fill(self, shape, paint, opacity=1.0, blur=1.0):
        """Paints the shape over the canvas; `blur` widens the soft edge (pixels)."""
        x0, y0, x1, y1 = shape.box
        margin = blur
        left, top = max(0, int(math.floor(x0 - margin))), max(0, int(math.floor(y0 - margin)))
        right = min(self.width, int(math.ceil(x1 + margin)) + 1)
        bottom = min(self.height, int(math.ceil(y1 + margin)) + 1)
        constant = None if callable(paint) else paint
        distance = shape.distance
        pixels, width = self.pixels, self.width
        for py in range(top, bottom):
            y = py + 0.5
            row = py * width
            for px in range(left, right):
                x = px + 0.5
                d = distance(x, y)
                if d >= blur / 2:
                    continue
                coverage = 1.0 if d <= -blur / 2 else 0.5 - d / blur
                r, g, b, a = constant or paint(x, y)
                a *= coverage * opacity
                if a <= 0.0:
                    continue
                pixel = pixels[row + px]
                keep = 1.0 - a
                pixel[0] = r * a + pixel[0] * keep
                pixel[1] = g * a + pixel[1] * keep
                pixel[2] = b * a + pixel[2] * keep
                pixel[3] = a + pixel[3] * keep

    def rgba_bytes(self):
        """8-bit straight RGBA, rows top-down."""
        out = bytearray()
        for r, g, b, a in self.pixels:
            if a <= 0.0:
                out += b"\0\0\0\0"
                continue
            out += bytes((_byte(r / a), _byte(g / a), _byte(b / a), _byte(a)))
        return bytes(out)

    def is_opaque(self):
        return all(p[3] >= 1.0 - 1e-9 for p in self.pixels)


def _byte(value):
    return int(_clamp(value) * 255 + 0.5)


# A stroke font for the few Latin letters and the digits the pictures need. Glyphs sit
# in a box one unit high (0 = cap line, 1 = base line); lower-case letters start at 0.32.
def _glyphs():
    xh = 0.32  # x-height line
    bowl = (0.3, (xh + 1) / 2, 0.3, (1 - xh) / 2)  # centre and radii of a round lower-case bowl
    cx, cy, rx, ry = bowl
    return {
        "V": (0.78, [[(0, 0), (0.39, 1), (0.78, 0)]]),
        "E": (0.6, [[(0.58, 0), (0, 0), (0, 1), (0.58, 1)], [(0, 0.5), (0.48, 0.5)]]),
        "F": (0.56, [[(0.56, 0), (0, 0), (0, 1)], [(0, 0.5), (0.46, 0.5)]]),
        "I": (0.0, [[(0, 0), (0, 1)]]),
        "L": (0.54, [[(0, 0), (0, 1), (0.54, 1)]]),
        "M": (0.84, [[(0, 1), (0, 0), (0.42, 0.62), (0.84, 0), (0.84, 1)]]),
        "R": (0.62, [[(0, 1), (0, 0), (0.34, 0)] + arc(0.34, 0.25, 0.26, 0.25, -90, 90)
                     + [(0, 0.5)], [(0.3, 0.5), (0.62, 1)]]),
        "D": (0.66, [[(0, 0), (0.2, 0)] + arc(0.2, 0.5, 0.46, 0.5, -90, 90) + [(0, 1), (0, 0)]]),
        "e": (0.6, [[(0.02, cy), (0.6, cy)] + arc(cx, cy, rx, ry, 0, -310)]),
        "r": (0.42, [[(0, xh), (0, 1)], arc(0.36, xh + 0.36, 0.36, 0.36, 180, 260)
                     + [(0.44, xh + 0.005)]]),
        "d": (0.6, [arc(cx, cy, rx, ry, 0, 360, 36), [(0.6, 0), (0.6, 1)]]),
        "l": (0.0, [[(0, 0), (0, 1)]]),
        "0": (0.6, [arc(0.3, 0.5, 0.3, 0.5, 0, 360, 40)]),
        "1": (0.34, [[(0.0, 0.2), (0.3, 0), (0.3, 1)]]),
        "2": (0.62, [arc(0.3, 0.28, 0.3, 0.28, -165, 30) + [(0, 1), (0.62, 1)]]),
        "3": (0.6, [arc(0.28, 0.26, 0.27, 0.25, -160, 90) + arc(0.28, 0.74, 0.31, 0.25, -90, 160)]),
        "4": (0.64, [[(0.46, 1), (0.46, 0), (0, 0.7), (0.64, 0.7)]]),
        "5": (0.6, [[(0.56, 0), (0.08, 0), (0.03, 0.45)] + arc(0.28, 0.69, 0.32, 0.31, -130, 150)]),
        "6": (0.6, [arc(0.3, 0.69, 0.3, 0.31, 0, 360, 36), arc(0.52, 0.69, 0.52, 0.69, 180, 262)]),
        "7": (0.6, [[(0, 0), (0.6, 0), (0.18, 1)]]),
        "8": (0.6, [arc(0.3, 0.25, 0.25, 0.25, 0, 360, 36), arc(0.3, 0.74, 0.3, 0.26, 0, 360, 36)]),
        "9": (0.6, [arc(0.3, 0.31, 0.3, 0.31, 0, 360, 36), arc(0.08, 0.31, 0.52, 0.69, 0, 82)]),
        " ": (0.3, []),
    }


GLYPHS = _glyphs()


def text_width(text, size, weight, spacing=0.0):
    """Width in pixels of `text` at cap height `size` with strokes of `weight` pixels."""
    advances = [GLYPHS[c][0] * size + weight for c in text]
    return sum(advances) + spacing * size * (len(text) - 1)


def text_shapes(text, x, baseline, size, weight, spacing=0.0, slant=0.0):
    """One shape per glyph, the first glyph's left stroke edge at x."""
    shapes = []
    pen = x + weight / 2
    for c in text:
        advance, strokes = GLYPHS[c]
        for points in strokes:
            placed = [(pen + px * size + slant * (1 - py) * size, baseline - size + py * size)
                      for px, py in points]
            shapes.append(stroke(placed, weight))
        pen += advance * size + weight + spacing * size
    return shapes


def draw_text(canvas, text, x, baseline, size, weight, paint, spacing=0.0, slant=0.0,
              opacity=1.0):
    for shape in _merged(text_shapes(text, x, baseline, size, weight, spacing, slant)):
        canvas.fill(shape, paint, opacity)


def _merged(shapes):
    """Strokes that touch are painted as one shape, so their overlap is not painted twice."""
    groups = []
    for shape in shapes:
        for i, group in enumerate(groups):
            b, s = group.box, shape.box
            if s[0] <= b[2] and b[0] <= s[2] and s[1] <= b[3] and b[1] <= s[3]:
                groups[i] = group | shape
                break
        else:
            groups.append(shape)
    return groups
