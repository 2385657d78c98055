#!/usr/bin/env python3
"""Draws Velmora's icon from one description of its shapes.

The picture: a rounded indigo tile holding a white "V" whose right stroke
turns into a gold key, the code that opens the text. Pure Python, no
dependencies.

  make_icon.py                 writes velmora.png and velmora.ico (48 x 48)
                               beside this script; they are committed, so
                               the build does not need it
  make_icon.py --hicolor DIR NAME
                               writes the icon theme sizes as
                               DIR/<n>x<n>/apps/NAME.png and the scalable
                               DIR/scalable/apps/NAME.svg, all from the same
                               shapes (the package build runs this)
"""
import math
import pathlib
import struct
import sys
import zlib

SIZE = 48  # the drawing's own units; other sizes scale it
SAMPLES = 4  # supersampling per axis
HICOLOR_SIZES = (16, 24, 32, 48, 64, 128, 256)

WHITE = (250, 250, 255)
GOLD = (255, 205, 64)
TILE_RADIUS = 9.0
# The tile's colour runs from TOP at y = 0 to BOTTOM at y = SIZE.
TILE_TOP = (58, 46, 150)
TILE_BOTTOM = (88, 66, 110)

# The shapes on the tile, topmost first: ("line", ax, ay, bx, by, half width,
# colour) is a stroke with round ends, ("ring", cx, cy, inner, outer, colour)
# a ring.
SHAPES = (
    ("line", 12, 11, 22, 37, 3.6, WHITE),  # the left stroke of the V
    ("line", 22, 37, 31, 17, 3.6, GOLD),  # the right stroke, a key shaft
    ("ring", 34, 11, 3.0, 6.6, GOLD),  # ending in a ring at the top
    ("line", 27, 27, 32, 29, 1.6, GOLD),  # key teeth on the shaft
    ("line", 25, 32, 29, 34, 1.6, GOLD),
)


def seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def inside_tile(x, y):
    r = TILE_RADIUS
    cx = min(max(x, r + 1), SIZE - r - 1)
    cy = min(max(y, r + 1), SIZE - r - 1)
    return math.hypot(x - cx, y - cy) <= r


def shade(x, y):
    """Colour (r, g, b, a) of one sample point, in drawing units."""
    if not inside_tile(x, y):
        return (0, 0, 0, 0)
    for shape in SHAPES:
        if shape[0] == "line":
            _, ax, ay, bx, by, half, colour = shape
            if seg_dist(x, y, ax, ay, bx, by) <= half:
                return colour + (255,)
        else:
            _, cx, cy, inner, outer, colour = shape
            if inner <= math.hypot(x - cx, y - cy) <= outer:
                return colour + (255,)
    t = y / SIZE
    return tuple(int(a + (b - a) * t) for a, b in zip(TILE_TOP, TILE_BOTTOM)) + (255,)


def render(size=SIZE):
    scale = SIZE / size
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = shade((px + (sx + 0.5) / SAMPLES) * scale,
                              (py + (sy + 0.5) / SAMPLES) * scale)
                    a = c[3]
                    acc[0] += c[0] * a
                    acc[1] += c[1] * a
                    acc[2] += c[2] * a
                    acc[3] += a
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if acc[3]:
                rgb = [round(acc[i] / acc[3]) for i in range(3)]
            else:
                rgb = [0, 0, 0]
            row.append((rgb[0], rgb[1], rgb[2], round(alpha)))
        pixels.append(row)
    return pixels


def png(pixels):
    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in pixels)

    def chunk(tag, data):
        return (struct.pack(">I", len(data)) + tag + data +
                struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", len(pixels[0]), len(pixels), 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico(pixels):
    # One 32-bpp DIB image: BGRA rows bottom-up, then a 1-bpp AND mask.
    xor = b"".join(bytes((p[2], p[1], p[0], p[3])) for row in reversed(pixels) for p in row)
    mask_row = ((SIZE + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_row)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    dib = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(mask),
                      0, 0, 0, 0) + xor + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(dib), 6 + 16)
    return directory + entry + dib


def svg():
    """The same shapes as a scalable picture, bottommost first."""
    def colour(c):
        return "#%02x%02x%02x" % c

    edge = SIZE - 2
    parts = [
        '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">'
        % (SIZE, SIZE, SIZE, SIZE),
        '<defs><linearGradient id="tile" gradientUnits="userSpaceOnUse" x1="0" y1="0" x2="0" '
        'y2="%d"><stop offset="0" stop-color="%s"/><stop offset="1" stop-color="%s"/>'
        '</linearGradient>' % (SIZE, colour(TILE_TOP), colour(TILE_BOTTOM)),
        '<clipPath id="edge"><rect x="1" y="1" width="%d" height="%d" rx="%g"/></clipPath>'
        '</defs>' % (edge, edge, TILE_RADIUS),
        '<rect x="1" y="1" width="%d" height="%d" rx="%g" fill="url(#tile)"/>'
        % (edge, edge, TILE_RADIUS),
        '<g clip-path="url(#edge)" fill="none">',
    ]
    for shape in reversed(SHAPES):
        if shape[0] == "line":
            _, ax, ay, bx, by, half, c = shape
            parts.append('<line x1="%g" y1="%g" x2="%g" y2="%g" stroke="%s" stroke-width="%g" '
                         'stroke-linecap="round"/>' % (ax, ay, bx, by, colour(c), 2 * half))
        else:
            _, cx, cy, inner, outer, c = shape
            parts.append('<circle cx="%g" cy="%g" r="%g" stroke="%s" stroke-width="%g"/>'
                         % (cx, cy, (inner + outer) / 2, colour(c), outer - inner))
    parts += ["</g>", "</svg>", ""]
    return "\n".join(parts)


def hicolor(folder, name):
    for size in HICOLOR_SIZES:
        target = folder / ("%dx%d" % (size, size)) / "apps"
        target.mkdir(parents=True, exist_ok=True)
        (target / (name + ".png")).write_bytes(png(render(size)))
    target = folder / "scalable" / "apps"
    target.mkdir(parents=True, exist_ok=True)
    (target / (name + ".svg")).write_text(svg(), encoding="utf-8")


def main(arguments):
    if len(arguments) == 3 and arguments[0] == "--hicolor":
        hicolor(pathlib.Path(arguments[1]), arguments[2])
        return 0
    if arguments:
        print(__doc__, file=sys.stderr)
        return 2
    here = pathlib.Path(__file__).resolve().parent
    pixels = render()
    (here / "velmora.png").write_bytes(png(pixels))
    (here / "velmora.ico").write_bytes(ico(pixels))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
