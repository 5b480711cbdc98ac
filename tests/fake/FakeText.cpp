#include "fake/FakeText.h"

#include "fake/Fake.h"
#include "platform/Text.h"
#include "platform/linux/Cp1252.h"

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
    return UpperCp1252(c);
}

}  // namespace platform
