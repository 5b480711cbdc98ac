#include <string>
#include <vector>

#include "fake/Fake.h"
#include "framework/CommandLine.h"
#include "framework/CommandLineInfo.h"

namespace {

std::vector<std::string> Split(const char* cmdLine) {
    std::vector<std::string> args;
    CString arg;
    for (const char* p = NextArgument(SkipProgramName(cmdLine), arg); p; p = NextArgument(p, arg))
        args.push_back(arg.GetString());
    return args;
}

struct SplitRow {
    const char* cmdLine;
    std::vector<std::string> args;
};

// The rows of tests/wine/test_argv.py, which pins them on Wine's msvcrt.dll;
// the program name is left out here.
TEST(CommandLineTest, SplitsArgumentsLikeTheCRuntime) {
    const SplitRow rows[] = {
        {"recstub.exe a b", {"a", "b"}},
        {"recstub.exe  a\tb  ", {"a", "b"}},
        {"recstub.exe\ta", {"a"}},
        {"recstub.exe a\x0b""b \x01""c", {"a\x0b""b", "\x01""c"}},
        {"recstub.exe \"a b\" c", {"a b", "c"}},
        {"recstub.exe a\"b c\"d e", {"ab cd", "e"}},
        {"recstub.exe \"a b", {"a b"}},
        {"recstub.exe a\"", {"a"}},
        {"recstub.exe \"\t\"", {"\t"}},
        {"recstub.exe \"\"", {""}},
        {"recstub.exe \"\" \"\"", {"", ""}},
        {"recstub.exe  \"\" ", {""}},
        {"recstub.exe a\"\"b", {"ab"}},
        {"recstub.exe \"\"a", {"a"}},
        {"recstub.exe \"a\"\"b\"", {"a\"b"}},
        {"recstub.exe \"a\"\"b c\"", {"a\"b c"}},
        {"recstub.exe \"a\"\" b\"", {"a\" b"}},
        {"recstub.exe \"a\"\"", {"a\""}},
        {"recstub.exe \"\"\"a\"\"\"", {"\"a\""}},
        {"recstub.exe \"\"\"\"", {"\""}},
        {"recstub.exe \"\"\"\"\"\"", {"\"\""}},
        {"recstub.exe \"\"\"\"\" x", {"\"\" x"}},
        {"recstub.exe \"a\"\"\"b c\"", {"a\"b", "c"}},
        {"recstub.exe \" \"\" \"", {" \" "}},
        {"recstub.exe a\\\"b", {"a\"b"}},
        {"recstub.exe \\\"", {"\""}},
        {"recstub.exe a\\\\\"b c\"", {"a\\b c"}},
        {"recstub.exe a\\\\\\\"b", {"a\\\"b"}},
        {"recstub.exe a\\\\\\\\\"b\"", {"a\\\\b"}},
        {"recstub.exe a\\\\b\\ c", {"a\\\\b\\", "c"}},
        {"recstub.exe \\\\", {"\\\\"}},
        {"recstub.exe \"a\\\"", {"a\""}},
        {"recstub.exe \"a\\\"b\"", {"a\"b"}},
        {"recstub.exe \"a\\\\\" b", {"a\\", "b"}},
        {"recstub.exe \"a\\\\\"b\"", {"a\\b"}},
        {"recstub.exe \"a\\\"\"b\"", {"a\"b"}},
        {"\"recstub.exe\" a", {"a"}},
        {"\"rec\"stub.exe a", {"a"}},
        {"\"\"recstub.exe a", {"a"}},
        {"\"recstub.exe\"a b", {"b"}},
        {"recstub.exe\"x y\" z", {"z"}},
        {"\"recstub.exe\"\"\" a", {"a"}},
        {"re\\\"cstub.exe a", {"a"}},
        {"\"re\\\"cstub.exe a b", {}},
        {"\"C:\\x y\\recstub.exe\" a", {"a"}},
        {"\"C:\\x y\\\"recstub.exe a", {}},
        {"  recstub.exe a", {"recstub.exe", "a"}},
        {"\trecstub.exe a", {"recstub.exe", "a"}},
        {" \"recstub.exe\" a", {"recstub.exe", "a"}},
        {"\"\" a b", {"a", "b"}},
        {" ", {}},
    };
    for (const SplitRow& row : rows) EXPECT_EQ(row.args, Split(row.cmdLine)) << row.cmdLine;
}

struct TailRow {
    const char* cmdLine;
    const char* tail;
};

TEST(CommandLineTest, TailDropsProgramNameAndTheBlanksAfterIt) {
    const TailRow rows[] = {
        {"setup.exe /autorun /a", "/autorun /a"},
        {"\"D:\\my disc\\setup.exe\"  /a  ", "/a  "},
        {"\"D:\\setup.exe\"/a", "/a"},
        {"setup.exe", ""},
        {"setup.exe\t\r\n x", "x"},    // everything at or below the blank goes
        {"\"D:\\unterminated", ""},
        {"", ""},
    };
    for (const TailRow& row : rows) EXPECT_STREQ(row.tail, CommandLineTail(row.cmdLine)) << row.cmdLine;
}

struct Recorder : CCommandLineInfo {
    std::vector<std::string> calls;
    void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast) override {
        calls.push_back(std::string(pszParam) + (bFlag ? " flag" : "") + (bLast ? " last" : ""));
    }
};

TEST(CommandLineTest, ParseCommandLineStripsOneSwitchCharacterAndMarksTheLast) {
    Recorder r;
    ParseCommandLine("setup.exe /autorun -a //x file \"\" /", r);
    EXPECT_EQ((std::vector<std::string>{"autorun flag", "a flag", "/x flag", "file", "", " flag last"}),
              r.calls);

    Recorder none;
    ParseCommandLine("setup.exe   ", none);
    EXPECT_TRUE(none.calls.empty());
}

}  // namespace
