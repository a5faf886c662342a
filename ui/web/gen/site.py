#!/usr/bin/python3
"""Makes the files of the browser game's site that the build derives from others.

    site.py gzip IN OUT.gz
        IN gzipped, so that it is small on the wire whatever the host does
    site.py png PACKED FACTOR OUT.png
        a packed picture (ui/Packed.h) as a PNG, each pixel a FACTOR x FACTOR block of one colour
    site.py favicon OUT.ico PACKED...
        the packed pictures as one icon file whose images are PNGs, as browsers take them
    site.py worker TEMPLATE OUT.js SITE FILE...
        the service worker from its template, with the site's FILEs for @FILES@, each with the
        hash of its bytes in SITE (a gzipped one's unpacked bytes too), and a hash of names and bytes of them all for @VERSION@

The output depends only on the inputs, so a build gives the same bytes wherever it runs. A new
build with any file changed gives a new worker, which the browser takes as a new version.
"""
import base64
import gzip
import hashlib
import json
import os
import struct
import sys
import zlib


def gzipped(source, out):
    with open(source, "rb") as f:
        data = f.read()
    with open(out, "wb") as f:
        f.write(gzip.compress(data, compresslevel=9, mtime=0))


def unpacked(packed):
    with open(packed, "rb") as f:
        data = f.read()
    magic, width, height = data[:4], *struct.unpack("<2I", data[4:12])
    if magic != b"PMP1" or len(data) != 16 + width * height * 4:
        sys.exit(f"site.py: {packed} is no packed picture")
    return width, height, data[16:]


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png(packed, factor):
    width, height, pixels = unpacked(packed)
    rows = []
    for y in range(height):
        row = bytearray()
        for x in range(width):
            b, g, r, a = pixels[(y * width + x) * 4:][:4]  # 0xAARRGGBB, little-endian words
            row += bytes((r, g, b, a)) * factor
        rows += [b"\0" + bytes(row)] * factor  # filter type 0 on every row
    header = struct.pack(">2I5B", width * factor, height * factor, 8, 6, 0, 0, 0)
    image = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
    return image + chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b"")


def pngfile(packed, factor, out):
    if not factor.isdigit() or not 1 <= int(factor) <= 32:
        sys.exit(f"site.py: {factor} is no factor of 1 to 32")
    with open(out, "wb") as f:
        f.write(png(packed, int(factor)))


def favicon(out, pictures):
    images = [(unpacked(p)[:2], png(p, 1)) for p in pictures]
    icon = struct.pack("<3H", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (width, height), image in images:
        # A side of 256 is written as 0.
        icon += struct.pack("<4B2H2I", width % 256, height % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(out, "wb") as f:
        f.write(icon + b"".join(image for _, image in images))


def sri(data):
    return "sha256-" + base64.b64encode(hashlib.sha256(data).digest()).decode()


def worker(template, out, site, files):
    with open(template, encoding="utf-8") as f:
        text = f.read()
    if "@FILES@" not in text or "@VERSION@" not in text:
        sys.exit(f"site.py: no @FILES@ or @VERSION@ in {template}")
    listed = []
    whole = hashlib.sha256()
    for name in sorted(files):
        with open(os.path.join(site, name), "rb") as f:
            data = f.read()
        whole.update(name.encode() + b"\0" + hashlib.sha256(data).digest())
        # A host may declare a gzipped file gzip-encoded, and the browser then holds it unpacked.
        unpacked = [sri(gzip.decompress(data))] if name.endswith(".gz") else []
        listed.append([name, " ".join([sri(data)] + unpacked)])
    text = text.replace("@VERSION@", whole.hexdigest()[:16])
    text = text.replace("@FILES@", "[\n" + "".join(f"  {json.dumps(f)},\n" for f in listed) + "]")
    with open(out, "w", encoding="utf-8") as f:
        f.write(text)
    for name in set(os.listdir(site)) - set(files) - {os.path.basename(out)}:
        os.remove(os.path.join(site, name))


if __name__ == "__main__":
    command, args = (sys.argv[1], sys.argv[2:]) if len(sys.argv) > 1 else ("", [])
    if command == "gzip" and len(args) == 2:
        gzipped(*args)
    elif command == "png" and len(args) == 3:
        pngfile(*args)
    elif command == "favicon" and len(args) >= 2:
        favicon(args[0], args[1:])
    elif command == "worker" and len(args) >= 4:
        worker(args[0], args[1], args[2], args[3:])
    else:
        sys.exit(__doc__)
