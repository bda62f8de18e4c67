#!/usr/bin/env python3
"""Draws the Options sheet's pictures into res/: the Database page's three
16 x 16 icons (artist, album, song) and the greeting page's bitmap."""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
from make_art import bmp_bytes, canvas, disc_icon, fill_polygon, ico_bytes  # noqa: E402

CLEAR = (0, 0, 0, 0)


def icon(draw):
    img = [[CLEAR for _ in range(16)] for _ in range(16)]
    draw(img)
    return img


def fill(img, points, colour):
    rgb = [[None for _ in range(16)] for _ in range(16)]
    fill_polygon(rgb, points, colour)
    for y in range(16):
        for x in range(16):
            if rgb[y][x] is not None:
                img[y][x] = rgb[y][x] + (255,)


def artist(img):
    dark = (40, 60, 120)
    for y in range(16):
        for x in range(16):
            if (x - 7.5) ** 2 + (y - 4.5) ** 2 <= 10:
                img[y][x] = dark + (255,)
    fill(img, [(2, 15), (3, 10), (6, 8.5), (9, 8.5), (12, 10), (13, 15)], dark)


def song(img):
    ink = (20, 20, 20)
    fill(img, [(9, 1), (11, 1), (11, 12), (9, 12)], ink)
    fill(img, [(11, 1), (15, 3), (15, 5), (11, 3)], ink)
    for y in range(16):
        for x in range(16):
            if ((x - 7) / 3.2) ** 2 + ((y - 12.5) / 2.4) ** 2 <= 1:
                img[y][x] = ink + (255,)


def egg_picture():
    """A stage with a spotlight and a lantern: 120 x 60."""
    img = canvas(120, 60, (20, 20, 40))
    fill_polygon(img, [(50, 0), (70, 0), (100, 50), (20, 50)], (60, 60, 90))
    fill_polygon(img, [(0, 50), (120, 50), (120, 60), (0, 60)], (110, 70, 30))
    fill_polygon(img, [(55, 22), (65, 22), (67, 44), (53, 44)], (240, 200, 60))
    fill_polygon(img, [(57, 18), (63, 18), (63, 22), (57, 22)], (90, 90, 90))
    return img


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..", "res")
    files = {
        "db_artist.ico": ico_bytes([icon(artist)]),
        "db_album.ico": ico_bytes([disc_icon(16)]),
        "db_song.ico": ico_bytes([icon(song)]),
        "egg.bmp": bmp_bytes(egg_picture()),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
