"""How a run of bxdisc try ends: its exit status, and the one exception for
a disc or a Wine that cannot be used."""

DONE = 0         # the launcher did what the disc intends
FAILED = 1       # it showed an error message, hung, or the button was not there
UNUSABLE = 2     # the disc, Wine or the sandbox cannot be used
INTERRUPTED = 130


class Unusable(Exception):
    """The disc or Wine cannot be used: exit status 2, with this message."""
