#!/usr/bin/env python3
"""Draws Hoardium's icons and writes them to res/*.ico.

Pure standard library: every shape is a point-inside test, rasterised with 8x8
supersampling, so edges are smooth but edges placed on whole pixels stay sharp.
Each icon is designed on a 16-unit grid; the application icon is drawn again at
32 and 48 pixels from the same grid with strokes kept to whole pixels.

    scripts/make_icons.py              write res/*.ico
    scripts/make_icons.py --png DIR    also write enlarged previews to DIR
"""

import argparse
import math
import os
import struct
import zlib

SAMPLES = 8  # per pixel side

# ---------------------------------------------------------------------------
# Shapes: each is (inside(x, y) -> bool, bounding box) in icon units.


class Shape:
    def __init__(self, inside, box):
        self.inside = inside
        self.box = box  # (x0, y0, x1, y1)

    def __sub__(self, other):
        a, b = self.inside, other.inside
        return Shape(lambda x, y: a(x, y) and not b(x, y), self.box)

    def __or__(self, other):
        a, b = self.inside, other.inside
        box = (min(self.box[0], other.box[0]), min(self.box[1], other.box[1]),
               max(self.box[2], other.box[2]), max(self.box[3], other.box[3]))
        return Shape(lambda x, y: a(x, y) or b(x, y), box)


def rect(x0, y0, x1, y1):
    return Shape(lambda x, y: x0 <= x < x1 and y0 <= y < y1, (x0, y0, x1, y1))


def round_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return Shape(inside, (x0, y0, x1, y1))


def circle(cx, cy, r):
    return Shape(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r,
                 (cx - r, cy - r, cx + r, cy + r))


def line(ax, ay, bx, by, w):
    """A stroke of width w from a to b, with round ends."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    h = w / 2.0

    def inside(x, y):
        t = min(max(((x - ax) * dx + (y - ay) * dy) / length2, 0.0), 1.0)
        px, py = ax + t * dx - x, ay + t * dy - y
        return px * px + py * py <= h * h
    return Shape(inside, (min(ax, bx) - h, min(ay, by) - h, max(ax, bx) + h, max(ay, by) + h))


def rotated(shape, cx, cy, degrees):
    """The shape turned about (cx, cy); its box grows to the turned box's bounds."""
    c, s = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))
    inner = shape.inside

    def inside(x, y):
        dx, dy = x - cx, y - cy
        return inner(cx + dx * c + dy * s, cy - dx * s + dy * c)
    x0, y0, x1, y1 = shape.box
    corners = [(x0, y0), (x1, y0), (x0, y1), (x1, y1)]
    turned = [(cx + (px - cx) * c - (py - cy) * s, cy + (px - cx) * s + (py - cy) * c)
              for px, py in corners]
    return Shape(inside, (min(p[0] for p in turned), min(p[1] for p in turned),
                          max(p[0] for p in turned), max(p[1] for p in turned)))


# ---------------------------------------------------------------------------
# Canvas: premultiplied RGBA floats, painted back to front.


class Canvas:
    def __init__(self, size, units=16):
        self.size = size
        self.scale = size / units
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(size * size)]

    def fill(self, shape, color):
        r, g, b = (int(color[i:i + 2], 16) / 255.0 for i in (1, 3, 5))
        s = self.scale
        x0, y0, x1, y1 = shape.box
        i0, j0 = max(int(math.floor(x0 * s)), 0), max(int(math.floor(y0 * s)), 0)
        i1, j1 = min(int(math.ceil(x1 * s)), self.size), min(int(math.ceil(y1 * s)), self.size)
        offsets = [(k + 0.5) / SAMPLES for k in range(SAMPLES)]
        inside = shape.inside
        for j in range(j0, j1):
            ys = [(j + o) / s for o in offsets]
            for i in range(i0, i1):
                xs = [(i + o) / s for o in offsets]
                hits = sum(1 for y in ys for x in xs if inside(x, y))
                if not hits:
                    continue
                a = hits / (SAMPLES * SAMPLES)
                p = self.px[j * self.size + i]
                keep = 1.0 - a
                p[0] = r * a + p[0] * keep
                p[1] = g * a + p[1] * keep
                p[2] = b * a + p[2] * keep
                p[3] = a + p[3] * keep

    def rgba(self):
        """Rows top-down of straight (not premultiplied) 8-bit RGBA tuples."""
        rows = []
        for j in range(self.size):
            row = []
            for i in range(self.size):
                r, g, b, a = self.px[j * self.size + i]
                a8 = int(round(a * 255))
                if a8 == 0:
                    row.append((0, 0, 0, 0))
                    continue
                row.append(tuple(min(255, int(round(c / a * 255))) for c in (r, g, b)) + (a8,))
            rows.append(row)
        return rows


