#include "fake/Fake.h"
#include "fake/FakeVersionInfo.h"
#include "prereq/VersionInfo.h"

namespace {

using VersionInfoTest = FakeTest;

struct ReadRow {
    const char* text;
    LONG n[4];
};

TEST_F(VersionInfoTest, ReadsFourNumbersAsScanfWould) {
    const ReadRow rows[] = {
        {"4,71,0,1120", {4, 71, 0, 1120}},
        {"4.71.0.1120", {4, 0, 0, 0}},  // a dot is no comma here
        {"", {0, 0, 0, 0}},
        {"abc", {0, 0, 0, 0}},
        {" 4,\t71", {4, 71, 0, 0}},      // white space before a number is skipped
        {"4 ,71", {4, 0, 0, 0}},         // but a comma must follow at once
        {"+3,-2,0", {3, -2, 0, 0}},
        {"-,5", {0, 0, 0, 0}},
        {"1,,3", {1, 0, 0, 0}},
        {"1,2,3,4,5", {1, 2, 3, 4}},
        {"7x,8", {7, 0, 0, 0}},
        {"2147483647,-2147483648", {2147483647, -2147483647 - 1, 0, 0}},
        {"99999999999,-99999999999,4294967297", {2147483647, -2147483647 - 1, 2147483647, 0}},
    };
    for (const ReadRow& row : rows) {
        VersionNumbers v = ReadVersionNumbers(row.text);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(row.n[i], v.n[i]) << row.text << " #" << i;
    }
}

struct CompareRow {
    const char* a;
    const char* b;
    int expected;
};

TEST_F(VersionInfoTest, ComparesVersionTextsAsFourNumbers) {
    const CompareRow rows[] = {
        {"3.50.0.0", "3.50", 0},
        {"3.50.0.1", "3.50.0.0", 1},
        {"2.40.4275", "3.50.0.0", -1},
        {"3.5", "3.50", -1},  // 5 against 50, not a decimal fraction
        {"3.51", "3.50.0.0", 1},
        {"4.0", "3.50.0.0", 1},
        {"-1.0.0.0", "0.0.0.0", -1},
        {"3.50a.1", "3.50.0.0", 0},  // reading stops at the letter
        {"5, 1, 2600, 0", "5.1.2600.0", 0},
        {"4.71.1120", "4,71,1120,0", 0},
        {"", "abc", 0},
        {"", "0.0.0.1", -1},
        {"4294967297.0", "4.0", 1},  // saturates instead of wrapping to 1
    };
    for (const CompareRow& row : rows) {
        EXPECT_EQ(row.expected, CompareVersions(row.a, row.b)) << row.a << " vs " << row.b;
        EXPECT_EQ(-row.expected, CompareVersions(row.b, row.a)) << row.b << " vs " << row.a;
    }
}

TEST_F(VersionInfoTest, NamesTheStringBlockByTranslationCode) {
    EXPECT_EQ(CString("\\StringFileInfo\\040904e4\\ProductVersion"),
              VersionStringBlockName(0x040904E4, "ProductVersion"));
    EXPECT_EQ(CString("\\StringFileInfo\\000004b0\\FileVersion"),
              VersionStringBlockName(0x000004B0, "FileVersion"));
}

const char kLib[] = "C:\\WINDOWS\\SYSTEM\\OLEAUT32.DLL";

TEST_F(VersionInfoTest, ReadsTheStringOfTheFirstTranslation) {
    fake::VersionInfo()
        .File(kLib)
        .Translations({{0x0407, 0x04B0}, {0x0409, 0x04E4}})
        .String(0x040704B0, "ProductVersion", "2.40.4275")
        .String(0x040904E4, "ProductVersion", "9.9");
    EXPECT_EQ(CString("2.40.4275"), GetFileVersionString(kLib, "ProductVersion"));
}

TEST_F(VersionInfoTest, FallsBackToUsEnglishWithoutAUsableTranslationTable) {
    auto& file = fake::VersionInfo().File(kLib).String(0x040904E4, "ProductVersion", "3.50");
    EXPECT_EQ(CString("3.50"), GetFileVersionString(kLib, "ProductVersion"));
    EXPECT_EQ("\\StringFileInfo\\040904e4\\ProductVersion", fake::VersionInfo().queries.back());

    file.blocks["\\varfileinfo\\translation"] = std::string("\x07\x04", 2);  // half an entry
    EXPECT_EQ(CString("3.50"), GetFileVersionString(kLib, "ProductVersion"));
}

TEST_F(VersionInfoTest, CutsTheStringToTheReportedLengthAndItsZero) {
    auto& blocks = fake::VersionInfo().File(kLib).blocks;
    const char* name = "\\stringfileinfo\\040904e4\\productversion";
    blocks[name] = std::string("4.0\0junk", 8);
    EXPECT_EQ(CString("4.0"), GetFileVersionString(kLib, "ProductVersion"));
    blocks[name] = "3.50.0.0";  // no zero counted: nothing read beyond
    EXPECT_EQ(CString("3.50.0.0"), GetFileVersionString(kLib, "ProductVersion"));
}

TEST_F(VersionInfoTest, GivesEmptyTextOnEveryFailure) {
    EXPECT_EQ(CString(""), GetFileVersionString(kLib, "ProductVersion"));  // no resource
    fake::VersionInfo().File(kLib).String(0x040904E4, "FileVersion", "4.0");
    EXPECT_EQ(CString(""), GetFileVersionString(kLib, "ProductVersion"));  // no such string
    fake::VersionInfo().infoFails = true;
    EXPECT_EQ(CString(""), GetFileVersionString(kLib, "FileVersion"));
}

}  // namespace
