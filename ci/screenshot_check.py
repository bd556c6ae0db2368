#!/usr/bin/env python3
"""Checks that a screenshot of the viewer's page shows its drawings.

    screenshot_check.py SHOT.png "plan:x,y,w,h profile:x,y,w,h ..."

The second argument is the page's data-drawings attribute: where each canvas
stands, in CSS pixels (the screenshot is taken at a device scale of 1). For
each canvas the region of the screenshot must hold a drawing: many colours
(lines, shades, text smoothed against the background) and a good share of
pixels that are not the background. Prints the figures; exits 1 when a
drawing is blank. Reads the PNG with the standard library alone (zlib).
"""
import struct
import sys
import zlib


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(path + ": not a PNG file")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise ValueError(path + ": only 8-bit RGB or RGBA, not interlaced")
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        previous = line
    return width, height, channels, rows


def main():
    path, drawings = sys.argv[1], sys.argv[2]
    width, height, channels, rows = read_png(path)
    blank = []
    for entry in drawings.split():
        name, box = entry.split(":")
        x, y, w, h = (int(v) for v in box.split(","))
        x1, y1 = min(width, x + w), min(height, y + h)
        if x >= x1 or y >= y1:
            print(f"{name}: outside the screenshot ({width}x{height})")
            blank.append(name)
            continue
        counts = {}
        for row in rows[y:y1]:
            for i in range(x * channels, x1 * channels, channels):
                colour = row[i:i + 3]
                counts[colour] = counts.get(colour, 0) + 1
        total = (x1 - x) * (y1 - y)
        background = max(counts.values())
        drawn = 1 - background / total
        print(f"{name}: {len(counts)} colours, {drawn:.1%} of {total} pixels drawn")
        if len(counts) < 40 or drawn < 0.02:
            blank.append(name)
    if blank:
        print("blank: " + ", ".join(blank))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
