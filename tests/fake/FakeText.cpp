#include "fake/FakeText.h"

#include "fake/Fake.h"
#include "platform/Text.h"

namespace fake {

static TextState g_text;
static Resetter g_reset([] { g_text = TextState(); });

TextState& Text() { return g_text; }

void TextState::UseShiftJis() {
    leadBytes.clear();
    for (int c = 0x81; c <= 0x9F; ++c) leadBytes.insert((unsigned char)c);
    for (int c = 0xE0; c <= 0xFC; ++c) leadBytes.insert((unsigned char)c);
}

}  // namespace fake

namespace platform {

bool IsLeadByte(unsigned char c) { return fake::g_text.leadBytes.count(c) != 0; }

unsigned char UpperChar(unsigned char c) {
    if (!fake::g_text.leadBytes.empty()) {  // a double-byte code page folds ASCII only
        return (c >= 'a' && c <= 'z') ? (unsigned char)(c - 32) : c;
    }
    // Code page 1252: ASCII and the Latin-1 letters.
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return (unsigned char)(c - 32);
    if (c == 0x9A || c == 0x9C || c == 0x9E) return (unsigned char)(c - 16);
    if (c == 0xFF) return 0x9F;
    return c;
}

}  // namespace platform
