"""How a run of bxdisc try ends: its exit status, by the names bxdisc gives
the same numbers (exit_statuses.json, which bxdisc's ExitStatus.h and its
man page are written from), and the one exception for a disc or a Wine that
cannot be used."""
from __future__ import annotations

from typing import Final

from .schema import EXIT_STATUSES

_BY_NAME = {row.name: row.status for row in EXIT_STATUSES}

CLEAN: Final = _BY_NAME["clean"]              # the launcher did what the disc intends
FINDINGS: Final = _BY_NAME["findings"]        # it showed an error message, hung, or the button was not there
UNUSABLE: Final = _BY_NAME["unusable"]        # the disc, Wine or the sandbox cannot be used
INTERRUPTED: Final = _BY_NAME["interrupted"]


class Unusable(Exception):
    """The disc or Wine cannot be used: exit status UNUSABLE, with this message."""
