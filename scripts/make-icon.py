#!/usr/bin/env python3
"""Draws the program's icon, app/vrxuninst.ico: a page with a red round stamp on it.

    scripts/make-icon.py [OUT]

Images of 16, 32 and 48 pixels with an alpha channel for Windows XP on, and 16 and 32 pixels in
the 16 colours of Windows 95 and NT 4.0, which cannot read the others. Only the standard library.
"""
import math
import struct
import sys

VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
       (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def shape(x, y):
    """The colour (r, g, b, a) of a point of the 1x1 square, (0, 0) top left."""
    # The stamp: a red ring with a red disk inside, lower right.
    cx, cy = 0.64, 0.64
    d = math.hypot(x - cx, y - cy)
    if d <= 0.33:
        if d >= 0.27 or d <= 0.19:
            return (200, 20, 20, 255)
        return (255, 255, 255, 255)
    # The page, its top right corner folded.
    left, top, right, bottom, fold = 0.14, 0.05, 0.74, 0.95, 0.2
    if left <= x <= right and top <= y <= bottom and (x - (right - fold)) <= (y - top):
        edge = 0.035
        on_fold = abs((x - (right - fold)) - (y - top)) < edge
        border = (x - left < edge or right - x < edge or y - top < edge or bottom - y < edge
                  or on_fold)
        if border:
            return (64, 64, 64, 255)
        # Lines of text on the page.
        if 0.24 <= x <= 0.62 and any(abs(y - ly) < 0.025 for ly in (0.25, 0.37, 0.49)):
            return (128, 128, 128, 255)
        return (255, 255, 255, 255)
    return (0, 0, 0, 0)


def render(size, samples=4):
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    r, g, b, a = shape((px + (sx + 0.5) / samples) / size,
                                       (py + (sy + 0.5) / samples) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = samples * samples
            a = acc[3] / n
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(c / acc[3]) for c in acc[:3]) + (round(a),))
        pixels.append(row)
    return pixels


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def and_mask(pixels):
    out = b""
    for row in reversed(pixels):
        bits = 0
        data = bytearray()
        for i, p in enumerate(row):
            bits = (bits << 1) | (1 if p[3] < 128 else 0)
            if i % 8 == 7:
                data.append(bits)
                bits = 0
        if len(row) % 8:
            data.append(bits << (8 - len(row) % 8))
        out += padded(bytes(data))
    return out


def header(size, bits, image_bytes):
    return struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0, image_bytes, 0, 0, 0, 0)


def image32(size):
    pixels = render(size)
    xor = b"".join(bytes(c for p in row for c in (p[2], p[1], p[0], p[3]))
                   for row in reversed(pixels))
    mask = and_mask(pixels)
    return header(size, 32, len(xor) + len(mask)) + xor + mask, 0


def nearest(p):
    return min(range(16), key=lambda i: sum((a - b) ** 2 for a, b in zip(p[:3], VGA[i])))


def image4(size):
    pixels = render(size)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in VGA)
    xor = b""
    for row in reversed(pixels):
        idx = [nearest(p) if p[3] >= 128 else 0 for p in row]
        data = bytes((idx[i] << 4) | idx[i + 1] for i in range(0, len(idx), 2))
        xor += padded(data)
    mask = and_mask(pixels)
    return header(size, 4, len(xor) + len(mask)) + palette + xor + mask, 16


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "app/vrxuninst.ico"
    images = [(16, 4, image4(16)), (32, 4, image4(32)), (16, 32, image32(16)),
              (32, 32, image32(32)), (48, 32, image32(48))]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    data = b""
    for size, bits, (blob, colours) in images:
        directory += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bits, len(blob),
                                 offset + len(data))
        data += blob
    with open(out, "wb") as f:
        f.write(directory + data)


if __name__ == "__main__":
    main()
