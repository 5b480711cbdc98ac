#pragma once

#include <set>

namespace fake {

struct TextState {
    // Lead bytes of the simulated ANSI code page; none by default (code page
    // 1252). UseShiftJis() sets those of code page 932.
    std::set<unsigned char> leadBytes;
    void UseShiftJis();
};

TextState& Text();

}  // namespace fake
