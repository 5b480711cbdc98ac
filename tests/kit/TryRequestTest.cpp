// try's command line as bxdisc reads it, and the runner's command line that
// bxdisc makes of it and of the disc.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestDisc.h"
#include "kit/cli/Commands.h"
#include "kit/try/RunnerCommand.h"

namespace {

ParseOutcome Parse(std::vector<std::string> words, ParsedArgs* args) {
    std::vector<char*> argv = {(char*)"bxdisc", (char*)"try"};
    for (std::string& w : words) argv.push_back(&w[0]);
    std::string error;
    return ParseCommandLine(kTryCommand, (int)argv.size(), argv.data(), 2, args, &error);
}

std::vector<std::string> Command(std::vector<std::string> words, std::string* error) {
    ParsedArgs args;
    EXPECT_EQ(kParsed, Parse(words, &args));
    return RunnerCommand(kTryCommand, args, "DATA", error);
}

bool Has(const std::vector<std::string>& cmd, const std::string& word) {
    return std::find(cmd.begin(), cmd.end(), word) != cmd.end();
}

TEST(TryCommandLine, IsReadAgainstTheTable) {
    struct Row { std::vector<std::string> words; ParseOutcome outcome; };
    const Row rows[] = {
        {{"D"}, kParsed},
        {{"D", "--system", "win95", "--click", "install", "--answer", "no", "--oleaut32", "3.50"}, kParsed},
        {{"D", "--system", "win7", "--fresh", "--no-sandbox"}, kParsed},
        {{"D", "--system", "win11"}, kParsed},
        {{"D", "--system", "win31"}, kUsageError},
        {{"D", "--system", "WINXP"}, kUsageError},
        {{"D", "--click", "setup"}, kUsageError},
        {{"D", "--answer", "maybe"}, kUsageError},
        {{"D", "--oleaut32", "5.0"}, kUsageError},
        {{"D", "--show", "--show"}, kUsageError},
        {{"D", "--system", "win98", "--system", "win95"}, kUsageError},
        {{"D", "--system"}, kUsageError},  // no value: nothing is read past the words
        {{"D", "--label", "X"}, kUsageError},
        {{}, kUsageError},
        {{"D", "E"}, kUsageError},
        {{"D", "--help"}, kHelpAsked},
        {{"D", "--", "-h"}, kParsed},  // the launcher's own switch, not bxdisc's
    };
    for (const Row& r : rows) {
        ParsedArgs args;
        std::string all;
        for (const std::string& w : r.words) all += w + " ";
        EXPECT_EQ(r.outcome, Parse(r.words, &args)) << all;
    }
}

// The runner is told the files as the disc holds them (found without regard
// to case, as Windows would), and only those that are there as files.
TEST(RunnerCommand, TellsTheFilesTheDiscHolds) {
    TestDisc disc;
    disc.LayOutClean();
    disc.SetKey("SetupExe", "SETUP\\SETUP32.EXE");
    disc.SetKey("InstDCOM95", "DCOM");  // a folder: nothing to stand in for
    disc.Finish();
    std::string error;
    std::vector<std::string> cmd = Command({disc.folder() + "/"}, &error);
    ASSERT_GE(cmd.size(), 2u) << error;
    EXPECT_EQ("DATA/try/disc_try.py", cmd[1]);
    EXPECT_TRUE(Has(cmd, "--disc=" + disc.folder()));
    EXPECT_TRUE(Has(cmd, "--launcher=setup.exe"));
    EXPECT_TRUE(Has(cmd, "--setup-exe=Setup/setup32.exe"));
    EXPECT_TRUE(Has(cmd, "--package=Product.msi"));
    EXPECT_TRUE(Has(cmd, "--buttons=100,101,102,103"));
    EXPECT_FALSE(std::any_of(cmd.begin(), cmd.end(), [](const std::string& w) { return w.rfind("--dcom", 0) == 0; }));
    // The backdrop by nine sampled pixels: the test bitmap is colour 0 throughout.
    char want[64];
    snprintf(want, sizeof want, "--backdrop=400x300:66,37,%06X;", TestColour(0));
    EXPECT_TRUE(std::any_of(cmd.begin(), cmd.end(), [&](const std::string& w) { return w.rfind(want, 0) == 0; }))
        << want;
    EXPECT_FALSE(Has(cmd, "--"));
}

TEST(RunnerCommand, HandsOnTheOptionsAndTheLaunchersArguments) {
    TestDisc disc;
    disc.LayOutClean();
    disc.SetKey("AutorunBackdrop", "absent.bmp");
    disc.Finish();
    std::string error;
    std::vector<std::string> cmd = Command({disc.folder(), "--system", "win98", "--installed", "--no-sandbox", "--timeout", "9",
                                            "--launcher", "SETUP.EXE", "--", "/L:de", "a b"},
                                           &error);
    EXPECT_TRUE(Has(cmd, "--system=win98"));
    EXPECT_TRUE(Has(cmd, "--installed"));
    EXPECT_TRUE(Has(cmd, "--no-sandbox"));
    EXPECT_TRUE(Has(cmd, "--timeout=9"));
    EXPECT_TRUE(Has(cmd, "--launcher=setup.exe"));
    EXPECT_FALSE(std::any_of(cmd.begin(), cmd.end(), [](const std::string& w) { return w.rfind("--backdrop", 0) == 0; }));
    ASSERT_GE(cmd.size(), 3u);
    EXPECT_EQ((std::vector<std::string>{"--", "/L:de", "a b"}), std::vector<std::string>(cmd.end() - 3, cmd.end()));
    // "--" alone: the launcher gets no arguments at all, not /autorun.
    EXPECT_EQ("--", Command({disc.folder(), "--"}, &error).back());
}

TEST(RunnerCommand, NoneWithoutTheFolderOrItsLauncher) {
    TestDisc disc;
    disc.LayOutClean();
    disc.Finish();
    std::string error;
    EXPECT_TRUE(Command({disc.folder() + "/absent"}, &error).empty());
    EXPECT_NE(std::string::npos, error.find("cannot read")) << error;
    EXPECT_TRUE(Command({disc.folder(), "--launcher", "autorun.exe"}, &error).empty());
    EXPECT_NE(std::string::npos, error.find("no autorun.exe")) << error;
    EXPECT_TRUE(Command({disc.folder(), "--launcher", "Setup"}, &error).empty());  // a folder
}

}  // namespace
