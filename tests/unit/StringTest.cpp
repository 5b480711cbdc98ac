#include <cstring>
#include <string>

#include "fake/Fake.h"
#include "fake/FakeProcess.h"
#include "framework/Format.h"
#include "framework/MessageBox.h"
#include "framework/String.h"

namespace {

std::string Fmt(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char buf[64];
    int n = FormatText(buf, sizeof buf, format, args);
    va_end(args);
    EXPECT_EQ((int)strlen(buf), std::min(n, 63));
    return buf;
}

TEST(StringTest, FormatsTheConversionsInUse) {
    EXPECT_EQ("Could not run D:\\a.exe", Fmt("Could not run %s", "D:\\a.exe"));
    EXPECT_EQ("\\StringFileInfo\\040904e4\\ProductVersion",
              Fmt("\\StringFileInfo\\%08lx\\%s", 0x040904E4u, "ProductVersion"));
    EXPECT_EQ("-12,0,4294967295", Fmt("%d,%d,%u", -12, 0, 0xFFFFFFFFu));
    EXPECT_EQ("100% [x]", Fmt("100%% [%c]", 'x'));
    EXPECT_EQ("-2147483648", Fmt("%d", (int)0x80000000u));
}

TEST(StringTest, FormatCutsToTheBufferButCountsEverything) {
    char buf[4];
    va_list none{};
    EXPECT_EQ(6, FormatText(buf, sizeof buf, "abcdef", none));
    EXPECT_STREQ("abc", buf);
    EXPECT_EQ(6, FormatText(nullptr, 0, "abcdef", none));

    // Exactly filling the buffer, and cutting: the byte past it is never written.
    for (const char* text : {"abc", "abcd", "abcdef"}) {
        char guarded[5];
        memset(guarded, '#', sizeof guarded);
        FormatText(guarded, 4, text, none);
        EXPECT_STREQ("abc", guarded) << text;
        EXPECT_EQ('#', guarded[4]) << text;
    }
}

TEST(StringTest, ValueSemanticsAndSlicing) {
    CString a("hello"), b = a;
    b += " world";
    EXPECT_EQ(CString("hello"), a);
    EXPECT_EQ(CString("hello world"), b);
    EXPECT_EQ(CString("hel"), b.Left(3));
    EXPECT_EQ(CString("world"), b.Mid(6));
    EXPECT_EQ(CString("orl"), b.Mid(7, 3));
    EXPECT_EQ(CString("ld"), b.Right(2));
    EXPECT_EQ(CString(""), b.Mid(50));
    EXPECT_EQ(CString("hello world"), b.Left(99));
    b = b.GetString() + 6;  // assigning a piece of itself
    EXPECT_EQ(CString("world"), b);
    CString big;
    for (int i = 0; i < 1000; ++i) big += 'x';
    EXPECT_EQ(1000, big.GetLength());
    CString s;
    s.Format("%s-%s", "a", big.GetString());
    EXPECT_EQ(1002, s.GetLength());
}

class StringTableTest : public FakeTest {};

TEST_F(StringTableTest, HoldsTheLaunchersTextsExactly) {
    const std::pair<unsigned, const char*> table[] = {
        {100, "Could not run %s"},
        {109, "Invalid parameters"},
        {110, "setup.exe [/autorun] [/a]"},
        {112, "Could not find %s"},
        {113, "Installation is in progress...\nIt is now necessary to reboot the computer.\nReboot now?"},
        {114, "We strongly recommend that you exit the installation and reboot your computer now.  "
              "Click YES to exit now."},
        {57344, "Setup"},
        {57355, "Brindle"},
        {57356, "BXSETUP"},
        {57357, "Could not find SetupExe in param file"},
    };
    for (const auto& entry : table) EXPECT_EQ(CString(entry.second), AfxLoadString(entry.first)) << entry.first;
    EXPECT_EQ(CString(""), AfxLoadString(101));
}

}  // namespace
