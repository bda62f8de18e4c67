#!/usr/bin/env python3
"""Draws RUBO's bitmaps and icon into res/ (run again after a change).

Transport symbols are crisp pixel art on white, which the buttons paint in
the button-face colour; the disabled versions are embossed grey.
"""
import os
import struct
import sys

W, H = 14, 12
INK = (0, 0, 96)
GREY = (128, 128, 128)
LIGHT = (255, 255, 255)
BACK = (255, 255, 255)


def canvas(w, h, colour=BACK):
    return [[colour for _ in range(w)] for _ in range(h)]


def fill_polygon(img, points, colour):
    """Even-odd fill sampled at pixel centres."""
    h, w = len(img), len(img[0])
    for y in range(h):
        cy = y + 0.5
        xs = []
        for i, (x1, y1) in enumerate(points):
            x2, y2 = points[(i + 1) % len(points)]
            if (y1 <= cy < y2) or (y2 <= cy < y1):
                xs.append(x1 + (cy - y1) * (x2 - x1) / (y2 - y1))
        xs.sort()
        for a, b in zip(xs[::2], xs[1::2]):
            for x in range(w):
                if a <= x + 0.5 < b:
                    img[y][x] = colour


def rect(img, x0, y0, x1, y1, colour):
    fill_polygon(img, [(x0, y0), (x1, y0), (x1, y1), (x0, y1)], colour)


def shapes(name):
    """Polygons of a symbol in a 14 x 12 box."""
    if name == "play":
        return [[(4, 1), (12, 6), (4, 11)]]
    if name == "pause":
        return [[(3, 1), (6, 1), (6, 11), (3, 11)], [(8, 1), (11, 1), (11, 11), (8, 11)]]
    if name == "stop":
        return [[(2, 1), (12, 1), (12, 11), (2, 11)]]
    if name == "next":
        return [[(2, 1), (7, 6), (2, 11)], [(7, 1), (12, 6), (7, 11)], [(12, 1), (13, 1), (13, 11), (12, 11)]]
    if name == "prev":
        return [[(12, 1), (7, 6), (12, 11)], [(7, 1), (2, 6), (7, 11)], [(1, 1), (2, 1), (2, 11), (1, 11)]]
    if name == "eject":
        return [[(7, 1), (13, 7), (1, 7)], [(1, 9), (13, 9), (13, 11), (1, 11)]]
    raise ValueError(name)


def symbol(name, disabled):
    img = canvas(W, H)
    if disabled:
        # Embossed: a white copy one pixel down-right under a grey one.
        for poly in shapes(name):
            fill_polygon(img, [(x + 1, y + 1) for x, y in poly], (254, 254, 254))
        for poly in shapes(name):
            fill_polygon(img, poly, GREY)
    else:
        for poly in shapes(name):
            fill_polygon(img, poly, INK)
    return img


def help_picture():
    """An Escape key with an arrow back to a larger window."""
    w, h = 96, 48
    img = canvas(w, h, (192, 192, 192))
    rect(img, 4, 10, 40, 38, (64, 64, 64))
    rect(img, 6, 12, 38, 34, (240, 240, 240))
    letters = {  # 5 x 7 glyphs for "Esc"
        "E": ["11111", "10000", "11110", "10000", "10000", "10000", "11111"],
        "s": ["00000", "00000", "01111", "10000", "01110", "00001", "11110"],
        "c": ["00000", "00000", "01110", "10000", "10000", "10001", "01110"],
    }
    x = 11
    for ch in "Esc":
        for row, bits in enumerate(letters[ch]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    img[19 + row][x + col] = (0, 0, 0)
        x += 7
    fill_polygon(img, [(46, 21), (56, 21), (56, 17), (64, 24), (56, 31), (56, 27), (46, 27)], INK)
    rect(img, 68, 8, 92, 40, (0, 0, 128))
    rect(img, 70, 14, 90, 38, (255, 255, 255))
    return img


def bmp_bytes(img):
    h, w = len(img), len(img[0])
    stride = (w * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(img):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        pixels += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + bytes(pixels)


def disc_icon(size):
    """A silver disc with a blue label, 32-bit with alpha."""
    img = [[(0, 0, 0, 0) for _ in range(size)] for _ in range(size)]
    c = (size - 1) / 2
    outer, label, hole = size / 2 - 0.5, size * 0.22, size * 0.07
    for y in range(size):
        for x in range(size):
            d = ((x - c) ** 2 + (y - c) ** 2) ** 0.5
            if d <= outer:
                if d <= hole:
                    continue
                if d <= label:
                    img[y][x] = (40, 70, 170, 255)
                elif d >= outer - 1:
                    img[y][x] = (90, 90, 100, 255)
                else:
                    shade = int(200 + 40 * ((x - y) / size))
                    img[y][x] = (shade, shade, min(255, shade + 15), 255)
    return img


def ico_bytes(images):
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for img in images:
        size = len(img)
        xor = bytearray()
        for row in reversed(img):
            for r, g, b, a in row:
                xor += bytes((b, g, r, a))
        mask_stride = ((size + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(img):
            bits = bytearray(mask_stride)
            for x, (_, _, _, a) in enumerate(row):
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blob = info + bytes(xor) + bytes(mask)
        entries.append(struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..", "res")
    files = {}
    for name in ("play", "pause", "stop", "next", "prev", "eject"):
        files[name + ".bmp"] = bmp_bytes(symbol(name, False))
        if name != "eject":
            files[name + "_disabled.bmp"] = bmp_bytes(symbol(name, True))
    files["tiny_help.bmp"] = bmp_bytes(help_picture())
    # 16 and 32 at 96 DPI; 20/40, 24/48 and 32/64 at 125, 150 and 200 %.
    files["rubo.ico"] = ico_bytes([disc_icon(s) for s in (32, 16, 64, 48, 40, 24, 20)])
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