# ---------------------------------------------------------------------------
# The application icon: a clipboard in strong blue holding a stack of sheets.

BLUE = "#1f6fd6"
BLUE_DARK = "#0d3f86"
INK = "#33475e"


def draw_app(size, grey=False):
    c = Canvas(size)
    px = 1.0 / c.scale  # one pixel in units, so strokes stay whole pixels
    edge = px if size < 48 else 2 * px
    board, board_edge = (BLUE, BLUE_DARK) if not grey else ("#9a9a9a", "#5c5c5c")
    paper_edge = "#5f7390" if not grey else "#7a7a7a"
    ink = INK if not grey else "#6e6e6e"
    clip, clip_edge = ("#d9dee6", "#2e3846") if not grey else ("#dcdcdc", "#4a4a4a")

    r = 1.5 if size > 16 else 1.0
    c.fill(round_rect(1, 2, 15, 16, r), board_edge)
    c.fill(round_rect(1 + edge, 2 + edge, 15 - edge, 16 - edge, r - edge), board)

    # Older sheets peek out behind the front one: the earlier entries of the history.
    # At 16 pixels a one-unit step would show only edges, so one sheet stands behind.
    snap = lambda v: round(v * c.scale) * px
    if size == 16:
        sheets = [(5, 4, 13, 13, "#d3dce8" if not grey else "#d6d6d6"),
                  (3, 6, 11, 15, "#ffffff")]
    else:
        sheets = [(5, 4, 13, 13, "#c9d4e3" if not grey else "#cfcfcf"),
                  (4, 5, 12, 14, "#e6ecf4" if not grey else "#e6e6e6"),
                  (3, 6, 11, 15, "#ffffff")]
    for x0, y0, x1, y1, paper in sheets:
        c.fill(rect(x0, y0, x1, y1), paper_edge)
        c.fill(rect(x0 + px, y0 + px, x1 - px, y1 - px), paper)
    for y, end in [(8, 9), (10, 9), (12, 7)]:
        if size == 16:
            c.fill(rect(5, y, end, y + 1), ink)
        else:
            c.fill(round_rect(snap(4.5), y, snap(end + 0.5), y + 1, 0.5 * (size == 48)), ink)

    # The clip at the top of the board.
    if size == 16:
        c.fill(rect(5, 0, 11, 4), clip_edge)
        c.fill(rect(6, 2, 10, 3), clip)
    else:
        c.fill(round_rect(5, 0.5, 11, 4.5, 1.0), clip_edge)
        c.fill(round_rect(5 + edge, 0.5 + edge, 11 - edge, 4.5 - edge, 1.0 - edge), clip)
        c.fill(round_rect(6.5, 1.5, 9.5, 2.5, 0.5), clip_edge)
    return c


def draw_paused():
    c = draw_app(16, grey=True)
    # Two bold bars with a light rim read as "paused" on light and dark trays alike.
    for x in (5, 9):
        c.fill(rect(x - 1, 5, x + 3, 15), "#ffffff")
    for x in (5, 9):
        c.fill(rect(x, 6, x + 2, 14), "#2b2b2b")
    return c


# ---------------------------------------------------------------------------
# Toolbar glyphs, 16x16, for a grey button face.

GLYPH = "#3c4654"


