#!/usr/bin/env python3
"""Draws the program icon, trivane.ico: 32 x 32 pixels, 16 colours (4 bits per pixel).

A triangle cut in two by a line from its apex, with the height line drawn in red: the three
things the tool makes. The picture keeps to the top-left 31 x 26 pixels, the size the window
shows it at. Run it to rebuild the committed icon:  python3 make_icon.py trivane.ico
"""
import struct
import sys

SIZE = 32
# The 16 colours of the standard palette, as (blue, green, red, 0) for the bitmap.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
NAVY, RED, LIME, AQUA = 4, 9, 10, 14

A, B, C = (1, 24), (29, 24), (11, 2)   # base left, base right, apex (x right, y down)
D = (21, 24)                           # where the cut from the apex meets the base


def side(p, q, r):
    return (q[0] - p[0]) * (r[1] - p[1]) - (q[1] - p[1]) * (r[0] - p[0])


def inside(p, a, b, c):
    s1, s2, s3 = side(a, b, p), side(b, c, p), side(c, a, p)
    return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)


def line(pixels, p, q, colour, dash=0):
    (x0, y0), (x1, y1) = p, q
    dx, dy = abs(x1 - x0), -abs(y1 - y0)
    sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
    err, step = dx + dy, 0
    while True:
        if not dash or (step // dash) % 2 == 0:
            pixels[y0][x0] = colour
        step += 1
        if (x0, y0) == (x1, y1):
            break
        e2 = 2 * err
        if e2 >= dy:
            err += dy
            x0 += sx
        if e2 <= dx:
            err += dx
            y0 += sy


def draw():
    pixels = [[None] * SIZE for _ in range(SIZE)]  # None: transparent
    for y in range(SIZE):
        for x in range(SIZE):
            if inside((x, y), A, D, C):
                pixels[y][x] = AQUA
            elif inside((x, y), D, B, C):
                pixels[y][x] = LIME
    line(pixels, C, (C[0], A[1]), RED, dash=2)  # the height line
    for p, q in ((A, B), (B, C), (C, A), (C, D)):
        line(pixels, p, q, NAVY)
    return pixels


def ico(pixels):
    rows = []  # bottom-up, 4 bits per pixel, high nibble first
    mask_rows = []
    for y in reversed(range(SIZE)):
        row = bytearray()
        bits = 0
        mask = bytearray()
        for x in range(SIZE):
            c = pixels[y][x]
            nibble = 0 if c is None else c
            if x % 2 == 0:
                row.append(nibble << 4)
            else:
                row[-1] |= nibble
            bits = (bits << 1) | (1 if c is None else 0)
            if x % 8 == 7:
                mask.append(bits)
                bits = 0
        rows.append(bytes(row))
        mask_rows.append(bytes(mask))
    xor = b"".join(rows)
    andmask = b"".join(mask_rows)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, len(xor) + len(andmask),
                         0, 0, 16, 0)
    image = header + palette + xor + andmask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "trivane.ico"
    with open(out, "wb") as f:
        f.write(ico(draw()))
