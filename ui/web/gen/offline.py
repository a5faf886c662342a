#!/usr/bin/python3
"""Makes what lets the browser game be installed and play without a network.

    offline.py icon PACKED FACTOR OUT.png
        a packed picture (ui/Packed.h) as a PNG, each pixel a FACTOR x FACTOR block of one colour
    offline.py worker TEMPLATE OUT.js SITE FILE...
        the service worker from its template, with the site's FILEs for @FILES@, each with the
        hash of its bytes in SITE, and a hash of them all for @VERSION@

A new build with any file changed gives a new worker, which the browser takes as a new version.
The output depends only on the inputs, so a build gives the same bytes wherever it runs.
"""
import base64
import hashlib
import json
import struct
import sys
import zlib


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def icon(packed, factor, out):
    with open(packed, "rb") as f:
        data = f.read()
    magic, width, height, _ = data[:4], *struct.unpack("<3I", data[4:16])
    if magic != b"PMP1" or len(data) != 16 + width * height * 4 or not 1 <= int(factor) <= 32:
        sys.exit(f"offline.py: {packed} is no packed picture, or {factor} no factor of 1 to 32")
    factor = int(factor)
    rows = []
    for y in range(height):
        row = bytearray()
        for x in range(width):
            b, g, r, a = data[16 + (y * width + x) * 4:][:4]  # 0xAARRGGBB, little-endian words
            row += bytes((r, g, b, a)) * factor
        rows += [b"\0" + bytes(row)] * factor  # filter type 0 on every row
    header = struct.pack(">2I5B", width * factor, height * factor, 8, 6, 0, 0, 0)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b"")
    with open(out, "wb") as f:
        f.write(png)


def worker(template, out, site, files):
    with open(template, encoding="utf-8") as f:
        text = f.read()
    listed = []
    whole = hashlib.sha256()
    for name in sorted(files):
        with open(f"{site}/{name}", "rb") as f:
            digest = hashlib.sha256(f.read()).digest()
        whole.update(name.encode() + b"\0" + digest)
        listed.append([name, "sha256-" + base64.b64encode(digest).decode()])
    if "@FILES@" not in text or "@VERSION@" not in text:
        sys.exit(f"offline.py: no @FILES@ or @VERSION@ in {template}")
    text = text.replace("@VERSION@", whole.hexdigest()[:16])
    text = text.replace("@FILES@", "[\n" + "".join(f"  {json.dumps(f)},\n" for f in listed) + "]")
    with open(out, "w", encoding="utf-8") as f:
        f.write(text)


if __name__ == "__main__":
    if len(sys.argv) == 5 and sys.argv[1] == "icon":
        icon(*sys.argv[2:])
    elif len(sys.argv) >= 5 and sys.argv[1] == "worker":
        worker(sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5:])
    else:
        sys.exit(__doc__)