def draw_options():
    c = Canvas(16)
    teeth = Shape(lambda x, y: False, (0, 0, 0, 0))
    for k in range(8):
        teeth = teeth | rotated(rect(7, 1, 9, 4), 8, 8, k * 45)
    gear = (circle(8, 8, 5.2) | teeth) - circle(8, 8, 2.1)
    c.fill(gear, GLYPH)
    return c


def draw_window(c, body_fill):
    c.fill(rect(1, 1, 15, 15), "#44546a")
    c.fill(rect(2, 2, 14, 14), "#ffffff")
    c.fill(rect(2, 2, 14, 4), "#5b86c0")  # title band
    for y in (5, 7):
        c.fill(rect(3, y, 13, y + 1), "#8ea0b8")
    body_fill(c)


def draw_preview_open():
    c = Canvas(16)

    def pane(c):
        c.fill(rect(2, 9, 14, 10), "#44546a")
        c.fill(rect(2, 10, 14, 14), "#cfe1fb")
        c.fill(rect(3, 11, 12, 12), BLUE)
        c.fill(rect(3, 13, 9, 14), BLUE)
    draw_window(c, pane)
    return c


def draw_preview_closed():
    c = Canvas(16)

    def empty(c):
        c.fill(rect(2, 9, 14, 10), "#44546a")
        # A small arrow pointing down: the pane that would open here.
        c.fill(rect(5, 11, 11, 12) | rect(6, 12, 10, 13) | rect(7, 13, 9, 14), "#6f7f95")
    draw_window(c, empty)
    return c


def draw_decor():
    c = Canvas(16)
    # A little stack of rows; neutral, since it is not a button.
    for y, x1 in ((4, 13), (7, 13), (10, 13)):
        c.fill(rect(3, y, x1, y + 2), "#5f6b7d")
        c.fill(rect(3, y, x1, y + 1), "#8a95a6")
    return c


def draw_sheet(c, x0, y0, x1, y1, fill, lines):
    c.fill(rect(x0, y0, x1, y1), "#4d5b70")
    c.fill(rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1), fill)
    for y, end in lines:
        c.fill(rect(x0 + 2, y, end, y + 1), "#8ea0b8")


def draw_copy():
    c = Canvas(16)
    draw_sheet(c, 1, 1, 10, 12, "#e4eaf2", [(4, 7), (6, 7)])
    draw_sheet(c, 6, 4, 15, 15, "#ffffff", [(7, 13), (9, 13), (11, 11)])
    return c


def draw_delete():
    c = Canvas(16)
    cross = line(3.5, 3.5, 12.5, 12.5, 4.0) | line(12.5, 3.5, 3.5, 12.5, 4.0)
    c.fill(cross, "#8e1212")
    inner = line(3.5, 3.5, 12.5, 12.5, 2.4) | line(12.5, 3.5, 3.5, 12.5, 2.4)
    c.fill(inner, "#e23b2e")
    return c


PIN_RED, PIN_RED_DARK, PIN_SHINE = "#e0382c", "#7a1010", "#f6a097"
NEEDLE = "#505a66"


def draw_pin_on():
    """Upright and pushed in, point down: the window is held in place."""
    c = Canvas(16)
    c.fill(rect(7, 10, 8, 16), NEEDLE)
    c.fill(rect(4, 0, 11, 3) | rect(5, 3, 10, 8) | rect(2, 8, 13, 11), PIN_RED_DARK)
    c.fill(rect(5, 1, 10, 2) | rect(6, 2, 9, 8) | rect(3, 9, 12, 10), PIN_RED)
    c.fill(rect(6, 3, 7, 7), PIN_SHINE)
    return c


def draw_pin_off():
    """Lying on its side, point to the left, hollow: nothing is held."""
    c = Canvas(16)
    c.fill(rect(0, 7, 5, 8), NEEDLE)
    c.fill(rect(13, 4, 16, 11) | rect(8, 5, 13, 10) | rect(5, 2, 8, 13), "#4a5566")
    c.fill(rect(14, 5, 15, 10) | rect(8, 6, 14, 9) | rect(6, 3, 7, 12), "#ffffff")
    return c


