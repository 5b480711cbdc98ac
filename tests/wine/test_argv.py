"""How this Wine's msvcrt.dll splits a command line into argv.

The launcher splits its command line itself and must split it as the C
runtime does; this table is the rule it copies, checked against the real
thing so that a change in Wine shows up here first.
"""

import unittest

import winebed

# (command line as CreateProcess gets it, argv as __getmainargs gives it)
SPLITS = [
    # blanks and tabs separate; runs of them count once; none at the end
    ('recstub.exe a b', ['recstub.exe', 'a', 'b']),
    ('recstub.exe  a\tb  ', ['recstub.exe', 'a', 'b']),
    ('recstub.exe\ta', ['recstub.exe', 'a']),
    # other control characters are ordinary
    ('recstub.exe a\x0bb \x01c', ['recstub.exe', 'a\x0bb', '\x01c']),
    # quotes group, anywhere in an argument, and need no closing
    ('recstub.exe "a b" c', ['recstub.exe', 'a b', 'c']),
    ('recstub.exe a"b c"d e', ['recstub.exe', 'ab cd', 'e']),
    ('recstub.exe "a b', ['recstub.exe', 'a b']),
    ('recstub.exe a"', ['recstub.exe', 'a']),
    ('recstub.exe "\t"', ['recstub.exe', '\t']),
    # an empty pair is an empty argument
    ('recstub.exe ""', ['recstub.exe', '']),
    ('recstub.exe "" ""', ['recstub.exe', '', '']),
    ('recstub.exe  "" ', ['recstub.exe', '']),
    # outside quotes, "" opens and closes: nothing
    ('recstub.exe a""b', ['recstub.exe', 'ab']),
    ('recstub.exe ""a', ['recstub.exe', 'a']),
    # inside quotes, "" is one literal quote and the quotes go on
    ('recstub.exe "a""b"', ['recstub.exe', 'a"b']),
    ('recstub.exe "a""b c"', ['recstub.exe', 'a"b c']),
    ('recstub.exe "a"" b"', ['recstub.exe', 'a" b']),
    ('recstub.exe "a""', ['recstub.exe', 'a"']),
    ('recstub.exe """a"""', ['recstub.exe', '"a"']),
    ('recstub.exe """"', ['recstub.exe', '"']),
    ('recstub.exe """"""', ['recstub.exe', '""']),
    ('recstub.exe """"" x', ['recstub.exe', '"" x']),
    ('recstub.exe "a"""b c"', ['recstub.exe', 'a"b', 'c']),
    ('recstub.exe " "" "', ['recstub.exe', ' " ']),
    # backslashes: 2n before a quote give n and the quote acts; 2n+1 give n
    # and a literal quote; elsewhere they are literal
    ('recstub.exe a\\"b', ['recstub.exe', 'a"b']),
    ('recstub.exe \\"', ['recstub.exe', '"']),
    ('recstub.exe a\\\\"b c"', ['recstub.exe', 'a\\b c']),
    ('recstub.exe a\\\\\\"b', ['recstub.exe', 'a\\"b']),
    ('recstub.exe a\\\\\\\\"b"', ['recstub.exe', 'a\\\\b']),
    ('recstub.exe a\\\\b\\ c', ['recstub.exe', 'a\\\\b\\', 'c']),
    ('recstub.exe \\\\', ['recstub.exe', '\\\\']),
    ('recstub.exe "a\\"', ['recstub.exe', 'a"']),
    ('recstub.exe "a\\"b"', ['recstub.exe', 'a"b']),
    ('recstub.exe "a\\\\" b', ['recstub.exe', 'a\\', 'b']),
    ('recstub.exe "a\\\\"b"', ['recstub.exe', 'a\\b']),
    ('recstub.exe "a\\""b"', ['recstub.exe', 'a"b']),
    # the program name follows the same rules as every other argument
    ('"recstub.exe" a', ['recstub.exe', 'a']),
    ('"rec"stub.exe a', ['recstub.exe', 'a']),
    ('""recstub.exe a', ['recstub.exe', 'a']),
    ('"recstub.exe"a b', ['recstub.exea', 'b']),
    ('recstub.exe"x y" z', ['recstub.exex y', 'z']),
    ('"recstub.exe""" a', ['recstub.exe"', 'a']),
    ('re\\"cstub.exe a', ['re"cstub.exe', 'a']),
    ('"re\\"cstub.exe a b', ['re"cstub.exe a b']),
    ('"C:\\x y\\recstub.exe" a', ['C:\\x y\\recstub.exe', 'a']),
    ('"C:\\x y\\"recstub.exe a', ['C:\\x y"recstub.exe a']),
    # ... and starts at the first character: a leading blank ends it empty
    ('  recstub.exe a', ['', 'recstub.exe', 'a']),
    ('\trecstub.exe a', ['', 'recstub.exe', 'a']),
    (' "recstub.exe" a', ['', 'recstub.exe', 'a']),
    ('"" a b', ['', 'a', 'b']),
    (' ', ['']),
]


class ArgvSplittingTest(unittest.TestCase):
    def test_msvcrt_splits_as_the_table_says(self):
        bed = winebed.bed()
        disc = bed.new_disc()
        disc.add_stub()
        # The application name is given apart, so any first word runs the stub.
        steps = ["dir D:\\", "app D:\\recstub.exe"]
        for line, _ in SPLITS:
            steps += ["cmd " + line, "start", "wait-exit"]
        report = bed.drive(steps)
        self.assertTrue(report.ok, report)
        runs = disc.wait_runs(count=len(SPLITS))
        self.assertEqual(len(runs), len(SPLITS))
        for (line, argv), run in zip(SPLITS, runs):
            with self.subTest(cmdline=line):
                self.assertEqual(run["cmdline"], line)
                self.assertEqual(run["argv"], argv)


if __name__ == "__main__":
    unittest.main()
