#!/usr/bin/env python3
"""Draws the program icon (a rolodex card with three link rows) and writes it
as a Windows .ico with 16, 32 and 48 pixel images, 32 bits a pixel (the
program's resource), as Webrolo48x48.ico with the 48 pixel image alone (the
caption icon read from the work folder), and as a 48 pixel PNG (the desktop's
icon theme). Run it in this folder to regenerate them; the build uses the
committed files."""
import struct
import sys
import zlib


def pixel(size, x, y):
    s = size / 48.0
    u, v = x / s, y / s
    # rounded card
    left, top, right, bottom, r = 4, 8, 44, 42, 5
    inside = left <= u <= right and top <= v <= bottom
    for cx, cy in ((left + r, top + r), (right - r, top + r), (left + r, bottom - r), (right - r, bottom - r)):
        if (u < left + r or u > right - r) and (v < top + r or v > bottom - r):
            if (u - cx) ** 2 + (v - cy) ** 2 > r * r and abs(u - cx) <= r and abs(v - cy) <= r:
                inside = False
    if not inside:
        return (0, 0, 0, 0)
    if v < top + 8:                       # title band
        return (46, 93, 160, 255)
    for row in (21, 28, 35):              # link rows: a dot and a line
        if abs(v - row) <= 1.6:
            if 9 <= u <= 12:
                return (210, 120, 40, 255)
            if 15 <= u <= 39:
                return (60, 60, 60, 255)
    return (250, 246, 235, 255)


def image(size):
    rows = []
    for y in range(size - 1, -1, -1):     # bottom-up
        for x in range(size):
            r, g, b, a = pixel(size, x + 0.5, y + 0.5)
            rows.append(struct.pack("<BBBB", b, g, r, a))
    xor = b"".join(rows)
    mask_stride = ((size + 31) // 32) * 4
    and_mask = bytearray()
    for y in range(size - 1, -1, -1):
        bits = bytearray(mask_stride)
        for x in range(size):
            if pixel(size, x + 0.5, y + 0.5)[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        and_mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    return header + xor + bytes(and_mask)


def write_ico(path, sizes):
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


def write_png(path, size):
    raw = bytearray()
    for y in range(size):
        raw.append(0)  # no filter
        for x in range(size):
            raw += bytes(pixel(size, x + 0.5, y + 0.5))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
                chunk(b"IEND", b""))


if __name__ == "__main__":
    write_ico("webrolo.ico", (16, 32, 48))
    write_ico("Webrolo48x48.ico", (48,))
    write_png("webrolo.png", 48)
