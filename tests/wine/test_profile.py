"""The launcher's own profile reader, which the native build and the disc
authoring tools use, against the system's GetPrivateProfileStringA: the same
files, sections, keys and buffer sizes must give the same bytes."""

import os
import random
import subprocess
import unittest

import winebed

# Files that probe one rule each; every key below is asked of each of them.
FILES = [
    b"[BXPARAM]\r\nSetupExe=setup\\a.exe\r\n",
    b"[bxparam]\nsetupexe = x.exe \t\n",
    b"  [BXPARAM]  \n  SetupExe  =  x  \n",
    b"[ BXPARAM ]\nSetupExe=spaced header\n",
    b"[BXPARAM]\nSetupExe=\"a b.exe\"\n",
    b"[BXPARAM]\nSetupExe='a'\n",
    b"[BXPARAM]\nSetupExe=\"a'\n",
    b"[BXPARAM]\nSetupExe=\"\"a\"\"\n",
    b"[BXPARAM]\nSetupExe=\"\n",
    b"[BXPARAM]\nSetupExe=\" padded \"\n",
    b"[BXPARAM]\nSetupExe=\n",
    b"[BXPARAM]\nSetupExe\n",
    b"[BXPARAM]\nSetupExe=a=b\n",
    b"[BXPARAM]\nSetupExe=;not a comment\n",
    b"[BXPARAM]\n;SetupExe=commented\n",
    b"[BXPARAM]\nSetupExe=first\nSetupExe=second\n",
    b"[BXPARAM]\nA=1\n[BXPARAM]\nSetupExe=later\n",
    b"[BXPARAM]\n[bxparam]\nSetupExe=after an empty twin\n",
    b"[Other]\nSetupExe=no\n[BXPARAM]\nSetupExe=yes\n[Next]\nSetupExe=no\n",
    b"SetupExe=outside\n[BXPARAM]\n",
    b"[BXPARAM\nSetupExe=x\n",
    b"[BXPARAM] trailing]\nSetupExe=x\n",
    b"[BXPARAM]x\nSetupExe=after junk\n",
    b"[BXPARAM]\rSetupExe=cr\r",
    b"[BXPARAM]\r\n\r\n\r\nSetupExe=blank lines\r\n",
    b"[BXPARAM]\nSetupExe=tab\there\n",
    b"[BXPARAM]\n=novalue\nSetupExe=after empty key\n",
    b"[BXPARAM]\nSetup Exe=inner blank\nSetupExe=x\n",
    b"[BXPARAM]\nSetupExe=caf\xe9 \xc9t\xe9\n",
    b"[BXPARAM]\nSETUPEXE=upper\n",
    b"[BXPARAM]\nSetupExe=" + b"v" * 258 + b"\n",
    b"[BXPARAM]\nSetupExe=" + b"v" * 259 + b"\n",
    b"[BXPARAM]\nSetupExe=" + b"v" * 260 + b"\n",
    b"[BXPARAM]\nSetupExe=" + b"v" * 300 + b"\n",
    b"[BXPARAM]\nSetupExe=\"" + b"q" * 258 + b"\"\n",
    b"[BXPARAM]\nSetupExe=\"" + b"q" * 300 + b"\"\n",
    b"",
    b"\n\n",
    b"[BXPARAM]",
    b"[BXPARAM]\nSetupExe=no newline at the end",
    b"[BXPARAM]\nSetupExe=nul\x00inside\n",
    b"[BX\x00PARAM]\nSetupExe=nul in header\n",
    b"[BXPARAM]\nSetup\x00Exe=nul in key\n",
    b"[BXPARAM]\nSetupExe=\x1aeof\x1a\n",
    b"[BXPARAM]\nSetupExe=\xa0nbsp\xa0\n",
    b"\xef\xbb\xbf[BXPARAM]\nSetupExe=after a byte order mark\n",
]
KEYS = ["SetupExe", "setupexe", "Setup Exe", "A", "Missing"]
SIZES = [260, 5, 1]
SECTIONS = ["BXPARAM", "bxparam", "Other"]

# Pieces that random files are made of.
PIECES = [b"[BXPARAM]", b"[bxparam]", b"[Other]", b"[BXPARAM", b"]", b"[", b"SetupExe",
          b"setupEXE", b"A", b" ", b"  ", b"\t", b"=", b"==", b"\"", b"'", b";", b"\r\n",
          b"\n", b"\r", b"x", b"b c", b"\xe9", b"\xc9", b"v" * 100, b"0",
          b"\x00", b"\x1a", b"\xa0", b"\x0b", b"\x0c", b"\x85", b"\x81\x40"]


def random_files(count, seed=1):
    rng = random.Random(seed)
    files = []
    for _ in range(count):
        lines = []
        for _ in range(rng.randint(1, 8)):
            lines.append(b"".join(rng.choice(PIECES) for _ in range(rng.randint(1, 7))))
        files.append(b"\r\n".join(lines) if rng.random() < 0.5 else b"\n".join(lines))
    return files


class ProfileReaderTest(unittest.TestCase):
    def test_reads_as_the_system_does(self):
        bed = winebed.bed()
        folder = os.path.join(bed.work, "profile")
        os.makedirs(folder, exist_ok=True)
        cases = []
        for i, content in enumerate(FILES + random_files(300)):
            path = os.path.join(folder, "case%04d.ini" % i)
            with open(path, "wb") as f:
                f.write(content)
            for key in KEYS:
                for section in SECTIONS if i < len(FILES) else SECTIONS[:1]:
                    for size in SIZES if i < len(FILES) else SIZES[:1]:
                        cases.append((content, winebed.to_windows(path), section, key, size))
        listing = os.path.join(folder, "cases.txt")
        with open(listing, "w", encoding="latin-1", newline="\n") as f:
            for _, path, section, key, size in cases:
                f.write("%s\t%s\t%s\t%d\n" % (path, section, key, size))
        out = os.path.join(folder, "out.txt")
        subprocess.run(["wine", bed.tool("profileprobe.exe"), winebed.to_windows(listing),
                        winebed.to_windows(out)], env=bed.env, timeout=bed.scaled(120), check=True,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        with open(out, encoding="ascii") as f:
            results = f.read().splitlines()
        self.assertEqual(len(results), len(cases))
        differences = []
        for (content, _, section, key, size), result in zip(cases, results):
            if result != "same":
                _, system, ours = (result.split("\t") + ["", ""])[:3]
                differences.append("%r [%s] %s (%d): system %r, ours %r" % (
                    content[:80], section, key, size, bytes.fromhex(system), bytes.fromhex(ours)))
        self.assertEqual([], differences, "\n".join(differences[:200]))


if __name__ == "__main__":
    unittest.main()
