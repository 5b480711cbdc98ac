#!/usr/bin/env python3
"""Writes the manifest as the launcher carries it: without comments or the
blanks between elements, which Windows does not read but which cost bytes
on the disc.

    pack_manifest.py IN.manifest OUT.manifest"""
import re
import sys
from xml.etree import ElementTree

if __name__ == "__main__":
    with open(sys.argv[1], encoding="utf-8") as f:
        text = f.read()
    text = re.sub(r"<!--.*?-->", "", text, flags=re.S)
    text = re.sub(r">\s+<", "><", text).strip()
    ElementTree.fromstring(text.encode("utf-8"))  # still well-formed
    with open(sys.argv[2], "w", encoding="utf-8", newline="") as f:
        f.write(text)
