#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "kit/disc/DiscText.h"

namespace {

TEST(ShortName, TakesWhatWininitTakes) {
    const struct {
        const char* name;
        bool bShort;
    } kCases[] = {
        {"OLEAUT32.DLL", true}, {"oleaut32.dll", true}, {"A", true},          {"STDOLE2.TLB", true},
        {"_BX~1.$$$", true},    {"CAF\xC9.DLL", true},  {"OLEAUTO32.DLL", false}, {"OLE.DLLX", false},
        {"OLE 32.DLL", false},  {"A.B.C", false},       {".DLL", false},      {"OLE.", false},
        {"A+B.DLL", false},     {"", false},
    };
    for (const auto& c : kCases) EXPECT_EQ(c.bShort, IsShortName(c.name)) << c.name;
}

// The line a finding points at is the one whose value the launcher reads.
TEST(ProfileLine, IsWhereTheReaderFindsTheKey) {
    const std::string kText =
        "\xEF\xBB\xBF; disc\r\n"         // 1
        "[autorun]\r\n"                  // 2
        "open=setup.exe /autorun\r\n"    // 3
        "\r\n"                           // 4
        "[ BXPARAM ]\n"                   // 5
        "SetupExe = a.exe\n"              // 6
        "setupexe=b.exe\r"                // 7
        "  ProductName\r\n"               // 8
        "[Other]\r\n"                    // 9
        "ExeName=x.exe\r\n"              // 10
        "[bxparam]\r\n"                  // 11
        "SetupMSI=p.msi\r\n";            // 12
    const struct {
        const char* section;
        const char* key;
        int line;
    } kCases[] = {
        {"AUTORUN", nullptr, 2}, {"autorun", "OPEN", 3},  {"BXPARAM", nullptr, 5}, {"BXPARAM", "SetupExe", 6},
        {"BXPARAM", "ProductName", 8}, {"BXPARAM", "ExeName", 0}, {"BXPARAM", "SetupMSI", 0}, {"Other", "ExeName", 10},
        {"Missing", nullptr, 0}, {"autorun", "icon", 0},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(c.line, ProfileLine(kText.data(), kText.size(), c.section, c.key)) << c.section << " " << (c.key ? c.key : "");
}

// A bracket without its mate opens no section, and the last byte may end a line.
TEST(ProfileLine, ReadsToTheLastByteAndNoFurther) {
    const std::string kText = "[BXPARAM]\n[no mate\nSetupExe=a.exe\r";
    std::vector<char> exact(kText.begin(), kText.end());  // no NUL after it for the sanitizer
    EXPECT_EQ(3, ProfileLine(exact.data(), exact.size(), "BXPARAM", "SetupExe"));
    EXPECT_EQ(0, ProfileLine(exact.data(), exact.size(), "no mate", nullptr));
}

TEST(AutorunOpen, FindsTheProgramAndTheSwitchAsTheLauncherDoes) {
    const struct {
        const char* line;
        const char* program;
        bool bSwitch;
    } kCases[] = {
        {"setup.exe /autorun", "setup.exe", true},
        {"setup.exe -AUTORUN /a", "setup.exe", true},
        {"setup.exe /a /Autorun", "setup.exe", true},
        {"setup.exe autorun", "setup.exe", true},
        {"\"my setup.exe\" /autorun", "my setup.exe", true},
        {"setup.exe /autorunx", "setup.exe", false},
        {"setup.exe \"/autorun now\"", "setup.exe", false},
        {"setup.exe", "setup.exe", false},
        {"", "", false},
    };
    for (const auto& c : kCases) {
        AutorunOpen open = ReadAutorunOpen(c.line);
        EXPECT_EQ(c.program, open.program) << c.line;
        EXPECT_EQ(c.bSwitch, open.autorunSwitch) << c.line;
    }
}

TEST(AutorunOpen, NamesTheLauncherAtTheRoot) {
    EXPECT_TRUE(NamesLauncher("SETUP.EXE", "setup.exe"));
    EXPECT_TRUE(NamesLauncher("\\setup.exe", "setup.exe"));
    EXPECT_TRUE(NamesLauncher(".\\setup.exe", "setup.exe"));
    EXPECT_FALSE(NamesLauncher("bin\\setup.exe", "setup.exe"));
    EXPECT_FALSE(NamesLauncher("setup", "setup.exe"));
    EXPECT_FALSE(NamesLauncher("", "setup.exe"));
}

TEST(ProfileSection, FoundAsTheReaderFindsIt) {
    const struct {
        const char* text;
        bool bFound;
    } kCases[] = {
        {"[BXPARAM]\r\n", true},     {"  [ bxparam ]  \n", true},  {"\xEF\xBB\xBF[BXPARAM]", true},
        {"[autorun]\n[BXPARAM", false}, {"x=[BXPARAM]\n", false},  {"[BXPARAMS]\n", false},
        {"[BXPARAM] trailing]\n", false}, {"[]\n", false},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(c.bFound, HasProfileSection(c.text, strlen(c.text), "BXPARAM")) << c.text;
}

TEST(CodePage, RoundTripsEveryByteThroughUtf8) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += (char)c;
    std::string back;
    ASSERT_TRUE(Utf8ToCp1252(Cp1252ToUtf8(all), &back));
    EXPECT_EQ(all, back);
    EXPECT_EQ("\xE2\x82\xAC", Cp1252ToUtf8("\x80"));
}

TEST(CodePage, RefusesWhatItCannotHold) {
    std::string out;
    for (const char* text : {"\xE4\xB8\xAD", "\xC3", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80"})
        EXPECT_FALSE(Utf8ToCp1252(text, &out)) << text;
}

TEST(VolumeLabel, IsoAndJolietAlike) {
    EXPECT_TRUE(IsVolumeLabel("BRINDLE_DEMO"));
    EXPECT_TRUE(IsVolumeLabel("A234567890123456"));
    EXPECT_FALSE(IsVolumeLabel("A2345678901234567"));
    EXPECT_FALSE(IsVolumeLabel("brindle"));
    EXPECT_FALSE(IsVolumeLabel("BRINDLE DEMO"));
    EXPECT_FALSE(IsVolumeLabel(""));
}

}  // namespace
