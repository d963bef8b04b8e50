#!/usr/bin/env python3
"""Draw the pictures of Lorvex's skinned window frame and its program icon.

Usage, from the repository root:

    python3 tools/make-pictures.py

Writes into src/ui/resources/ (next to resources.qrc, which lists them under the
"/pictures" prefix):

  * title buttons, 13x13 PNG: maximize, restore, minimize, close, help
  * title bar pieces, 19x30 PNG: title_main, title_left, title_right
  * frame pieces, 19x30 PNG: window_left, window_right, window_bottom,
    window_bottom_left, window_bottom_right
  * each of these also at twice the size, as name@2x.png, which Qt takes by itself on a
    screen scaled by more than one
  * the program icon: lorvex.ico (16x16 and 32x32) and icon16.png .. icon256.png
    (16, 32, 48, 64, 128 and 256 pixels), which the window uses and the install puts
    into the desktop's icon theme

Only the standard library is used; the ICO and PNG encoders are the small ones below.
The output is the same bytes on every run.

The four corner pieces leave the pixels that the window's rounded region cuts away
transparent: on X11 the region clips them, and where the window system shows a
window's transparency (Wayland) they are what rounds the outline. The other pieces
are opaque.
"""

import os
import struct
import sys
import zlib

RESOURCE_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "ui", "resources")

def rgb(hex_colour):
    hex_colour = hex_colour.lstrip("#")
    return tuple(int(hex_colour[i : i + 2], 16) for i in (0, 2, 4))


# ---------------------------------------------------------------------------
# Encoders
# ---------------------------------------------------------------------------


def encode_png(pixels):
    """8-bit RGBA, no filtering, one IDAT chunk."""
    height = len(pixels)
    width = len(pixels[0])
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for colour in row:
            raw += bytes(colour)

    def chunk(kind, payload):
        crc = zlib.crc32(kind + payload) & 0xFFFFFFFF
        return struct.pack(">I", len(payload)) + kind + payload + struct.pack(">I", crc)

    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", ihdr)
        + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
        + chunk(b"IEND", b"")
    )


