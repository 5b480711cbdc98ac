// try's schema as bxdisc takes it: the systems, the front window's buttons,
// the options' choices and number ranges, written when bxdisc is built from
// the file that try's runner reads (kit/try/bxdisc_try/schema.json), so that
// the two sides never know two lists. Macros (BX_TRY_SYSTEMS, BX_TRY_DPI_RANGE
// ...) are string literals, for the option table to be put together from.
#pragma once

// A numeric option: a whole number in its range, handed on as a number.
struct TryNumber {
    const char* option;  // "--dpi"
    long least, most;
};

// A button that --click names, and its control id in the front window.
struct TryButton {
    const char* name;
    int id;
};

#include "kit/try/TrySchemaTable.h"
