#!/usr/bin/env python3
"""Writes the manifest as the launcher carries it: without comments or the
blanks between elements, which Windows does not read but which cost bytes
on the disc."""
import argparse
import re
from pathlib import Path
from xml.etree import ElementTree


def packed(text: str) -> str:
    text = re.sub(r"<!--.*?-->", "", text, flags=re.S)
    return re.sub(r">\s+<", "><", text).strip()


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("manifest", type=Path)
    parser.add_argument("out", type=Path)
    args = parser.parse_args()
    text = packed(args.manifest.read_text(encoding="utf-8"))
    ElementTree.fromstring(text.encode("utf-8"))  # still well-formed
    args.out.write_bytes(text.encode("utf-8"))


if __name__ == "__main__":
    main()
