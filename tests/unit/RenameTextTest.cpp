#include <string>

#include "fake/Fake.h"
#include "prereq/RenameText.h"

namespace {

using RenameTextTest = FakeTest;

const char kSys[] = "E:\\WINDOWS\\SYSTEM\\";

std::string Lines(int nFiles) {
    const char* names[] = {"OLEAUT32.DLL", "STDOLE2.TLB"};
    const char* staged[] = {"_BX1A.TMP", "_BX1B.TMP"};
    CString strLines;
    for (int i = 0; i < nFiles; ++i)
        AppendRenamePair(strLines, CString(kSys) + names[i], CString(kSys) + staged[i]);
    return strLines.GetString();
}

TEST_F(RenameTextTest, ANewSectionHoldsAPairPerFile) {
    EXPECT_EQ("[rename]\r\n", std::string(MergeRenameLines("", Lines(0).c_str())));
    EXPECT_EQ("[rename]\r\n"
              "NUL=E:\\WINDOWS\\SYSTEM\\OLEAUT32.DLL\r\n"
              "E:\\WINDOWS\\SYSTEM\\OLEAUT32.DLL=E:\\WINDOWS\\SYSTEM\\_BX1A.TMP\r\n",
              std::string(MergeRenameLines("", Lines(1).c_str())));
    EXPECT_EQ("[rename]\r\n"
              "NUL=E:\\WINDOWS\\SYSTEM\\OLEAUT32.DLL\r\n"
              "E:\\WINDOWS\\SYSTEM\\OLEAUT32.DLL=E:\\WINDOWS\\SYSTEM\\_BX1A.TMP\r\n"
              "NUL=E:\\WINDOWS\\SYSTEM\\STDOLE2.TLB\r\n"
              "E:\\WINDOWS\\SYSTEM\\STDOLE2.TLB=E:\\WINDOWS\\SYSTEM\\_BX1B.TMP\r\n",
              std::string(MergeRenameLines("", Lines(2).c_str())));
}

struct MergeRow {
    const char* name;
    std::string existing;
    std::string expected;  // with @ where our lines go
};

TEST_F(RenameTextTest, MergeKeepsEveryExistingLine) {
    const std::string ours = Lines(1);
    const MergeRow rows[] = {
        {"no rename section", "[boot]\r\nshell=x\r\n", "[boot]\r\nshell=x\r\n[rename]\r\n@"},
        {"no final line end", "[boot]\r\nshell=x", "[boot]\r\nshell=x\r\n[rename]\r\n@"},
        {"LF file", "[boot]\nshell=x\n", "[boot]\nshell=x\n[rename]\r\n@"},
        {"end of its section", "[Rename]\nNUL=C:\\a.txt\n\n[other]\nk=v\n",
         "[Rename]\nNUL=C:\\a.txt\n@\n[other]\nk=v\n"},
        {"first section only", "[RENAME]\r\nNUL=a\r\n[x]\r\n[rename]\r\nNUL=b\r\n",
         "[RENAME]\r\nNUL=a\r\n@[x]\r\n[rename]\r\nNUL=b\r\n"},
        {"last line without end", "[x]\r\n[rename]\r\nNUL=a", "[x]\r\n[rename]\r\nNUL=a\r\n@"},
        {"header alone at the end", "[rename]", "[rename]\r\n@"},
        {"empty section", "[rename]\r\n\r\n[x]\r\n", "[rename]\r\n@\r\n[x]\r\n"},
        {"blanks around the header", "  [rename] \t\r\nNUL=a\r\n", "  [rename] \t\r\nNUL=a\r\n@"},
        {"a longer name", "[renamed]\r\nNUL=a\r\n", "[renamed]\r\nNUL=a\r\n[rename]\r\n@"},
        {"not a header", "x=[rename]\r\n", "x=[rename]\r\n[rename]\r\n@"},
    };
    for (const MergeRow& row : rows) {
        std::string expected = row.expected;
        expected.replace(expected.find('@'), 1, ours);
        EXPECT_EQ(expected, std::string(MergeRenameLines(row.existing.c_str(), ours.c_str())))
            << row.name;
    }
}

TEST_F(RenameTextTest, NoLinesLeaveAnExistingSectionAsItWas) {
    EXPECT_EQ("[rename]\nNUL=a", std::string(MergeRenameLines("[rename]\nNUL=a", "")));
}

}  // namespace
