#!/usr/bin/env python3
"""Turn the text art of res/bitmaps/tree_images.txt into the tree bitmaps.

Usage: make_bitmaps.py OUTDIR [SOURCE]

Writes OUTDIR/tree_200.bmp .. OUTDIR/tree_207.bmp: 16x16 pixels, 4 bits per
pixel, the standard 16-colour palette. Each file is a 14-byte file header
followed by the resource data proper: BITMAPINFOHEADER (40) + palette (64)
+ pixels (128) = 232 bytes.

Source format (see the file itself):
  - '#' starts a comment line; blank lines are ignored.
  - "legend" starts the legend: lines "C N name" map character C to palette
    index N (0..15).
  - "image ID title" starts an image: exactly 16 rows of 16 characters follow,
    top row first.
"""

import os
import struct
import sys

WIDTH = 16
HEIGHT = 16
BITS = 4
FIRST_ID = 200
COUNT = 8

# The standard 16-colour palette (index: red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00),  # 0 black
    (0x80, 0x00, 0x00),  # 1 dark red
    (0x00, 0x80, 0x00),  # 2 dark green
    (0x80, 0x80, 0x00),  # 3 olive
    (0x00, 0x00, 0x80),  # 4 dark blue
    (0x80, 0x00, 0x80),  # 5 purple
    (0x00, 0x80, 0x80),  # 6 teal
    (0xC0, 0xC0, 0xC0),  # 7 silver
    (0x80, 0x80, 0x80),  # 8 grey
    (0xFF, 0x00, 0x00),  # 9 red
    (0x00, 0xFF, 0x00),  # 10 lime
    (0xFF, 0xFF, 0x00),  # 11 yellow
    (0x00, 0x00, 0xFF),  # 12 blue
    (0xFF, 0x00, 0xFF),  # 13 fuchsia
    (0x00, 0xFF, 0xFF),  # 14 aqua
    (0xFF, 0xFF, 0xFF),  # 15 white
]

ROW_BYTES = ((WIDTH * BITS + 31) // 32) * 4  # rows are padded to 32 bits
PIXEL_BYTES = ROW_BYTES * HEIGHT
INFO_SIZE = 40
PALETTE_BYTES = 4 * len(PALETTE)
RESOURCE_SIZE = INFO_SIZE + PALETTE_BYTES + PIXEL_BYTES  # 232
FILE_HEADER_SIZE = 14


class SourceError(Exception):
    pass


def parse(text, source_name):
    """Answer (legend, images): legend maps char -> index, images maps id -> (title, rows)."""
    legend = {}
    images = {}
    section = None
    current = None
    for number, raw in enumerate(text.splitlines(), 1):
        where = "%s:%d" % (source_name, number)
        line = raw.rstrip()
        if current is not None:
            # Inside an image: the next 16 lines are rows, taken literally.
            if len(line) != WIDTH:
                raise SourceError("%s: image %d row %d has %d characters, expected %d"
                                  % (where, current, len(images[current][1]) + 1,
                                     len(line), WIDTH))
            images[current][1].append(line)
            if len(images[current][1]) == HEIGHT:
                current = None
            continue
        stripped = line.strip()
        if not stripped or stripped.startswith("#"):
            continue
        words = stripped.split()
        if words[0] == "legend":
            section = "legend"
            continue
        if words[0] == "image":
            if len(words) < 2 or not words[1].isdigit():
                raise SourceError("%s: expected 'image ID title'" % where)
            image_id = int(words[1])
            if image_id in images:
                raise SourceError("%s: image %d defined twice" % (where, image_id))
            images[image_id] = (" ".join(words[2:]), [])
            current = image_id
            section = None
            continue
        if section == "legend":
            if len(words) < 2 or len(words[0]) != 1 or not words[1].isdigit():
                raise SourceError("%s: expected 'CHAR INDEX name' in the legend" % where)
            index = int(words[1])
            if index >= len(PALETTE):
                raise SourceError("%s: palette index %d out of range" % (where, index))
            if words[0] in legend:
                raise SourceError("%s: character %r defined twice" % (where, words[0]))
            legend[words[0]] = index
            continue
        raise SourceError("%s: unexpected line %r" % (where, stripped))
    if current is not None:
        raise SourceError("%s: image %d has only %d rows"
                          % (source_name, current, len(images[current][1])))
    return legend, images


def to_indices(legend, image_id, rows):
    out = []
    for y, row in enumerate(rows):
        line = []
        for x, ch in enumerate(row):
            if ch not in legend:
                raise SourceError("image %d: character %r at row %d column %d is not in the legend"
                                  % (image_id, ch, y, x))
            line.append(legend[ch])
        out.append(line)
    return out


def bmp_bytes(pixels):
    """Answer the whole .bmp file for a HEIGHT x WIDTH grid of palette indices."""
    info = struct.pack("<IiiHHIIiiII", INFO_SIZE, WIDTH, HEIGHT, 1, BITS, 0,  # BI_RGB
                       PIXEL_BYTES, 0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    data = bytearray()
    for row in reversed(pixels):  # bottom-up
        packed = bytearray()
        for x in range(0, WIDTH, 2):
            packed.append((row[x] << 4) | row[x + 1])
        packed.extend(b"\0" * (ROW_BYTES - len(packed)))
        data.extend(packed)
    body = info + palette + bytes(data)
    assert len(body) == RESOURCE_SIZE
    offset = FILE_HEADER_SIZE + INFO_SIZE + PALETTE_BYTES
    header = struct.pack("<2sIHHI", b"BM", FILE_HEADER_SIZE + len(body), 0, 0, offset)
    return header + body


def build(source_path):
    with open(source_path, encoding="ascii") as f:
        legend, images = parse(f.read(), source_path)
    wanted = list(range(FIRST_ID, FIRST_ID + COUNT))
    if sorted(images) != wanted:
        raise SourceError("%s: expected images %d..%d, found %s"
                          % (source_path, wanted[0], wanted[-1], sorted(images)))
    grids = {i: to_indices(legend, i, images[i][1]) for i in wanted}
    for normal in wanted[::2]:
        if grids[normal] == grids[normal + 1]:
            raise SourceError("images %d and %d must differ" % (normal, normal + 1))
    return {i: bmp_bytes(grids[i]) for i in wanted}


def main(argv):
    if len(argv) not in (2, 3):
        sys.stderr.write("usage: make_bitmaps.py OUTDIR [SOURCE]\n")
        return 2
    outdir = argv[1]
    here = os.path.dirname(os.path.abspath(__file__))
    source = argv[2] if len(argv) == 3 else os.path.join(here, "..", "res", "bitmaps",
                                                        "tree_images.txt")
    try:
        files = build(source)
    except (SourceError, OSError) as e:
        sys.stderr.write("make_bitmaps.py: %s\n" % e)
        return 1
    os.makedirs(outdir, exist_ok=True)
    for image_id, data in files.items():
        path = os.path.join(outdir, "tree_%d.bmp" % image_id)
        tmp = path + ".tmp"
        with open(tmp, "wb") as f:
            f.write(data)
        os.replace(tmp, path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