def ico_bitmap(pixels):
    """One icon image: 8-bit palette BMP (double height) followed by its AND mask.

    Pixels are RGBA with alpha 0 or 255; transparent ones get palette index 0 and a
    set mask bit."""
    height = len(pixels)
    width = len(pixels[0])
    palette = [(0, 0, 0)]
    lookup = {(0, 0, 0): 0}
    for row in pixels:
        for r, g, b, a in row:
            if a and (r, g, b) not in lookup:
                lookup[(r, g, b)] = len(palette)
                palette.append((r, g, b))
    if len(palette) > 256:
        raise ValueError("an 8-bit icon holds at most 256 colours")
    palette += [(0, 0, 0)] * (256 - len(palette))

    colour_stride = (width + 3) & ~3
    mask_stride = ((width + 31) // 32) * 4
    colour_rows = bytearray()
    mask_rows = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        mask = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(row):
            if a:
                line.append(lookup[(r, g, b)])
            else:
                line.append(0)
                mask[x // 8] |= 0x80 >> (x % 8)
        line += bytes(colour_stride - len(line))
        colour_rows += line
        mask_rows += mask
    info = struct.pack(
        "<IiiHHIIiiII", 40, width, 2 * height, 1, 8, 0, len(colour_rows) + len(mask_rows), 0, 0, 256, 0
    )
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return info + table + bytes(colour_rows) + bytes(mask_rows)


def encode_ico(images):
    entries = bytearray()
    bodies = bytearray()
    offset = 6 + 16 * len(images)
    for pixels in images:
        body = ico_bitmap(pixels)
        size = len(pixels)
        # Width/height 0 would mean 256; colour count 0 means "256 or more".
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(body), offset + len(bodies))
        bodies += body
    return struct.pack("<HHH", 0, 1, len(images)) + bytes(entries) + bytes(bodies)


# ---------------------------------------------------------------------------
# Drawing at a scale
# ---------------------------------------------------------------------------
#
# Every frame picture is designed on its 1x pixel grid and drawn at 1x and at 2x. At a
# scale s, device pixel (X, Y) lies in design pixel (X // s, Y // s), which decides its
# shape (bands, mitres, outlines, glyphs, the corner cut), and at the continuous design
# point ((X + 0.5) / s - 0.5, (Y + 0.5) / s - 0.5), which gives the colour of gradients.
# At 1x the two are the same point, so the 1x pictures are the design itself; at 2x the
# shapes are the same, twice as large, and the gradients and the rounded edge finer.

SCALES = (1, 2)
CLEAR = (0, 0, 0, 0)


def mix(a, b, t):
    """Colour a moved the fraction t (kept within 0..1) of the way to colour b, rounded
    half up."""
    t = min(1.0, max(0.0, t))
    return tuple(int(ca + (cb - ca) * t + 0.5) for ca, cb in zip(a, b))


def opaque(colour):
    return tuple(colour) + (255,)


def draw_scaled(width, height, scale, colour):
    """A width x height design drawn at `scale`: colour(x, y, cx, cy) gets the design
    pixel and the continuous design point of each device pixel, and returns RGB."""
    pixels = []
    for y in range(height * scale):
        cy = (y + 0.5) / scale - 0.5
        row = []
        for x in range(width * scale):
            cx = (x + 0.5) / scale - 0.5
            row.append(opaque(colour(x // scale, y // scale, cx, cy)))
        pixels.append(row)
    return pixels


# ---------------------------------------------------------------------------
# Rounded corners
# ---------------------------------------------------------------------------

PIECE_W = 19
PIECE_H = 30
CORNER_ELLIPSE = 24  # the window region's corner ellipse, in pixels


def top_left_cut():
    """Pixels of a top-left corner that the window's rounded region leaves out.

    A pixel stays when its centre (x + 0.5, y + 0.5) lies inside the ellipse of radius
    (24 - 1) / 2 = 11.5 that touches the window's outer edges, i.e. centred at
    (11.5, 11.5). In pixel indices: (x, y) is cut when
    ((x - 11) / 11.5)^2 + ((y - 11) / 11.5)^2 > 1, which cuts 8, 6, 4, 3, 2, 2, 1, 1
    pixels from rows 0..7."""
    radius = (CORNER_ELLIPSE - 1) / 2
    cut = set()
    for y in range(CORNER_ELLIPSE // 2):
        for x in range(CORNER_ELLIPSE // 2):
            dx = (x + 0.5 - radius) / radius
            dy = (y + 0.5 - radius) / radius
            if dx * dx + dy * dy > 1:
                cut.add((x, y))
    per_row = [sum(1 for x, y in cut if y == row) for row in range(CORNER_ELLIPSE // 2)]
    assert per_row == [8, 6, 4, 3, 2, 2, 1, 1, 0, 0, 0, 0], per_row
    assert len(cut) == 27
    return cut


def corner_cut(flip_x, flip_y):
    cut = set()
    for x, y in top_left_cut():
        cut.add((PIECE_W - 1 - x if flip_x else x, PIECE_H - 1 - y if flip_y else y))
    assert len(cut) == 27
    return cut


def apply_corner(pixels, scale, cut, edge_colour):
    """Make the cut-away pixels transparent and draw the rounded edge just inside them.

    The cut is the window region's, in design pixels: on screen the region (or, where the
    window system draws transparency, these clear pixels) rounds the corner. The edge is
    one device pixel wide: every device pixel that touches the cut-away area takes
    edge_colour(x, y) of its design pixel, so the visible outline follows the curve."""
    height = len(pixels)
    width = len(pixels[0])

    def is_cut(x, y):
        return (x // scale, y // scale) in cut

    for y in range(height):
        for x in range(width):
            if is_cut(x, y):
                pixels[y][x] = CLEAR
    for y in range(height):
        for x in range(width):
            if is_cut(x, y):
                continue
            if any(is_cut(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                pixels[y][x] = opaque(edge_colour(x // scale, y // scale))


# ---------------------------------------------------------------------------
# Title bar and frame pieces
# ---------------------------------------------------------------------------

BEVEL = 7

TITLE_BLUE = rgb("#1562af")
TITLE_LIGHT = rgb("#4b86c2")
TITLE_DARK = rgb("#0d3f70")

FRAME_GREY = rgb("#cfcfcf")
FRAME_LIGHT_OUTER = rgb("#dadada")
FRAME_LIGHT_INNER = rgb("#d0d0d0")
FRAME_DARK_INNER = rgb("#cccccc")
FRAME_DARK_OUTER = rgb("#868686")


def title_band(y, cy):
    """Title bar colour of row y: light band at the top, dark band at the bottom."""
    if y < BEVEL:
        return mix(TITLE_LIGHT, TITLE_BLUE, cy / BEVEL)
    if y >= PIECE_H - BEVEL:
        return mix(TITLE_BLUE, TITLE_DARK, (cy - (PIECE_H - BEVEL - 1)) / BEVEL)
    return TITLE_BLUE


def title_left_bevel(cx):
    return mix(TITLE_LIGHT, TITLE_BLUE, cx / BEVEL)


def title_right_bevel(cx):
    return mix(TITLE_BLUE, TITLE_DARK, (cx - (PIECE_W - BEVEL - 1)) / BEVEL)


def lighter(a, b):
    return a if sum(a) >= sum(b) else b


def darker(a, b):
    return a if sum(a) <= sum(b) else b


def piece(scale, colour):
    return draw_scaled(PIECE_W, PIECE_H, scale, colour)


def title_main(scale):
    return piece(scale, lambda x, y, cx, cy: title_band(y, cy))


def title_left(scale):
    bottom = PIECE_H - 1

    def colour(x, y, cx, cy):
        band = title_band(y, cy)
        if x >= BEVEL or (y >= PIECE_H - BEVEL and bottom - y <= x):
            return band  # past the bevel, or the dark bottom band below the mitre
        return lighter(band, title_left_bevel(cx))

    pixels = piece(scale, colour)
    apply_corner(pixels, scale, corner_cut(False, False), lambda x, y: TITLE_LIGHT)
    return pixels


def title_right(scale):
    right = PIECE_W - 1

    def colour(x, y, cx, cy):
        band = title_band(y, cy)
        if x < PIECE_W - BEVEL or (y < BEVEL and y < right - x):
            return band  # before the bevel, or the light top band above the mitre
        return darker(band, title_right_bevel(cx))

    def edge(x, y):
        return TITLE_LIGHT if y < right - x else TITLE_DARK

    pixels = piece(scale, colour)
    apply_corner(pixels, scale, corner_cut(True, False), edge)
    return pixels


def grey_light_left(cx):
    return mix(FRAME_LIGHT_OUTER, FRAME_LIGHT_INNER, cx / (BEVEL - 1))


def grey_dark(distance_from_edge):
    """Dark bevel colour at 0 (outer edge) .. 6 (inner end) pixels from the edge."""
    return mix(FRAME_DARK_OUTER, FRAME_DARK_INNER, distance_from_edge / (BEVEL - 1))


def window_left(scale):
    return piece(scale, lambda x, y, cx, cy: grey_light_left(cx) if x < BEVEL else FRAME_GREY)


def window_right(scale):
    return piece(
        scale,
        lambda x, y, cx, cy: grey_dark(PIECE_W - 1 - cx) if x >= PIECE_W - BEVEL else FRAME_GREY,
    )


def bottom_colour(y, cy):
    return grey_dark(PIECE_H - 1 - cy) if y >= PIECE_H - BEVEL else FRAME_GREY


def window_bottom(scale):
    return piece(scale, lambda x, y, cx, cy: bottom_colour(y, cy))


def window_bottom_left(scale):
    bottom = PIECE_H - 1

    def colour(x, y, cx, cy):
        if x >= BEVEL or (y >= PIECE_H - BEVEL and bottom - y <= x):
            return bottom_colour(y, cy)  # the dark bottom bevel wins below the mitre
        return grey_light_left(cx)

    def edge(x, y):
        return FRAME_LIGHT_OUTER if x < bottom - y else FRAME_DARK_OUTER

    pixels = piece(scale, colour)
    apply_corner(pixels, scale, corner_cut(False, True), edge)
    return pixels


def window_bottom_right(scale):
    def colour(x, y, cx, cy):
        base = bottom_colour(y, cy)
        if x < PIECE_W - BEVEL:
            return base
        return darker(base, grey_dark(PIECE_W - 1 - cx))

    pixels = piece(scale, colour)
    apply_corner(pixels, scale, corner_cut(True, True), lambda x, y: FRAME_DARK_OUTER)
    return pixels


# ---------------------------------------------------------------------------
# Title buttons
# ---------------------------------------------------------------------------

BUTTON = 13
BUTTON_OUTLINE = rgb("#083f73")
BUTTON_GLOW = rgb("#6aa5dc")
BLACK = (0, 0, 0)


def glyph_button(face, art, left, top, scale):
    """A rounded square button: dark outline, face colour brightening to the middle, and
    a black glyph drawn from `art` with its top-left design pixel at (left, top).

    The four corner pixels are left in the title bar's blue."""
    face = rgb(face)
    centre = (BUTTON - 1) / 2
    marks = set()
    for dy, line in enumerate(art):
        for dx, mark in enumerate(line):
            if mark == "#":
                marks.add((left + dx, top + dy))

    def colour(x, y, cx, cy):
        if (x, y) in marks:
            return BLACK
        on_edge_x = x in (0, BUTTON - 1)
        on_edge_y = y in (0, BUTTON - 1)
        if on_edge_x and on_edge_y:
            return TITLE_BLUE
        if on_edge_x or on_edge_y:
            return BUTTON_OUTLINE
        distance = max(abs(cx - centre), abs(cy - centre)) / (centre - 1)
        glow = max(0.0, 1.0 - distance) ** 1.5
        return mix(face, BUTTON_GLOW, 0.8 * glow)

    return draw_scaled(BUTTON, BUTTON, scale, colour)


MAXIMIZE_ART = [
    "#######",
    "#######",
    "#.....#",
    "#.....#",
    "#.....#",
    "#.....#",
    "#######",
]

RESTORE_ART = [
    "..#####",
    "..#####",
    "..#...#",
    "#####.#",
    "#####.#",
    "#...###",
    "#...#..",
    "#####..",
]

MINIMIZE_ART = [
    "#######",
    "#######",
]

CLOSE_ART = [
    "##...##",
    ".##.##.",
    "..###..",
    "...#...",
    "..###..",
    ".##.##.",
    "##...##",
]

HELP_ART = [
    ".####.",
    "##..##",
    "....##",
    "...##.",
    "..##..",
    "..##..",
    "......",
    "..##..",
    "..##..",
]


# ---------------------------------------------------------------------------
# Program icon
# ---------------------------------------------------------------------------

FILM = (0x14, 0x14, 0x14, 255)
HOLE = (0xE8, 0xE8, 0xE8, 255)
TEAL = (0x1C, 0x9C, 0x9C, 255)
TEAL_LIGHT = (0x6F, 0xD6, 0xCC, 255)
BAR = (0x08, 0x08, 0x08, 255)
BAR_EDGE = (0x80, 0x80, 0x80, 255)
TRACK = (0x9A, 0x9A, 0x9A, 255)
KNOB = (0xD8, 0xD8, 0xD8, 255)
PLAY = (0xE0, 0xE0, 0xE0, 255)


# A design per drawn size: the film strip's layout across its width (one letter per
# diagonal line of pixels: f film, h sprocket holes, l light frame, t teal frame), where it
# starts, the period of holes and frames along it, how many of a period's steps show a hole
# or a frame, the rows of the strip and of the player bar, and the height of the play
# triangle. The 16-pixel design is hinted for its size; every larger icon is the 32-pixel
# design drawn at scale.
ICON_DESIGNS = {
    16: dict(across="fhfltttfhf", first=6, hole=(4, 2), frame=(8, 6), strip_rows=8, bar=(9, 15), play=5),
    32: dict(across="ffhhflllttttttfhhff", first=15, hole=(8, 4), frame=(16, 12), strip_rows=19, bar=(20, 30), play=7),
}

# The sizes of the program icon: the window's icon and the desktop's icon theme.
ICON_SIZES = (16, 32, 48, 64, 128, 256)

# Radius of the player bar's rounded corners, in design pixels; its rim is one design
# pixel wide. At the design size this cuts exactly the bar's four corner pixels.
BAR_CORNER = 2


def icon_colour(design, d, px, py):
    """Colour of the design point (px, py), in design pixels, of a d-pixel design."""
    top, bottom = design["bar"]
    middle = (top + bottom) // 2
    if top <= py < bottom + 1:
        return bar_colour(design, d, px, py, middle)
    if py < design["strip_rows"]:
        k = int(px + py) - 1 - design["first"]
        if not 0 <= k < len(design["across"]):
            return CLEAR
        along = int((px - py) // 1)  # the same for every point on a line across the strip
        kind = design["across"][k]
        hole_period, hole_len = design["hole"]
        frame_period, frame_len = design["frame"]
        if kind == "h" and along % hole_period < hole_len:
            return HOLE
        if kind in "lt" and along % frame_period < frame_len:
            return TEAL_LIGHT if kind == "l" else TEAL
        return FILM
    return CLEAR


def bar_colour(design, d, px, py, middle):
    top, bottom = design["bar"]
    # The play triangle, pointing right, centred on the bar's middle row: its rows are
    # 1, 2, ... design pixels wide up to the middle one and as many down again.
    height = design["play"]
    left = d // 8
    play_top = middle - height // 2
    if px >= left and play_top <= py < play_top + height:
        if px - left < height / 2 + 1 - abs(py - (play_top + height / 2)):
            return PLAY
    # The seek track with its knob a third of the way along.
    track_left = d * 3 // 8
    track_right = d - 3
    knob = track_left + (track_right - track_left) // 3
    if knob <= px < knob + d // 16 + 1 and middle - d // 16 <= py < middle + d // 16 + 1:
        return KNOB
    if track_left <= px < track_right and middle <= py < middle + 1:
        return TRACK
    # Rounded corners: outside the corner circle is clear, its outer pixel the rim.
    cx = BAR_CORNER if px < BAR_CORNER else d - BAR_CORNER if px >= d - BAR_CORNER else None
    cy = top + BAR_CORNER if py < top + BAR_CORNER else bottom + 1 - BAR_CORNER if py >= bottom + 1 - BAR_CORNER else None
    if cx is not None and cy is not None:
        distance = ((px - cx) ** 2 + (py - cy) ** 2) ** 0.5
        if distance > BAR_CORNER:
            return CLEAR
        return BAR_EDGE if distance > BAR_CORNER - 1 else BAR
    rim = px < 1 or px >= d - 1 or py < top + 1 or py >= bottom
    return BAR_EDGE if rim else BAR


def icon(size):
    """A strip of film running diagonally up to the right over a media-player bar.

    The strip follows the pixel diagonals (x + y constant across its length), which
    keeps its edges crisp at every size and the small icons' colours within an 8-bit
    palette. Each pixel takes the colour of the design at the pixel's centre."""
    d = 16 if size < 32 else 32
    design = ICON_DESIGNS[d]
    scale = d / size
    return [
        [icon_colour(design, d, (x + 0.5) * scale, (y + 0.5) * scale) for x in range(size)]
        for y in range(size)
    ]


# ---------------------------------------------------------------------------


def write(name, data):
    with open(os.path.join(RESOURCE_DIR, name), "wb") as handle:
        handle.write(data)


def resources_qrc(names):
    lines = ["<!DOCTYPE RCC>", '<RCC version="1.0">', '<qresource prefix="/pictures">']
    lines += ["    <file>%s</file>" % name for name in names]
    lines += ["</qresource>", "</RCC>", ""]
    return "\n".join(lines).encode("ascii")


def main():
    os.makedirs(RESOURCE_DIR, exist_ok=True)
    frame = {
        "maximize": lambda s: glyph_button("#0c62ac", MAXIMIZE_ART, 3, 3, s),
        "restore": lambda s: glyph_button("#0c62ac", RESTORE_ART, 3, 2, s),
        "minimize": lambda s: glyph_button("#1562af", MINIMIZE_ART, 3, 8, s),
        "close": lambda s: glyph_button("#0c62ac", CLOSE_ART, 3, 3, s),
        "help": lambda s: glyph_button("#0c62ac", HELP_ART, 4, 2, s),
        "title_main": title_main,
        "title_left": title_left,
        "title_right": title_right,
        "window_left": window_left,
        "window_right": window_right,
        "window_bottom": window_bottom,
        "window_bottom_left": window_bottom_left,
        "window_bottom_right": window_bottom_right,
    }
    names = []
    for base, draw in frame.items():
        for scale in SCALES:
            name = base + ("" if scale == 1 else "@%dx" % scale) + ".png"
            write(name, encode_png(draw(scale)))
            names.append(name)
    icons = {size: icon(size) for size in ICON_SIZES}
    write("lorvex.ico", encode_ico([icons[16], icons[32]]))
    for size, pixels in icons.items():
        write("icon%d.png" % size, encode_png(pixels))

    names += ["lorvex.ico"] + ["icon%d.png" % size for size in ICON_SIZES]
    write("resources.qrc", resources_qrc(names))
    for name in names + ["resources.qrc"]:
        print("%-26s %6d bytes" % (name, os.path.getsize(os.path.join(RESOURCE_DIR, name))))
    return 0


if __name__ == "__main__":
    sys.exit(main())
