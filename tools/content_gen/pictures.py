"""The built-in pictures of the main window, the film grid and the layered image window.

Every picture is drawn here from shapes and a stroke font (raster.py): soft gradients, a
glossy highlight and rounded corners, in the harbour-town colours of the catalog's world
(sea blues, lighthouse white and red, lamp gold). Posters vary by a seeded generator, so
every run writes the same bytes.
"""

from . import jpeg, png, raster
from .raster import (Canvas, arc, circle, draw_text, everywhere, linear, polygon, radial,
                     rgba, rounded_rect, stroke, text_width)
from .rng import Rng

FILMS = 18
WHITE = rgba("#ffffff")


def _png(canvas):
    return png.encode(canvas.width, canvas.height, canvas.rgba_bytes())


def _jpeg(canvas):
    return jpeg.encode(canvas.width, canvas.height, canvas.rgba_bytes(), quality=90)


def _gloss(canvas, shape, top, bottom, strength):
    """The glassy highlight over the upper half of a shape."""
    canvas.fill(shape, linear(0, top, 0, bottom, [(0, rgba("#ffffff", strength)),
                                                   (1, rgba("#ffffff", 0.0))]))


# The logo (画板2): a glossy emblem with a play mark and the wordmark.
def _logo(hover):
    c = Canvas(128, 40)
    if hover:
        c.fill(circle(20, 20, 18), radial(20, 20, 18, [(0, rgba("#8fd0ff", 0.55)),
                                                       (1, rgba("#8fd0ff", 0.0))]))
    top, bottom = ("#7ccaff", "#2f86dc") if hover else ("#5cb2ee", "#1f66b8")
    badge = rounded_rect(5, 5, 35, 35, 8)
    c.fill(badge.grown(0.8), rgba("#174f8f" if not hover else "#1f63b0", 0.9))
    c.fill(badge, linear(0, 5, 0, 35, [(0, rgba(top)), (1, rgba(bottom))]))
    _gloss(c, badge & rounded_rect(5, 5, 35, 21, 8), 5, 21, 0.55)
    c.fill(polygon([(15.5, 12), (27, 20), (15.5, 28)]).grown(1.2), WHITE)
    ink = ("#2a78c8", "#1b5796") if hover else ("#1f5a97", "#153f6d")
    draw_text(c, "Verdel", 42, 29.5, 19, 2.7,
              linear(0, 10, 0, 30, [(0, rgba(ink[0])), (1, rgba(ink[1]))]), spacing=0.07)
    return c


# The clear button (画板4): a round grey button with a cross, red under the mouse.
def _clear(hover):
    c = Canvas(24, 24)
    ring = circle(12, 12, 10)
    tone = ("#f0796f", "#cf3f36") if hover else ("#c8ccd2", "#9aa1ab")
    c.fill(ring, linear(0, 2, 0, 22, [(0, rgba(tone[0])), (1, rgba(tone[1]))]))
    c.fill(stroke([(8, 8), (16, 16)], 2.6) | stroke([(16, 8), (8, 16)], 2.6), WHITE)
    return c