# ---------------------------------------------------------------------------
# Files.


def ico_bytes(canvases):
    """An .ico of 32-bit BGRA images with AND masks, rows bottom-up, largest first."""
    images = []
    for c in canvases:
        n = c.size
        rows = c.rgba()
        xor = bytearray()
        for row in reversed(rows):
            for r, g, b, a in row:
                xor += bytes((b, g, r, a))
        mask_stride = ((n + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(rows):
            bits = bytearray(mask_stride)
            for i, p in enumerate(row):
                if p[3] == 0:
                    bits[i // 8] |= 0x80 >> (i % 8)
            mask += bits
        header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        images.append((n, header + bytes(xor) + bytes(mask)))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for n, data in images:
        out += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return bytes(out)


def png_bytes(rows):
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for p in row:
            raw += bytes(p)
    h, w = len(rows), len(rows[0])

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def over(p, bg):
    a = p[3] / 255.0
    return tuple(int(round(p[k] * a + bg[k] * (1 - a))) for k in range(3))


def preview_sheet(icons):
    """Each icon at its real size on white, button face, classic grey and a dark tray,
    then enlarged 8 times on the button face."""
    backgrounds = [(255, 255, 255), (240, 240, 240), (192, 192, 192), (32, 32, 32)]
    zoom, pad = 8, 4
    cell = 48 + pad
    width = pad + len(backgrounds) * cell + 48 * zoom + pad
    tiles = [c for _, canvases in icons for c in canvases]
    height = pad + sum(c.size * zoom + pad for c in tiles)
    sheet = [[(128, 128, 128)] * width for _ in range(height)]
    y = pad
    for c in tiles:
        rows = c.rgba()
        x = pad
        for bg in backgrounds:
            for j in range(48):
                for i in range(48):
                    sheet[y + j][x + i] = bg
            off = (48 - c.size) // 2
            for j in range(c.size):
                for i in range(c.size):
                    sheet[y + off + j][x + off + i] = over(rows[j][i], bg)
            x += cell
        for j in range(c.size * zoom):
            for i in range(c.size * zoom):
                sheet[y + j][x + i] = over(rows[j // zoom][i // zoom], (240, 240, 240))
        y += c.size * zoom + pad
    return png_bytes(sheet)


ICONS = [
    ("app", lambda: [draw_app(48), draw_app(32), draw_app(16)]),
    ("paused", lambda: [draw_paused()]),
    ("options", lambda: [draw_options()]),
    ("preview_open", lambda: [draw_preview_open()]),
    ("preview_closed", lambda: [draw_preview_closed()]),
    ("decor", lambda: [draw_decor()]),
    ("copy", lambda: [draw_copy()]),
    ("delete", lambda: [draw_delete()]),
    ("pin_off", lambda: [draw_pin_off()]),
    ("pin_on", lambda: [draw_pin_on()]),
]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--png", metavar="DIR", help="also write enlarged previews here")
    parser.add_argument("--out", default=os.path.join(os.path.dirname(__file__), "..", "res"),
                        help="where the .ico files go (default: res/)")
    args = parser.parse_args()
    drawn = [(name, make()) for name, make in ICONS]
    for name, canvases in drawn:
        with open(os.path.join(args.out, name + ".ico"), "wb") as f:
            f.write(ico_bytes(canvases))
    if args.png:
        os.makedirs(args.png, exist_ok=True)
        with open(os.path.join(args.png, "icons.png"), "wb") as f:
            f.write(preview_sheet(drawn))
        strip = [[(240, 240, 240)] * (len(drawn) * 20 + 4) for _ in range(20)]
        for k, (_, canvases) in enumerate(drawn):
            small = canvases[-1].rgba()
            for j in range(16):
                for i in range(16):
                    strip[2 + j][4 + k * 20 + i] = over(small[j][i], (240, 240, 240))
        with open(os.path.join(args.png, "toolbar.png"), "wb") as f:
            f.write(png_bytes(strip))


if __name__ == "__main__":
    main()
