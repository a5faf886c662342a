#!/usr/bin/python3
"""Makes the game's icons from its packed pictures (ui/Packed.h), for the front ends that carry
them as files: the Windows program and the page.

    icons.py png PACKED FACTOR OUT.png
        the picture as a PNG, each pixel a FACTOR x FACTOR block of one colour
    icons.py ico OUT.ico PACKED...
        the pictures as one icon file whose images are PNGs, as browsers take them
    icons.py bmpico OUT.ico PACKED...
        the same with 32-bit bitmaps and their one-bit masks (set where a pixel is fully
        transparent), as Windows takes them in a program's resources, older parts of it too

The output depends only on the inputs, so a build gives the same bytes wherever it runs.
"""
import struct
import sys
import zlib


def unpacked(packed):
    with open(packed, "rb") as f:
        data = f.read()
    magic, width, height = data[:4], *struct.unpack("<2I", data[4:12])
    if magic != b"PMP1" or len(data) != 16 + width * height * 4 or not 0 < width <= 256 >= height:
        sys.exit(f"icons.py: {packed} is no packed picture of an icon's size")
    # 0xAARRGGBB words, little-endian: bytes B, G, R, A.
    return width, height, [data[16 + 4 * i:][:4] for i in range(width * height)]


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png(picture, factor=1):
    width, height, pixels = picture
    rows = []
    for y in range(height):
        row = b"".join(bytes((r, g, b, a)) * factor for b, g, r, a in pixels[y * width:][:width])
        rows += [b"\0" + row] * factor  # filter type 0 on every row
    header = struct.pack(">2I5B", width * factor, height * factor, 8, 6, 0, 0, 0)
    image = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
    return image + chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b"")


# A device-independent bitmap of twice the height (colour rows, then mask rows), bottom row
# first, as icon files store their images.
def bitmap(picture):
    width, height, pixels = picture
    stride = (width + 31) // 32 * 4
    mask = bytearray(stride * height)
    for y in range(height):
        for x in range(width):
            if pixels[(height - 1 - y) * width + x][3] == 0:
                mask[y * stride + x // 8] |= 0x80 >> (x % 8)
    colours = b"".join(b"".join(pixels[y * width:][:width]) for y in reversed(range(height)))
    header = struct.pack("<3I2H6I", 40, width, height * 2, 1, 32, 0, len(colours) + len(mask), 0,
                         0, 0, 0)
    return header + colours + bytes(mask)


def ico(out, packed, image):
    pictures = [unpacked(p) for p in packed]
    images = [image(p) for p in pictures]
    icon = struct.pack("<3H", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (width, height, _), data in zip(pictures, images):
        # A side of 256 is written as 0.
        icon += struct.pack("<4B2H2I", width % 256, height % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(out, "wb") as f:
        f.write(icon + b"".join(images))


if __name__ == "__main__":
    command, args = (sys.argv[1], sys.argv[2:]) if len(sys.argv) > 1 else ("", [])
    if command == "png" and len(args) == 3 and args[1].isdigit() and 1 <= int(args[1]) <= 32:
        with open(args[2], "wb") as f:
            f.write(png(unpacked(args[0]), int(args[1])))
    elif command in ("ico", "bmpico") and len(args) >= 2:
        ico(args[0], args[1:], png if command == "ico" else bitmap)
    else:
        sys.exit(__doc__)