# The icon (画板5): a round badge with a lighthouse sending its beams.
def _icon(hover):
    c = Canvas(128, 128)
    c.fill(circle(64, 118, 40), radial(64, 118, 40, [(0, rgba("#000000", 0.22)),
                                                     (1, rgba("#000000", 0.0))], squash=5))
    sky = ("#6fc3ff", "#1f6fc9") if hover else ("#4ea6e6", "#164f98")
    badge = circle(64, 62, 56)
    c.fill(badge.grown(2), rgba("#ffffff"))
    c.fill(badge.grown(3).outline(1.2), rgba("#0f3a6e", 0.5))
    c.fill(badge, linear(0, 6, 0, 118, [(0, rgba(sky[0])), (1, rgba(sky[1]))]))
    beam = 0.38 if hover else 0.22
    for side in (-1, 1):
        c.fill(polygon([(64, 40), (64 + side * 60, 22), (64 + side * 60, 52)]) & badge,
               linear(64, 0, 64 + side * 60, 0, [(0, rgba("#fff4c2", beam + 0.25)),
                                                (1, rgba("#fff4c2", 0.0))]))
    sea = badge & rounded_rect(0, 92, 128, 130, 0)
    c.fill(sea, linear(0, 92, 0, 118, [(0, rgba("#0f3d75")), (1, rgba("#0a2a52"))]))
    c.fill(badge & stroke([(14, 93), (114, 93)], 1.2), rgba("#ffffff", 0.35))
    tower = polygon([(55, 50), (73, 50), (78, 94), (50, 94)])
    c.fill(tower, linear(50, 0, 78, 0, [(0, rgba("#ffffff")), (1, rgba("#dfe6ee"))]))
    for y0 in (60, 78):
        c.fill(tower & rounded_rect(40, y0, 90, y0 + 7, 0), rgba("#d8433a"))
    c.fill(rounded_rect(53, 46, 75, 51, 1.5), rgba("#2b3440"))
    c.fill(rounded_rect(57, 34, 71, 46, 2), rgba("#ffe27a" if hover else "#ffd65a"))
    c.fill(rounded_rect(57, 34, 71, 46, 2).outline(1.5), rgba("#2b3440"))
    c.fill(polygon([(55, 34), (64, 26), (73, 34)]), rgba("#2b3440"))
    _gloss(c, badge & circle(64, 10, 62), 6, 62, 0.42 if hover else 0.32)
    return c


# DefaultCover (画板1): a harbour at dusk with the lighthouse on the right.
def _default_cover():
    c = Canvas(160, 90)
    c.fill(everywhere(), linear(0, 0, 0, 62, [(0, rgba("#1c3156")), (0.55, rgba("#6a5f8e")),
                                              (1, rgba("#f1a56a"))]))
    c.fill(circle(58, 62, 13), radial(58, 62, 13, [(0, rgba("#fff1c9")),
                                                   (1, rgba("#ffc777"))]))
    c.fill(circle(58, 62, 30), radial(58, 62, 30, [(0, rgba("#ffd08a", 0.45)),
                                                   (1, rgba("#ffd08a", 0.0))]))
    c.fill(rounded_rect(-2, 62, 162, 92, 0),
           linear(0, 62, 0, 90, [(0, rgba("#24456b")), (1, rgba("#0c1d33"))]))
    for i, y in enumerate((65, 69, 74, 80)):
        half = 12 - i * 2
        c.fill(stroke([(58 - half, y), (58 + half, y)], 1.0), rgba("#ffcf8a", 0.55 - i * 0.1))
    c.fill(polygon([(118, 64), (162, 58), (162, 66), (112, 66)]), rgba("#0d1a2c"))
    c.fill(polygon([(133, 30), (141, 30), (143, 60), (131, 60)]), rgba("#0d1a2c"))
    c.fill(rounded_rect(132, 24, 142, 31, 1), rgba("#ffd96e"))
    c.fill(polygon([(131, 24), (137, 19), (143, 24)]), rgba("#0d1a2c"))
    c.fill(polygon([(137, 27), (80, 14), (80, 34)]),
           linear(137, 0, 80, 0, [(0, rgba("#fff2c0", 0.45)), (1, rgba("#fff2c0", 0.0))]))
    draw_text(c, "Verdel", 9, 84, 9, 1.4, rgba("#ffffff", 0.85), spacing=0.08)
    return c


# The no-result picture (图片框1): an empty list sheet under a magnifying glass.
def _no_result():
    c = Canvas(391, 324, rgba("#ffffff"))
    c.fill(circle(195, 252, 95), radial(195, 252, 95, [(0, rgba("#000000", 0.07)),
                                                       (1, rgba("#000000", 0.0))], squash=7))
    sheet = rounded_rect(128, 62, 262, 236, 8)
    c.fill(sheet.grown(1), rgba("#c9d3df"))
    c.fill(sheet, linear(0, 62, 0, 236, [(0, rgba("#fbfcfe")), (1, rgba("#eef2f7"))]))
    for i in range(6):
        y = 92 + i * 24
        c.fill(rounded_rect(146, y, 160, y + 8, 3), rgba("#d7dfe9"))
        c.fill(rounded_rect(168, y, 244 - (i % 3) * 18, y + 8, 3), rgba("#e3e9f0"))
    lens = circle(238, 178, 36)
    c.fill(stroke([(264, 204), (296, 236)], 13), rgba("#5b6f87"))
    c.fill(stroke([(268, 208), (294, 234)], 7), rgba("#7d93ac"))
    c.fill(lens, rgba("#eaf4ff", 0.55))
    c.fill(lens.outline(8), linear(0, 142, 0, 214, [(0, rgba("#8da5c0")), (1, rgba("#5b7290"))]))
    c.fill(stroke(arc(238, 178, 27, 27, 200, 260), 3.5), rgba("#ffffff", 0.9))
    c.fill(stroke([(226, 178), (250, 178)], 4.5), rgba("#9aaec4"))
    return c


