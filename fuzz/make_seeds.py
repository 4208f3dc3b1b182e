#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets: fuzz/corpus/bmp and fuzz/corpus/render.

The seeds are small on purpose (a few hundred bytes at most): each shows the reader one layout
it must handle, and libFuzzer grows the rest from them. The files are kept in the tree; run this
again only to change them (python3 fuzz/make_seeds.py). The JPEG seed needs ImageMagick's
`convert`; without it the JPEG seed already in the tree is kept.
"""

import os
import shutil
import struct
import subprocess
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def bmp(width, height, bits, rows, palette=(), colours_used=None, info_size=40,
        gap=0, compression=0, raw=None):
    """A BMP file; `rows` top-down, each a bytes object of the pixels without padding."""
    stride = (width * bits + 31) // 32 * 4
    if raw is None:
        raw = b"".join(r + b"\0" * (stride - len(r)) for r in reversed(rows))
    pal = b"".join(struct.pack("<BBBB", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF, 0)
                   for c in palette)
    offset = 14 + info_size + len(pal) + gap
    used = len(palette) if colours_used is None else colours_used
    info = struct.pack("<IiiHHIIiiII", info_size, width, height, 1, bits, compression,
                       len(raw), 2835, 2835, used if bits == 8 else 0, 0)
    info += b"\0" * (info_size - len(info))
    header = b"BM" + struct.pack("<IHHI", offset + len(raw), 0, 0, offset)
    return header + info + pal + b"\0" * gap + raw


def png(width, height, colour_type, depth, rows, extra=(), interlace=0):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    ihdr = struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, interlace)
    if interlace:
        body = adam7(rows, width, len(rows[0]) // width)
    else:
        body = b"".join(b"\0" + r for r in rows)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
    for kind, data in extra:
        out += chunk(kind, data)
    return out + chunk(b"IDAT", zlib.compress(body, 9)) + chunk(b"IEND", b"")


def adam7(rows, width, pixel_bytes):
    """The seven passes of an interlaced PNG, each row with filter type 0."""
    passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4),
              (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
    out = b""
    for x0, y0, dx, dy in passes:
        for y in range(y0, len(rows), dy):
            line = b"".join(rows[y][x * pixel_bytes:(x + 1) * pixel_bytes]
                            for x in range(x0, width, dx))
            if line:
                out += b"\0" + line
    return out


def bgr(*pixels):
    return b"".join(struct.pack("<BBB", b, g, r) for (b, g, r) in pixels)


# A 1 x 1 GIF89a: two-colour table, one pixel of index 0.
GIF_1X1 = (b"GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00"
           b"!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;")

BMP_SEEDS = {
    # 3 x 2 at 24 bits: each row padded by 3 bytes.
    "rgb24-3x2.bmp": bmp(3, 2, 24, [bgr((0, 0, 255), (0, 255, 0), (255, 0, 0)),
                                    bgr((10, 20, 30), (40, 50, 60), (70, 80, 90))]),
    # 5 x 3 at 8 bits with a palette of four entries.
    "pal8-5x3-four-colours.bmp": bmp(5, 3, 8, [bytes([0, 1, 2, 3, 0]), bytes([3, 2, 1, 0, 3]),
                                               bytes([1, 1, 1, 1, 1])],
                                     palette=(0x000000, 0xFF0000, 0x00FF00, 0x0000FF)),
    # 2 x 2 at 8 bits, colours used 0: a full palette of 256 greys.
    "pal8-2x2-full-palette.bmp": bmp(2, 2, 8, [bytes([0, 255]), bytes([128, 7])],
                                     palette=tuple(i * 0x010101 for i in range(256)),
                                     colours_used=0),
    # 1 x 1 at 24 bits behind a 124-byte info header.
    "rgb24-1x1-v5-header.bmp": bmp(1, 1, 24, [bgr((1, 2, 3))], info_size=124),
    # 4 x 1 at 24 bits with 6 unused bytes between the headers and the pixels.
    "rgb24-4x1-gap.bmp": bmp(4, 1, 24, [bgr((9, 9, 9), (8, 8, 8), (7, 7, 7), (6, 6, 6))], gap=6),
    # Rows stored top-down (negative height): refused by the toolkit's reader.
    "rgb24-2x2-top-down.bmp": bmp(2, -2, 24, [bgr((1, 1, 1), (2, 2, 2)), bgr((3, 3, 3), (4, 4, 4))],
                                  raw=bgr((1, 1, 1), (2, 2, 2)) + b"\0\0" + bgr((3, 3, 3), (4, 4, 4)) + b"\0\0"),
    # 4 x 2 at 8 bits, run-length encoded: the toolkit refuses it, the engine's reader takes it.
    "pal8-4x2-rle8.bmp": bmp(4, 2, 8, [], palette=(0x000000, 0xFFFFFF), compression=1,
                             raw=bytes([4, 1, 0, 0, 2, 0, 2, 1, 0, 1])),
}

RENDER_SEEDS = {
    "rgb-3x2.png": png(3, 2, 2, 8, [bytes([255, 0, 0, 0, 255, 0, 0, 0, 255]), bytes([9] * 9)]),
    "grey16-2x2.png": png(2, 2, 0, 16, [bytes([0, 0, 255, 255]), bytes([18, 52, 171, 205])]),
    "palette-2x2-transparent.png": png(2, 2, 3, 8, [bytes([0, 1]), bytes([1, 0])],
                                       extra=[(b"PLTE", bytes([0, 0, 0, 200, 100, 50])),
                                              (b"tRNS", bytes([0]))]),
    "rgba-3x3-interlaced.png": png(3, 3, 6, 8, [bytes(range(12)), bytes(range(12, 24)),
                                                bytes(range(24, 36))], interlace=1),
    "one-pixel.gif": GIF_1X1,
    "rgb-2x2.ppm": b"P6\n2 2\n255\n" + bytes([255, 0, 0, 0, 255, 0, 0, 0, 255, 128, 128, 128]),
    "grey-3x1.pgm": b"P2\n3 1\n15\n0 7 15\n",
    "rgb24-3x2.bmp": BMP_SEEDS["rgb24-3x2.bmp"],
    "pal8-5x3-four-colours.bmp": BMP_SEEDS["pal8-5x3-four-colours.bmp"],
    "pal8-4x2-rle8.bmp": BMP_SEEDS["pal8-4x2-rle8.bmp"],
}


def write(folder, seeds):
    path = os.path.join(HERE, "corpus", folder)
    os.makedirs(path, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(path, name), "wb") as f:
            f.write(data)
    return path


def main():
    write("bmp", BMP_SEEDS)
    render = write("render", RENDER_SEEDS)
    convert = shutil.which("convert")
    if convert:
        subprocess.run([convert, "-size", "8x8", "gradient:black-white", "-quality", "50",
                        "-strip", os.path.join(render, "gradient-8x8.jpg")], check=True)
    elif not os.path.exists(os.path.join(render, "gradient-8x8.jpg")):
        print("no `convert`: the JPEG seed is missing", file=sys.stderr)


if __name__ == "__main__":
    main()
