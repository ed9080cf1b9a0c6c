#!/usr/bin/env python3
"""Checks a battle window's screenshot: an 8-bit RGB PNG whose centre shows
the map's floor, i.e. mostly drawn (not black) pixels in several distinct
colours of real extent, none of which covers nearly all of it.

Usage: check-battle-frame.py FILE.png [LABEL]"""
import struct
import sys
import zlib
from collections import Counter


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG file")
    at, idat, header = 8, b"", None
    while at + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise ValueError("unexpected PNG layout")
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous, at = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                guess = left if pa <= pb and pa <= pc else (up if pb <= pc else corner)
                line[i] = (line[i] + guess) & 0xFF
        rows.append(line)
        previous = line
    return width, height, channels, rows


def main():
    path = sys.argv[1]
    label = sys.argv[2] if len(sys.argv) > 2 else path
    width, height, channels, rows = read_png(path)
    if width < 320 or height < 240:
        print(f"{label}: frame of {width}x{height} is too small")
        return 1
    # The middle half of the frame in each direction: where the camera looks.
    counts = Counter()
    for y in range(height // 4, height * 3 // 4, 2):
        row = rows[y]
        for x in range(width // 4, width * 3 // 4, 2):
            counts[bytes(row[x * channels:x * channels + 3])] += 1
    total = sum(counts.values())
    drawn = total - counts.get(b"\x00\x00\x00", 0)
    common = counts.most_common(1)[0][1]
    # A colour of real extent: at least half a percent of the region.
    extensive = sum(1 for n in counts.values() if n * 200 >= total)
    print(f"{label}: {width}x{height}, centre {drawn * 100 // total}% drawn, {len(counts)} colours, "
          f"{extensive} of extent, largest {common * 100 // total}%")
    if drawn * 2 < total:
        print(f"{label}: the centre of the frame is mostly empty")
        return 1
    if extensive < 4 or common * 10 >= total * 9:
        print(f"{label}: the centre of the frame shows no floor tiles, only a flat colour")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
