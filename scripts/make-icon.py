#!/usr/bin/env python3
"""Writes ui/Pelorane.ico: the program's picture (a recorder: a disc, a red record lamp and two
display bars on a dark blue body) at 16, 20, 24, 32, 40, 48, 64 and 256 pixels.

The 16- and 32-pixel images are drawn by hand, pixel by pixel, and are taken over from the file as it
is. Every other size is drawn from the same picture, described below in units of the 32-pixel
image: rendered with ImageMagick at 1024 pixels and reduced by averaging, so that each size gets
its own clean edges instead of a stretched small image. Sizes up to 64 are stored as 32-bit bitmaps
with alpha, 256 as PNG (as Windows Vista and later read it). The output depends only on this script
and the two hand-drawn images, so the committed file can be made again byte for byte:

    python3 scripts/make-icon.py
"""
import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ICON = os.path.join(HERE, "..", "ui", "Pelorane.ico")
HAND_DRAWN = (16, 32)
SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
PNG_FROM = 256
MASTER = 1024  # 32 units of 32 pixels

NAVY, BLUE, WHITE, RED = "#0D2A52", "#1F4E8C", "#E8EEF7", "#E02020"

# The picture in 32-pixel units, edges on pixel borders: ImageMagick primitives drawn in order.
PICTURE = [
    # The body: a rounded box with a one-unit dark edge.
    ("roundrectangle", NAVY, (1, 4, 31, 28, 4)),
    ("roundrectangle", BLUE, (2, 5, 30, 27, 3)),
    # The disc and its hole.
    ("circle", WHITE, (11.5, 15.5, 7.5)),
    ("circle", BLUE, (11.5, 15.5, 2.5)),
    # The record lamp and the display bars.
    ("circle", RED, (24.5, 10.5, 3.5)),
    ("rectangle", WHITE, (20, 16, 28, 19)),
    ("rectangle", WHITE, (20, 21, 28, 24)),
]


def magick(arguments, data=None):
    return subprocess.run(["convert"] + arguments, input=data, stdout=subprocess.PIPE, check=True).stdout


def draw_commands():
    """The picture as -draw arguments at MASTER pixels. ImageMagick fills whole pixels from the first
    to the last coordinate given and puts pixel centres on integers."""
    scale = MASTER // 32
    out = []
    for shape, colour, v in PICTURE:
        out += ["-fill", colour]
        if shape == "circle":
            x, y, r = v[0] * scale - 0.5, v[1] * scale - 0.5, v[2] * scale
            out += ["-draw", "circle %g,%g %g,%g" % (x, y, x + r, y)]
        else:
            corners = (v[0] * scale, v[1] * scale, v[2] * scale - 1, v[3] * scale - 1)
            if shape == "rectangle":
                out += ["-draw", "rectangle %d,%d %d,%d" % corners]
            else:
                out += ["-draw", "roundrectangle %d,%d %d,%d %d,%d" % (corners + (v[4] * scale, v[4] * scale))]
    return out


def rendered(size):
    """RGBA bytes of the picture at size x size, top row first."""
    return magick(["-size", "%dx%d" % (MASTER, MASTER), "xc:none"] + draw_commands() +
                  ["-filter", "Box", "-resize", "%dx%d" % (size, size), "-depth", "8", "rgba:-"])


def png(size):
    rgba = rendered(size)
    return magick(["-size", "%dx%d" % (size, size), "-depth", "8", "rgba:-", "-strip",
                   "-define", "png:exclude-chunks=date,time", "PNG32:-"], rgba)


def bitmap(size):
    """An icon image: a bottom-up 32-bit DIB of twice the height, then the AND mask (set where clear)."""
    rgba = rendered(size)
    rows = [rgba[y * size * 4:(y + 1) * size * 4] for y in range(size)]
    colour = b"".join(bytes(px for i in range(0, len(row), 4) for px in (row[i + 2], row[i + 1], row[i], row[i + 3]))
                      for row in reversed(rows))
    stride = (size + 31) // 32 * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(stride)
        for x in range(size):
            if row[x * 4 + 3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + colour + mask


def read_icon(path):
    """{width: (entry without offset, image bytes)} of an icon file."""
    data = open(path, "rb").read()
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    if kind != 1:
        sys.exit("make-icon: %s is not an icon file" % path)
    images = {}
    for i in range(count):
        entry = data[6 + 16 * i:6 + 16 * (i + 1)]
        width = entry[0] or 256
        size, offset = struct.unpack_from("<II", entry, 8)
        images[width] = (entry[:8], data[offset:offset + size])
    return images


def main():
    existing = read_icon(ICON)
    images = []
    for size in SIZES:
        if size in HAND_DRAWN:
            if size not in existing:
                sys.exit("make-icon: the hand-drawn %d-pixel image is missing from %s" % (size, ICON))
            images.append(existing[size])
            continue
        data = png(size) if size >= PNG_FROM else bitmap(size)
        side = size if size < 256 else 0
        images.append((struct.pack("<BBBBHH", side, side, 0, 0, 1, 32), data))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for entry, data in images:
        out += entry + struct.pack("<II", len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    with open(ICON, "wb") as f:
        f.write(out)
    print("%s: %s pixels" % (os.path.relpath(ICON), ", ".join(str(s) for s in SIZES)))


if __name__ == "__main__":
    main()
