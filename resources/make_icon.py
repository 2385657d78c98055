#!/usr/bin/env python3
"""Draws Velmora's 48 x 48 icon and writes velmora.png and velmora.ico.

The picture: a rounded indigo tile holding a white "V" whose right stroke
turns into a gold key, the code that opens the text. Pure Python, no
dependencies; the outputs are committed, so the build does not need it.
"""
import math
import pathlib
import struct
import zlib

SIZE = 48
SAMPLES = 4  # supersampling per axis


def seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def inside_tile(x, y):
    r = 9.0
    cx = min(max(x, r + 1), SIZE - r - 1)
    cy = min(max(y, r + 1), SIZE - r - 1)
    return math.hypot(x - cx, y - cy) <= r


def shade(x, y):
    """Colour (r, g, b, a) of one sample point."""
    if not inside_tile(x, y):
        return (0, 0, 0, 0)
    t = y / SIZE
    base = (int(58 + 30 * t), int(46 + 20 * t), int(150 - 40 * t))
    # The left stroke of the V.
    if seg_dist(x, y, 12, 11, 22, 37) <= 3.6:
        return (250, 250, 255, 255)
    # The right stroke, a key shaft ending in a ring at the top.
    if seg_dist(x, y, 22, 37, 31, 17) <= 3.6:
        return (255, 205, 64, 255)
    ring = math.hypot(x - 34, y - 11)
    if 3.0 <= ring <= 6.6:
        return (255, 205, 64, 255)
    # Key teeth on the shaft.
    if seg_dist(x, y, 27, 27, 32, 29) <= 1.6 or seg_dist(x, y, 25, 32, 29, 34) <= 1.6:
        return (255, 205, 64, 255)
    return base + (255,)


def render():
    pixels = []
    for py in range(SIZE):
        row = []
        for px in range(SIZE):
            acc = [0, 0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = shade(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
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

    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
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


def main():
    here = pathlib.Path(__file__).resolve().parent
    pixels = render()
    (here / "velmora.png").write_bytes(png(pixels))
    (here / "velmora.ico").write_bytes(ico(pixels))


if __name__ == "__main__":
    main()
