#!/usr/bin/env python3
"""Draws the program icon and writes it as a Windows .ico file.

The icon is a clipboard with a sheet of paper and two arrows chasing each
other across it: switching the clipboard's text. Each image (16 to 96
pixels, the sizes Windows asks for at the usual display scalings) is drawn
with 4x4 supersampling and then mapped to the 16-colour Windows palette, as
4 bits per pixel with a 1-bit transparency mask.

With --paused it draws the tray's icon while the recording is paused: the
arrows stand still in grey, and a red disc with the two white bars of a
pause sign covers the lower right corner, its bars on whole pixels at 16x16.

Usage: make_icon.py [--paused] OUTPUT.ico
"""
import struct
import sys

# The standard 16-colour Windows palette (R, G, B).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREY, SILVER, WHITE, BLUE, NAVY, TEAL, OLIVE, YELLOW = 0, 1, 8, 7, 15, 12, 4, 6, 3, 11


def rounded_rect(x, y, x0, y0, x1, y1, r):
    if not (x0 <= x <= x1 and y0 <= y <= y1):
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def arrow_band(x, y, cx, cy, r_in, r_out, upper):
    """Half a ring, the upper or the lower half."""
    d2 = (x - cx) ** 2 + (y - cy) ** 2
    if not (r_in * r_in <= d2 <= r_out * r_out):
        return False
    return y <= cy if upper else y >= cy


def arrow_head(x, y, tip_x, tip_y, size, pointing_down):
    # A triangle whose tip is at (tip_x, tip_y).
    dy = (tip_y - y) if pointing_down else (y - tip_y)
    if dy < 0 or dy > size:
        return False
    return abs(x - tip_x) <= dy


RED = 9


def pause_sign(x, y):
    """The pause sign's colour at a point, or None outside its disc."""
    if (x - 0.72) ** 2 + (y - 0.69) ** 2 > 0.31 ** 2:
        return None
    if 0.5 <= y < 0.875 and (0.5625 <= x < 0.6875 or 0.75 <= x < 0.875):
        return WHITE
    return RED


def colour_at(x, y, paused=False):
    """Colour index at a point of the unit square (0..1), or None for transparent."""
    if paused:
        sign = pause_sign(x, y)
        if sign is not None:
            return sign
        colour = colour_at(x, y)
        return GREY if colour in (BLUE, TEAL) else colour
    # The clip at the top.
    if rounded_rect(x, y, 0.36, 0.02, 0.64, 0.16, 0.04):
        return GREY if not rounded_rect(x, y, 0.40, 0.05, 0.60, 0.13, 0.02) else SILVER
    # The board.
    if rounded_rect(x, y, 0.10, 0.08, 0.90, 0.98, 0.08):
        if rounded_rect(x, y, 0.18, 0.18, 0.82, 0.92, 0.02):
            # Two arrows: a blue one over the top, a teal one under the bottom.
            if arrow_band(x, y, 0.50, 0.55, 0.16, 0.25, True) and x < 0.62:
                return BLUE
            if arrow_head(x, y, 0.70, 0.62, 0.14, True) and y >= 0.48:
                return BLUE
            if arrow_band(x, y, 0.50, 0.55, 0.16, 0.25, False) and x > 0.38:
                return TEAL
            if arrow_head(x, y, 0.30, 0.48, 0.14, False) and y <= 0.62:
                return TEAL
            return WHITE
        return MAROON if (x < 0.14 or x > 0.86 or y > 0.94) else OLIVE
    return None


def nearest(rgb):
    return min(range(16), key=lambda i: sum((a - b) ** 2 for a, b in zip(rgb, PALETTE[i])))


def draw(size, paused):
    pixels = []
    n = 4
    for py in range(size):
        row = []
        for px in range(size):
            samples = []
            for sy in range(n):
                for sx in range(n):
                    c = colour_at((px + (sx + 0.5) / n) / size, (py + (sy + 0.5) / n) / size, paused)
                    samples.append(c)
            solid = [c for c in samples if c is not None]
            if len(solid) * 2 < len(samples):
                row.append(None)
                continue
            # The most frequent colour keeps small sizes crisp.
            row.append(max(set(solid), key=solid.count))
        pixels.append(row)
    return pixels


def bmp_image(size, paused):
    pixels = draw(size, paused)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    xor_row_bytes = ((size * 4 + 31) // 32) * 4
    and_row_bytes = ((size + 31) // 32) * 4
    xor = b''
    mask = b''
    for row in reversed(pixels):  # bottom-up
        nibbles = [(c if c is not None else 0) for c in row]
        data = bytes((nibbles[i] << 4) | (nibbles[i + 1] if i + 1 < size else 0) for i in range(0, size, 2))
        xor += data.ljust(xor_row_bytes, b'\0')
        bits = 0
        out = bytearray()
        for i, c in enumerate(row):
            bits = (bits << 1) | (1 if c is None else 0)
            if i % 8 == 7:
                out.append(bits)
                bits = 0
        if size % 8:
            out.append(bits << (8 - size % 8))
        mask += bytes(out).ljust(and_row_bytes, b'\0')
    return header + palette + xor + mask


def main():
    # The small icon (16) and the large one (48) at 100, 125, 150 and 200 %
    # display scaling, and 32 for Alt+Tab.
    paused = sys.argv[1] == '--paused'
    sizes = [16, 20, 24, 32, 48, 60, 72, 96]
    images = [bmp_image(s, paused) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, img in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s, s, 16, 0, 1, 4, len(img), offset)
        offset += len(img)
    out += b''.join(images)
    with open(sys.argv[-1], 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()
