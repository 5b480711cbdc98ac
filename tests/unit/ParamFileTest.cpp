#include <unistd.h>

#include <cstdio>
#include <string>

#include "fake/Fake.h"
#include "fake/TempDir.h"
#include "params/ParamFile.h"
#include "params/ProfileText.h"

namespace {

std::string Read(const std::string& text, const char* section, const char* key, DWORD size = 260) {
    char buf[1024];
    memset(buf, '#', sizeof buf);
    DWORD n = ReadProfileString(text.data(), text.size(), section, key, "", buf, size);
    EXPECT_EQ(strlen(buf), n);
    return buf;
}

struct ProfileRow {
    const char* text;
    const char* key;
    const char* value;
};

TEST(ProfileTextTest, ReadsValuesByTheProfileRules) {
    const ProfileRow rows[] = {
        {"[BXPARAM]\r\nSetupExe=setup\\a.exe\r\n", "SetupExe", "setup\\a.exe"},
        {"[bxparam]\nsetupexe = x.exe \t\n", "SetupExe", "x.exe"},              // case, blanks
        {"  [BXPARAM]  \n  SetupExe  =  x  \n", "SetupExe", "x"},
        {"[ BXPARAM ]\nSetupExe=x\n", "SetupExe", "x"},                           // header name trimmed
        {"[BXPARAM]\nSetupExe=\"a b.exe\"\n", "SetupExe", "a b.exe"},          // one pair of quotes
        {"[BXPARAM]\nSetupExe='a'\n", "SetupExe", "a"},
        {"[BXPARAM]\nSetupExe=\"a'\n", "SetupExe", "\"a'"},                    // mismatched quotes stay
        {"[BXPARAM]\nSetupExe=\"\"a\"\"\n", "SetupExe", "\"a\""},              // only the outer pair
        {"[BXPARAM]\nSetupExe=\"\n", "SetupExe", "\""},
        {"[BXPARAM]\nSetupExe=\n", "SetupExe", ""},
        {"[BXPARAM]\nSetupExe\n", "SetupExe", ""},
        {"[BXPARAM]\nSetupExe=a=b\n", "SetupExe", "a=b"},
        {"[BXPARAM]\nSetupExe=;not a comment\n", "SetupExe", ";not a comment"},
        {"[BXPARAM]\n;SetupExe=commented\n", "SetupExe", ""},
        {"[BXPARAM]\nSetupExe=first\nSetupExe=second\n", "SetupExe", "first"},
        {"[BXPARAM]\nA=1\n[BXPARAM]\nSetupExe=later\n", "SetupExe", ""},       // repeated header
        {"[Other]\nSetupExe=no\n[BXPARAM]\nSetupExe=yes\n[Next]\nSetupExe=no\n", "SetupExe", "yes"},
        {"SetupExe=outside\n[BXPARAM]\n", "SetupExe", ""},
        {"[BXPARAM\nSetupExe=x\n", "SetupExe", ""},                             // no closing bracket
        {"[BXPARAM] trailing]\nSetupExe=x\n", "SetupExe", ""},                  // name up to the last ]
        {"[BXPARAM]\rSetupExe=cr\r", "SetupExe", "cr"},
        {"", "SetupExe", ""},
        {"\x1a[BXPARAM]\nSetupExe=\x1a eof \x1a\n", "SetupExe", "eof"},     // DOS end-of-file marks
        {"\xef\xbb\xbf[BXPARAM]\nSetupExe=bom\n", "SetupExe", "bom"},
    };
    for (const ProfileRow& row : rows) EXPECT_EQ(row.value, Read(row.text, "BXPARAM", row.key)) << row.text;
}

TEST(ProfileTextTest, ANulEndsTheValue) {
    EXPECT_EQ("ab", Read(std::string("[BXPARAM]\nSetupExe=ab\0cd\n", 23), "BXPARAM", "SetupExe"));
}

TEST(ProfileTextTest, CutsLongValuesToTheBuffer) {
    std::string value(300, 'v');
    std::string text = "[BXPARAM]\nSetupExe=" + value + "\n";
    EXPECT_EQ(value.substr(0, 259), Read(text, "BXPARAM", "SetupExe", 260));
    EXPECT_EQ("", Read(text, "BXPARAM", "SetupExe", 1));
}

class ParamFileTest : public FakeTest {
protected:
    std::string path = ProcessTempDir() + "ParamFileTest.inf";
    void Write(const std::string& text) { WriteTextFile(path, text); }
    void TearDown() override { remove(path.c_str()); }
};

TEST_F(ParamFileTest, ReadsEveryKeyByItsName) {
    std::string text = "[BXPARAM]\n";
    for (int i = 0; i < 10; ++i)
        text += std::string(GetParamKeyName((ParamKey)i)) + "=v" + std::to_string(i) + "\n";
    Write(text);
    CParamFile params(path.c_str());
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(CString(("v" + std::to_string(i)).c_str()), params.GetValue((ParamKey)i));
    EXPECT_EQ(CString(""), params.GetValue((ParamKey)10));
    EXPECT_EQ(CString(""), params.GetValue((ParamKey)-1));
}

TEST_F(ParamFileTest, ABareFileNameIsNeverLookedFor) {
    // What GetLauncherDirectory() + "Autorun.inf" gives when the launcher's
    // folder is unknown: Win32 would take the Windows directory's file.
    path = ProcessTempDir() + "Autorun.inf";
    Write("[BXPARAM]\nSetupExe=elsewhere.exe\n");
    char cwd[4096];
    ASSERT_NE(nullptr, getcwd(cwd, sizeof cwd));
    ASSERT_EQ(0, chdir(ProcessTempDir().c_str()));
    EXPECT_EQ(CString(""), CParamFile("Autorun.inf").GetValue(SetupExe));
    EXPECT_EQ(CString("elsewhere.exe"), CParamFile("./Autorun.inf").GetValue(SetupExe));
    ASSERT_EQ(0, chdir(cwd));
}

TEST_F(ParamFileTest, ReadsTheFileAnewAndGivesEmptyWhenItIsMissing) {
    CParamFile params(path.c_str());
    EXPECT_EQ(CString(""), params.GetValue(SetupExe));
    Write("[BXPARAM]\nSetupExe=a.exe\n");
    EXPECT_EQ(CString("a.exe"), params.GetValue(SetupExe));
    Write("[BXPARAM]\nSetupExe=b.exe\n");
    EXPECT_EQ(CString("b.exe"), params.GetValue(SetupExe));
    Write(std::string("\0\xff\xfe[BXPARAM]\0\n", 14));
    EXPECT_EQ(CString(""), params.GetValue(SetupExe));
}

}  // namespace