# The busy indicator (图片框7): twelve spokes, the brightest at the top.
def _busy():
    c = Canvas(31, 31)
    for k in range(12):
        degrees = -90 + 30 * k
        inner, outer = raster.point_on(15.5, 15.5, 6, 6, degrees), \
            raster.point_on(15.5, 15.5, 12.5, 12.5, degrees)
        alpha = 0.2 + 0.8 * ((12 - k) % 12) / 11 if k else 1.0
        c.fill(stroke([inner, outer], 2.8), rgba("#3f6f9f", alpha))
    return c


# The film grid's background (画板6), stretched over the whole grid.
def _grid_background():
    c = Canvas(100, 78)
    c.fill(everywhere(), linear(0, 0, 0, 78, [(0, rgba("#f5f8fc")), (1, rgba("#dde6f1"))]))
    for cx, cy, r, alpha in ((18, 20, 22, 0.35), (78, 52, 30, 0.3), (55, 8, 14, 0.25)):
        c.fill(circle(cx, cy, r), radial(cx, cy, r, [(0, rgba("#ffffff", alpha)),
                                                     (1, rgba("#ffffff", 0.0))]))
    c.fill(polygon([(0, 60), (100, 34), (100, 44), (0, 70)]), rgba("#ffffff", 0.18))
    return c


# The layered image window: a compass-rose emblem with its ribbon, floating over the desktop.
def _image_window():
    c = Canvas(256, 256)
    c.fill(circle(128, 236, 86), radial(128, 236, 86, [(0, rgba("#000000", 0.35)),
                                                       (1, rgba("#000000", 0.0))], squash=6))
    c.fill(circle(128, 116, 118), radial(128, 116, 118, [(0.6, rgba("#8fd3ff", 0.5)),
                                                         (1, rgba("#8fd3ff", 0.0))]))
    face = circle(128, 116, 86)
    c.fill(face.grown(8), linear(0, 22, 0, 210, [(0, rgba("#ffe7a3")), (1, rgba("#c98f2e"))]))
    c.fill(face.grown(8).outline(1.5), rgba("#7a5517", 0.7))
    c.fill(face.grown(2), rgba("#7a5517", 0.8))
    c.fill(face, radial(110, 90, 110, [(0, rgba("#4cc3ad")), (1, rgba("#0c4a52"))]))
    for k in range(16):
        degrees = k * 22.5
        length = 8 if k % 2 else 14
        c.fill(stroke([raster.point_on(128, 116, 80, 80, degrees),
                       raster.point_on(128, 116, 80 - length, 80 - length, degrees)], 2.4),
               rgba("#ffffff", 0.55))
    for degrees, size in ((45, 40), (135, 40), (225, 40), (315, 40),
                          (0, 66), (90, 66), (180, 66), (270, 66)):
        tip = raster.point_on(128, 116, size, size, degrees)
        left = raster.point_on(128, 116, 11, 11, degrees - 90)
        right = raster.point_on(128, 116, 11, 11, degrees + 90)
        light = rgba("#ffffff") if size > 50 else rgba("#ffe7a3")
        dark = rgba("#c9d6e6") if size > 50 else rgba("#d9a544")
        c.fill(polygon([(128, 116), left, tip]), light)
        c.fill(polygon([(128, 116), tip, right]), dark)
    c.fill(circle(128, 116, 7), rgba("#c98f2e"))
    c.fill(circle(128, 116, 3.5), rgba("#fff4cf"))
    _gloss(c, face & circle(128, 40, 90), 30, 116, 0.35)
    ribbon = rounded_rect(58, 196, 198, 228, 7)
    c.fill(polygon([(58, 204), (38, 212), (50, 222), (38, 232), (66, 228)]), rgba("#a8332c"))
    c.fill(polygon([(198, 204), (218, 212), (206, 222), (218, 232), (190, 228)]),
           rgba("#a8332c"))
    c.fill(ribbon, linear(0, 196, 0, 228, [(0, rgba("#e4574d")), (1, rgba("#b83a32"))]))
    _gloss(c, ribbon & rounded_rect(58, 196, 198, 212, 7), 196, 212, 0.35)
    width = text_width("VERDEL", 18, 2.8, 0.22)
    draw_text(c, "VERDEL", 128 - width / 2, 221, 18, 2.8, rgba("#fff6e0"), spacing=0.22)
    return c


