#!/usr/bin/python3
"""Cuts the labels' face for the page out of IPA P Gothic, as WOFF2, and writes its licence.

    labelface.py SOURCE.ttf TEXT.txt COPYRIGHT OUT.woff2 OUT-LICENCE.txt

The face keeps only the glyphs of the characters in TEXT.txt (UTF-8), with their hinting. The
IPA Font License takes a face made this way as a derived program: it goes out under the same
licence, with the way back to the original, and may not carry the original's name as its font
name or file name, so the names that say which face it is are replaced; the copyright and
licence names stay. COPYRIGHT is Debian's copyright file of the font, from which the licence's
text is taken. The output depends only on the inputs, so a build gives the same bytes wherever
and whenever it runs.
"""
import sys

from fontTools import subset

# The name table's family, subfamily, unique, full and PostScript names.
RENAMED = {1: "Pomuran Labels", 2: "Regular", 3: "Pomuran Labels", 4: "Pomuran Labels",
           6: "PomuranLabels-Regular"}
WINDOWS_ENGLISH = (3, 1, 0x409)

NOTICE = """\
{out} is a derived program of IPA P Gothic (ipagp.ttf, version 003.03 of the IPA Fonts),
Copyright (c) Information-technology Promotion Agency, Japan (IPA), 2003-2011, whose rights the
Japanese Character Information Technology Promotion Council (CITPC) holds now. It holds only
the glyphs of the characters "{chars}", with their hinting, and takes another name, as the
licence below asks. Pomuran's source makes it with ui/web/gen/labelface.py (fontTools'
subsetter); no other file was made in the process.

To use the original program instead: take ipagp.ttf from IPAfont00303.zip
(https://moji.or.jp/ipafont/ipafontdownload/) or from Debian's fonts-ipafont-gothic, put it
beside index.html, and in index.html replace
    url({out}) format("woff2")
with
    url(ipagp.ttf) format("truetype")
and, in its Content-Security-Policy, the style's hash 'sha256-...' with 'unsafe-inline' (or with
the hash of the style as edited).

{out} is licensed under the IPA Font License Agreement v1.0, whose Japanese and English
texts follow.

"""


def licence(copyright_file):
    """The IPA-1 licence paragraph of a Debian copyright file, as plain text."""
    with open(copyright_file, encoding="utf-8") as f:
        paragraphs = f.read().split("\n\n")
    for p in paragraphs:
        lines = p.splitlines()
        if lines and lines[0].strip() == "License: IPA-1" and len(lines) > 1:
            return "\n".join("" if l == " ." else l[1:] for l in lines[1:]) + "\n"
    sys.exit(f"labelface.py: no IPA-1 licence text in {copyright_file}")


def main(source, text_file, copyright_file, out, out_licence):
    with open(text_file, encoding="utf-8") as f:
        text = f.read()
    options = subset.Options()
    options.flavor = "woff2"
    options.hinting = True
    options.recalc_timestamp = False
    # Every name in English, the licence's among them, before the face's own are replaced.
    options.name_IDs = ["*"]
    font = subset.load_font(source, options)
    subsetter = subset.Subsetter(options)
    subsetter.populate(text=text)
    subsetter.subset(font)
    names = font["name"]
    names.names = [n for n in names.names if n.nameID not in RENAMED]
    for name_id, value in RENAMED.items():
        names.setName(value, name_id, *WINDOWS_ENGLISH)
    subset.save_font(font, out, options)
    name = out.rsplit("/", 1)[-1]
    chars = "".join(sorted(set(text)))
    with open(out_licence, "w", encoding="utf-8") as f:
        f.write(NOTICE.format(out=name, chars=chars) + licence(copyright_file))


if __name__ == "__main__":
    if len(sys.argv) != 6:
        sys.exit("usage: labelface.py SOURCE.ttf TEXT.txt COPYRIGHT OUT.woff2 OUT-LICENCE.txt")
    main(*sys.argv[1:])
