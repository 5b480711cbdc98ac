#include "app/LaunchRules.h"
#include "fake/Fake.h"
#include "fake/FakeText.h"
#include "framework/String.h"

namespace {

class TextRulesTest : public FakeTest {};

struct CompareRow {
    bool shiftJis;
    const char* a;
    const char* b;
    int sign;
};

TEST_F(TextRulesTest, CompareNoCaseFoldsSingleBytesAndKeepsDoubleBytesWhole) {
    const CompareRow rows[] = {
        {false, "Autorun", "AUTORUN", 0},
        {false, "autorun", "autorunx", -1},
        {false, "", "", 0},
        {false, "b", "A", 1},
        {false, "caf\xe9", "CAF\xc9", 0},        // Latin-1 letters fold in code page 1252
        {true, "caf\xe9", "CAF\xc9", 1},         // ...but not where 0xE9 is a lead byte
        {true, "\x82\x61", "\x82\x41", 1},       // a trail byte that looks like 'a' is not folded
        {true, "\x82\x61x", "\x82\x61X", 0},
        {true, "ab\x82", "AB\x82", 0},           // a lone lead byte at the end
        {true, "\x82", "\x82\x41", -1},
    };
    for (const CompareRow& row : rows) {
        fake::ResetAll();
        if (row.shiftJis) fake::Text().UseShiftJis();
        int n = CompareNoCase(row.a, row.b);
        EXPECT_EQ(row.sign, (n > 0) - (n < 0)) << row.a << " vs " << row.b;
        EXPECT_EQ(-row.sign, (CompareNoCase(row.b, row.a) > 0) - (CompareNoCase(row.b, row.a) < 0));
    }
}

TEST_F(TextRulesTest, UpperCaseKeepsLengthAndDoubleByteCharacters) {
    fake::Text().UseShiftJis();
    CString s("/auto\x82\x61run");
    s.MakeUpper();
    EXPECT_EQ(CString("/AUTO\x82\x61RUN"), s);
}

struct StripRow {
    const char* tail;
    const char* expected;
};

TEST_F(TextRulesTest, StripAutorunSwitchCutsExactlyTheFirstSwitch) {
    const StripRow rows[] = {
        {"/autorun", ""},
        {"/autorun /a", " /a"},                   // the leading blank stays
        {"-AUTORUN", ""},
        {"/AutoRun /L:1033", " /L:1033"},          // the rest keeps its case
        {"x -AUTORUN y /AUTORUN z", "x -AUTORUN y  z"},  // the slash form is looked for first
        {"/AUTORUNX", "X"},
        {"/a /autorun /autorun", "/a  /autorun"},  // only the first
        {"/auto run", "/auto run"},
        {"", ""},
        {"  \"C:\\My Files\\x.txt\"", "  \"C:\\My Files\\x.txt\""},
    };
    for (const StripRow& row : rows)
        EXPECT_EQ(CString(row.expected), StripAutorunSwitch(row.tail)) << row.tail;
}

TEST_F(TextRulesTest, StripAutorunSwitchSkipsDoubleByteCharacters) {
    fake::Text().UseShiftJis();
    // 0x83 0x2F is not a slash; the real switch further on is found.
    EXPECT_EQ(CString("\x83/autorun x"), StripAutorunSwitch("\x83/autorun x/autorun"));
}

TEST_F(TextRulesTest, EndsWithCharTakesADoubleByteCharacterWhole) {
    fake::Text().UseShiftJis();
    const struct {
        const char* text;
        bool endsWithBackslash;
    } rows[] = {
        {"C:\\\x95\x5c", false},  // 0x95 0x5C is one character
        {"C:\\\x95\x5c\\", true},
        {"C:\\a\\", true},
        {"\\", true},
        {"", false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.endsWithBackslash, CString(row.text).EndsWithChar('\\')) << row.text;
}

struct TitleRow {
    bool shiftJis;
    const char* title;
    const char* wanted;
    bool match;
};

TEST_F(TextRulesTest, WindowTitleMatchesByItsBeginningWithoutCase) {
    const TitleRow rows[] = {
        {false, "Brindle Writer - Document1", "brindle writer", true},
        {false, "Brindle Writer", "Brindle Writer", true},
        {false, "Brindle", "Brindle Writer", false},  // shorter than wanted
        {false, "The Brindle Writer", "Brindle", false},
        {false, "anything", "", true},
        {true, "\x82\x61 Writer", "\x82\x41 Writer", false},  // trail bytes are not letters
        {true, "\x82\x61 Writer", "\x82\x61 WRITER", true},
    };
    for (const TitleRow& row : rows) {
        fake::ResetAll();
        if (row.shiftJis) fake::Text().UseShiftJis();
        EXPECT_EQ(row.match, MatchesWindowTitle(row.title, row.wanted)) << row.title << " / " << row.wanted;
    }
}

}  // namespace