# The play overlay of a film card (PngPictureBox on 图片框6), stretched over a poster.
def _play_overlay():
    c = Canvas(35, 34)
    c.fill(everywhere(), radial(17.5, 17, 24, [(0, rgba("#000000", 0.28)),
                                               (1, rgba("#000000", 0.55))], squash=1.03))
    return c


# The play button of a film card (PngButton on 按钮1): A normal and pressed, B under the mouse.
def _play_button(hover):
    c = Canvas(54, 54)
    disc = circle(27, 27, 24)
    if hover:
        c.fill(disc, linear(0, 3, 0, 51, [(0, rgba("#56aef5", 0.95)), (1, rgba("#1f6fc6", 0.95))]))
    else:
        c.fill(disc, rgba("#000000", 0.38))
    c.fill(disc.outline(2.6), rgba("#ffffff", 0.95))
    c.fill(polygon([(21, 16.5), (38, 27), (21, 37.5)]).grown(0.6), rgba("#ffffff", 0.97))
    _gloss(c, disc & circle(27, 5, 26), 3, 27, 0.3 if hover else 0.18)
    return c


_POSTER_PALETTES = [
    ("#0f2347", "#3b5d92", "#f6c177", "#0b1a33"),  # night harbour
    ("#ff9a62", "#ffd6a0", "#fff3d6", "#5a3a4a"),  # sunrise
    ("#1c4f6e", "#6fb6cf", "#ffffff", "#103347"),  # clear sea
    ("#2b1d4a", "#8a5a9e", "#ffd1f0", "#1c1230"),  # violet dusk
    ("#113826", "#4f9a6a", "#f2f7c2", "#0c2417"),  # forest
    ("#3a2a1a", "#b5783a", "#ffe3a8", "#22170d"),  # amber
]


