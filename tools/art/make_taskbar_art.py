#!/usr/bin/env python3
"""Draws the taskbar thumbnail buttons' icons into res/: Previous, Play,
Pause and Next, white with a dark edge so that they show on any taskbar
colour, at 16, 20, 24 and 32 pixels (96 to 200 DPI)."""
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
from make_art import H, W, fill_polygon, ico_bytes, shapes  # noqa: E402

FACE = (255, 255, 255, 255)
EDGE = (32, 32, 48, 255)
CLEAR = (0, 0, 0, 0)


def icon(name, size):
    # The 14 x 12 symbol scaled into the square with a pixel of edge around it.
    scale = (size - 4) / max(W, H)
    dx = (size - W * scale) / 2
    dy = (size - H * scale) / 2
    face = [[None] * size for _ in range(size)]
    for poly in shapes(name):
        fill_polygon(face, [(dx + x * scale, dy + y * scale) for x, y in poly], FACE)
    img = [[CLEAR] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            if face[y][x]:
                img[y][x] = FACE
            elif any(0 <= y + j < size and 0 <= x + i < size and face[y + j][x + i]
                     for j in (-1, 0, 1) for i in (-1, 0, 1)):
                img[y][x] = EDGE
    return img


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..", "res")
    for name in ("prev", "play", "pause", "next"):
        with open(os.path.join(out, "taskbar_" + name + ".ico"), "wb") as f:
            f.write(ico_bytes([icon(name, s) for s in (16, 20, 24, 32)]))


if __name__ == "__main__":
    main()
