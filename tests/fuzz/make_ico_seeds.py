#!/usr/bin/env python3
"""Writes the seed icons of the .ico harness into corpus/ico/: every kind of
entry the loader reads (BMP of 1, 4, 8, 24 and 32 bits, with and without an
alpha channel, the longer header versions, PNG) and a file of several sizes.
The files are committed; run this only to make them again."""
import os
import struct
import zlib

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "ico")


def colour(x, y, size):
    """A small picture: a diagonal band over a gradient, a hole in the corner."""
    if x < size // 4 and y < size // 4:
        return (0, 0, 0, 0)
    if abs(x - y) <= size // 8:
        return (200, 40, 40, 255)
    return (20 + 200 * x // size, 60, 20 + 200 * y // size, 128 + 127 * x // size)


def rows_bottom_up(size):
    return [[colour(x, y, size) for x in range(size)] for y in reversed(range(size))]


def pad4(data):
    return data + b"\0" * (-len(data) % 4)


def and_mask(size):
    out = b""
    for row in rows_bottom_up(size):
        bits = 0
        line = b""
        for x, (_, _, _, a) in enumerate(row):
            bits = bits << 1 | (1 if a == 0 else 0)
            if x % 8 == 7:
                line += bytes([bits])
                bits = 0
        if size % 8:
            line += bytes([bits << (8 - size % 8)])
        out += pad4(line)
    return out


def bmp_entry(size, bits, header=40, alpha=True):
    palette = []
    if bits <= 8:
        count = 1 << bits
        palette = [(i * 255 // max(count - 1, 1), 255 - i * 255 // max(count - 1, 1), (i * 97) % 256) for i in range(count)]
    head = struct.pack("<IiiHHIIiiII", header, size, size * 2, 1, bits, 0, 0, 0, 0, 0, 0)
    head += b"\0" * (header - 40)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    pixels = b""
    for row in rows_bottom_up(size):
        line = b""
        if bits == 32:
            line = b"".join(struct.pack("<BBBB", b, g, r, a if alpha else 0) for r, g, b, a in row)
        elif bits == 24:
            line = b"".join(struct.pack("<BBB", b, g, r) for r, g, b, _ in row)
        else:
            indices = [(r + g + b) * len(palette) // 766 for r, g, b, _ in row]
            per = 8 // bits
            for i in range(0, size, per):
                byte = 0
                for j in range(per):
                    byte = byte << bits | (indices[i + j] if i + j < size else 0)
                line += bytes([byte])
        pixels += pad4(line)
    return head + pal + pixels + and_mask(size)


def png_entry(size):
    raw = b""
    for y in range(size):
        raw += b"\0" + b"".join(struct.pack("BBBB", *colour(x, y, size)) for x in range(size))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico(entries):
    """entries: (size, bits, payload)."""
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for size, bits, payload in entries:
        side = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", side, side, 0, 0, 1, bits, len(payload), offset)
        offset += len(payload)
    return out + b"".join(p for _, _, p in entries)


def main():
    seeds = {
        "bmp1-8.ico": [(8, 1, bmp_entry(8, 1))],
        "bmp4-12.ico": [(12, 4, bmp_entry(12, 4))],
        "bmp8-16.ico": [(16, 8, bmp_entry(16, 8))],
        "bmp24-9.ico": [(9, 24, bmp_entry(9, 24))],
        "bmp32-alpha-16.ico": [(16, 32, bmp_entry(16, 32))],
        "bmp32-mask-7.ico": [(7, 32, bmp_entry(7, 32, alpha=False))],
        "bmp32-header108-6.ico": [(6, 32, bmp_entry(6, 32, header=108))],
        "bmp8-header124-5.ico": [(5, 8, bmp_entry(5, 8, header=124))],
        "png-16.ico": [(16, 32, png_entry(16))],
        "sizes-16-32-png.ico": [(16, 32, bmp_entry(16, 32)), (32, 4, bmp_entry(32, 4)), (20, 32, png_entry(20))],
    }
    os.makedirs(HERE, exist_ok=True)
    for name, entries in seeds.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(ico(entries))


if __name__ == "__main__":
    main()