def _poster(k):
    rng = Rng(0x5EED0000 + k)
    top, bottom, light, ground = _POSTER_PALETTES[(k - 1) % len(_POSTER_PALETTES)]
    c = Canvas(162, 230)
    c.fill(everywhere(), linear(0, 0, 0, 170, [(0, rgba(top)), (1, rgba(bottom))]))
    for _ in range(14):
        x, y = rng.between(4, 158), rng.between(4, 110)
        c.fill(circle(x + 0.5, y + 0.5, 0.6 + rng.below(3) * 0.35), rgba(light, 0.5))
    sx, sy, sr = 30 + rng.below(100), 46 + rng.below(50), 16 + rng.below(14)
    c.fill(circle(sx, sy, sr * 2.2), radial(sx, sy, sr * 2.2, [(0, rgba(light, 0.4)),
                                                               (1, rgba(light, 0.0))]))
    c.fill(circle(sx, sy, sr), rgba(light, 0.95))
    horizon = 150 + rng.below(20)
    kind = k % 3
    if kind == 0:  # hills
        peaks = [(-5, horizon)] + [(x, horizon - 20 - rng.below(45)) for x in range(10, 170, 38)]
        c.fill(polygon(peaks + [(170, horizon), (170, 240), (-5, 240)]), rgba(ground, 0.75))
    elif kind == 1:  # lighthouse on a rock
        x = 110 + rng.below(30)
        c.fill(polygon([(x - 26, horizon), (x + 30, horizon), (x + 20, horizon - 12),
                        (x - 16, horizon - 14)]), rgba(ground))
        c.fill(polygon([(x - 5, horizon - 64), (x + 5, horizon - 64), (x + 8, horizon - 13),
                        (x - 8, horizon - 13)]), rgba(ground))
        c.fill(rounded_rect(x - 5, horizon - 73, x + 5, horizon - 64, 1), rgba(light))
        c.fill(polygon([(x, horizon - 69), (x - 90, horizon - 95), (x - 90, horizon - 55)]),
               linear(x, 0, x - 90, 0, [(0, rgba(light, 0.5)), (1, rgba(light, 0.0))]))
    else:  # clock tower over roofs
        x = 40 + rng.below(80)
        c.fill(rounded_rect(x - 10, horizon - 80, x + 10, horizon + 2, 0), rgba(ground))
        c.fill(polygon([(x - 13, horizon - 80), (x, horizon - 100), (x + 13, horizon - 80)]),
               rgba(ground))
        c.fill(circle(x, horizon - 64, 6.5), rgba(light, 0.9))
        c.fill(stroke([(x, horizon - 64), (x, horizon - 69)], 1.2) |
               stroke([(x, horizon - 64), (x + 3.5, horizon - 62)], 1.2), rgba(ground))
        for left in range(-10, 170, 26):
            h = 14 + rng.below(16)
            c.fill(polygon([(left, horizon), (left + 12, horizon - h), (left + 24, horizon)]),
                   rgba(ground, 0.85))
    c.fill(rounded_rect(-2, horizon, 164, 232, 0),
           linear(0, horizon, 0, 230, [(0, rgba(ground)), (1, rgba("#05080d"))]))
    c.fill(rounded_rect(-2, 150, 164, 232, 0),
           linear(0, 150, 0, 230, [(0, rgba("#000000", 0.0)), (1, rgba("#000000", 0.55))]))
    number = f"{k:02d}"
    draw_text(c, number, 12, 214, 34, 4.2, rgba("#ffffff", 0.95), spacing=0.12)
    draw_text(c, "FILM", 12 + text_width(number, 34, 4.2, 0.12) + 8, 214, 10, 1.7,
              rgba(light, 0.95), spacing=0.2)
    c.fill(rounded_rect(0, 0, 162, 230, 0).outline(2), rgba("#ffffff", 0.18))
    return c


def _caption(k):
    light = _POSTER_PALETTES[(k - 1) % len(_POSTER_PALETTES)][2]
    c = Canvas(162, 40)
    c.fill(everywhere(), linear(0, 0, 0, 40, [(0, rgba("#323b4a")), (1, rgba("#1a1f28"))]))
    c.fill(rounded_rect(-1, 0, 163, 2, 0), rgba(light, 0.9))
    c.fill(rounded_rect(-1, 2, 163, 14, 0), rgba("#ffffff", 0.05))
    draw_text(c, "FILM", 12, 27, 12, 2.0, rgba("#ffffff", 0.92), spacing=0.2)
    draw_text(c, f"{k:02d}", 12 + text_width("FILM", 12, 2.0, 0.2) + 8, 27, 12, 2.0,
              rgba(light), spacing=0.15)
    for i in range(3):
        c.fill(circle(132 + i * 9, 20, 2.2), rgba(light, 0.35 + 0.25 * i))
    return c


def generate():
    files = {
        "pictures/logo.png": _png(_logo(False)),
        "pictures/logo_hover.png": _png(_logo(True)),
        "pictures/clear.png": _png(_clear(False)),
        "pictures/clear_hover.png": _png(_clear(True)),
        "pictures/icon.png": _png(_icon(False)),
        "pictures/icon_hover.png": _png(_icon(True)),
        "pictures/DefaultCover.jpg": _jpeg(_default_cover()),
        "pictures/no_result.png": _png(_no_result()),
        "pictures/busy.png": _png(_busy()),
        "pictures/grid_background.png": _png(_grid_background()),
        "pictures/image_window.png": _png(_image_window()),
        "pictures/play_overlay.png": _png(_play_overlay()),
        "pictures/play_button.png": _png(_play_button(False)),
        "pictures/play_button_hover.png": _png(_play_button(True)),
    }
    for k in range(1, FILMS + 1):
        files[f"pictures/films/poster_{k:02d}.jpg"] = _jpeg(_poster(k))
        files[f"pictures/films/caption_{k:02d}.jpg"] = _jpeg(_caption(k))
    return files
