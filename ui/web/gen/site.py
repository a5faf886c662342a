#!/usr/bin/python3
"""Makes the files of the browser game's site that the build derives from others.

    site.py gzip IN OUT.gz
        IN gzipped, so that it is small on the wire whatever the host does
    site.py style PAGE CSS OUT.html
        PAGE with the style sheet CSS inside it for @STYLE@, and the hash that its
        Content-Security-Policy allows that style by for @STYLEHASH@
    site.py worker TEMPLATE OUT.js SITE FILE...
        the service worker from its template, with the site's FILEs for @FILES@, each with the
        hash of its bytes in SITE (a gzipped one's unpacked bytes too), and a hash of names and
        bytes of them all for @VERSION@; any other file in SITE, left by an earlier build, goes

The output depends only on the inputs, so a build gives the same bytes wherever it runs. A new
build with any file changed gives a new worker, which the browser takes as a new version.
"""
import base64
import gzip
import hashlib
import json
import os
import sys


def gzipped(source, out):
    with open(source, "rb") as f:
        data = f.read()
    with open(out, "wb") as f:
        f.write(gzip.compress(data, compresslevel=9, mtime=0))


def sri(data):
    return "sha256-" + base64.b64encode(hashlib.sha256(data).digest()).decode()


def style(page, css, out):
    with open(page, encoding="utf-8") as f:
        text = f.read()
    with open(css, encoding="utf-8") as f:
        sheet = f.read().strip()
    if text.count("@STYLE@") != 1 or "@STYLEHASH@" not in text:
        sys.exit(f"site.py: no @STYLE@ or @STYLEHASH@ in {page}")
    if "</style" in sheet.lower():
        sys.exit(f"site.py: {css} would end the page's style early")
    text = text.replace("@STYLEHASH@", f"'{sri(sheet.encode())}'").replace("@STYLE@", sheet)
    with open(out, "w", encoding="utf-8") as f:
        f.write(text)


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
    elif command == "style" and len(args) == 3:
        style(*args)
    elif command == "worker" and len(args) >= 4:
        worker(args[0], args[1], args[2], args[3:])
    else:
        sys.exit(__doc__)
