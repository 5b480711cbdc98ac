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

TEST(CommandLineTest, SplitsArgumentsLikeTheCRuntime) {
    const SplitRow rows[] = {
        {"setup.exe", {}},
        {"setup.exe   ", {}},
        {"setup.exe /autorun /a", {"/autorun", "/a"}},
        {"setup.exe\t/a\t\t-b", {"/a", "-b"}},
        {"\"D:\\my disc\\setup.exe\" /a", {"/a"}},
        {"\"D:\\setup.exe\"/a", {"/a"}},                       // the quoted name ends at its quote
        {"setup.exe \"a b\" c", {"a b", "c"}},
        {"setup.exe a\"b c\"d", {"ab cd"}},
        {"setup.exe \"\"", {""}},                               // an empty quoted argument
        {"setup.exe \\\\server\\share", {"\\\\server\\share"}},  // backslashes not before a quote
        {"setup.exe a\\\"b", {"a\"b"}},                        // 2n+1 backslashes: literal quote
        {"setup.exe \"a\\\\\" b", {"a\\", "b"}},               // 2n backslashes: n, quote groups
        {"setup.exe a\\\\\\\"b", {"a\\\"b"}},
        {"setup.exe \"a\"\"b\" c", {"a\"b c"}},  // "" inside quotes: a quote, and grouping ends
        {"setup.exe \"unterminated arg", {"unterminated arg"}},
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
