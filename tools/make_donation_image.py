#!/usr/bin/env python3
"""Draws the donation-code image: a square code-like pattern of our own.

Run once to refresh app/resources/donation.png; the window shows it stretched
to 200 x 200. Uses only the standard library (PNG written by hand).
"""
import random
import struct
import sys
import zlib

MODULES = 29  # modules per side, as a mid-size two-dimensional code
SCALE = 8     # pixels per module
QUIET = 4     # blank modules around the pattern


def modules():
    rng = random.Random(20261211)
    grid = [[rng.random() < 0.5 for _ in range(MODULES)] for _ in range(MODULES)]

    def finder(top, left):
        for r in range(-1, 8):
            for c in range(-1, 8):
                y, x = top + r, left + c
                if 0 <= y < MODULES and 0 <= x < MODULES:
                    ring = max(abs(r - 3), abs(c - 3))
                    grid[y][x] = ring in (0, 1, 3)

    finder(0, 0)
    finder(0, MODULES - 7)
    finder(MODULES - 7, 0)
    return grid


def png(grid):
    side = (MODULES + 2 * QUIET) * SCALE
    rows = []
    for py in range(side):
        my = py // SCALE - QUIET
        row = bytearray([0])  # filter: none
        for px in range(side):
            mx = px // SCALE - QUIET
            dark = 0 <= my < MODULES and 0 <= mx < MODULES and grid[my][mx]
            row += b"\x10\x60\x30" if dark else b"\xff\xff\xff"
        rows.append(bytes(row))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", side, side, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "app/resources/donation.png"
    with open(out, "wb") as f:
        f.write(png(modules()))
