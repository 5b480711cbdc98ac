#include <gtest/gtest.h>

#include <algorithm>

#include "TestDisc.h"
#include "kit/DiscTry.h"

namespace {

// The value after an option of the runner's command line; "-" when absent.
std::string After(const std::vector<std::string>& cmd, const std::string& option) {
    auto it = std::find(cmd.begin(), cmd.end(), option);
    return it == cmd.end() || it + 1 == cmd.end() ? "-" : *(it + 1);
}

std::vector<std::string> Command(const TryOptions& options, std::string* error) {
    return TryCommand(options, "runner.py", "tools", error);
}

TEST(DiscTryTest, OptionValuesAreChecked) {
    struct Row { const char* system; const char* click; const char* answer; const char* lib; int timeout; bool valid; };
    const Row rows[] = {
        {"winxp", "", "", "", 0, true},       {"win95", "install", "no", "4.0", 60, true},
        {"nt40", "again", "yes", "3.50", 3600, true},
        {"win31", "", "", "", 0, false},      {"WINXP", "", "", "", 0, false},
        {"win98", "setup", "", "", 0, false}, {"win98", "", "maybe", "", 0, false},
        {"win98", "", "", "5.0", 0, false},   {"win98", "", "", "", -1, false},
        {"win98", "", "", "", 3601, false},
    };
    for (const Row& r : rows) {
        TryOptions o;
        o.system = r.system, o.click = r.click, o.answer = r.answer, o.oleaut32 = r.lib, o.timeout = r.timeout;
        EXPECT_EQ(r.valid, ValidTryOptions(o)) << r.system << " " << r.click << " " << r.answer << " " << r.lib;
    }
}

// The runner is told the files as the disc holds them (found without regard
// to case, as Windows would), and only those that are there as files.
TEST(DiscTryTest, RunnerIsToldTheFilesTheDiscHolds) {
    TestDisc disc;
    disc.LayOutClean();
    disc.SetKey("SetupExe", "SETUP\\SETUP32.EXE");
    disc.SetKey("InstDCOM95", "DCOM");  // a folder: nothing to stand in for
    disc.SetKey("AutorunBackdrop", "absent.bmp");
    disc.Finish();
    TryOptions o;
    o.folder = disc.folder() + "/";
    std::string error;
    std::vector<std::string> cmd = Command(o, &error);
    ASSERT_FALSE(cmd.empty()) << error;
    EXPECT_EQ(disc.folder(), After(cmd, "--disc"));
    EXPECT_EQ("setup.exe", After(cmd, "--launcher"));
    EXPECT_EQ("Setup/setup32.exe", After(cmd, "--setup-exe"));
    EXPECT_EQ("Product.msi", After(cmd, "--package"));
    EXPECT_EQ("-", After(cmd, "--dcom"));
    EXPECT_EQ("-", After(cmd, "--backdrop"));
    EXPECT_EQ("100,101,102,103", After(cmd, "--buttons"));
    EXPECT_EQ("winxp", After(cmd, "--system"));
    EXPECT_EQ("-", After(cmd, "--"));
}

TEST(DiscTryTest, OptionsAndTheLaunchersArgumentsAreHandedOn) {
    TestDisc disc;
    disc.LayOutClean();
    disc.Finish();
    TryOptions o;
    o.folder = disc.folder();
    o.system = "win98", o.click = "install", o.answer = "no", o.oleaut32 = "4.0", o.timeout = 9;
    o.screenshot = "out.png", o.installed = true, o.bArgs = true, o.args = {"/L:de", "a b"};
    std::string error;
    std::vector<std::string> cmd = Command(o, &error);
    EXPECT_EQ("win98", After(cmd, "--system"));
    EXPECT_EQ("install", After(cmd, "--click"));
    EXPECT_EQ("no", After(cmd, "--answer"));
    EXPECT_EQ("4.0", After(cmd, "--oleaut32"));
    EXPECT_EQ("9", After(cmd, "--timeout"));
    EXPECT_EQ("out.png", After(cmd, "--screenshot"));
    EXPECT_NE(cmd.end(), std::find(cmd.begin(), cmd.end(), "--installed"));
    ASSERT_GE(cmd.size(), 3u);
    EXPECT_EQ((std::vector<std::string>{"--", "/L:de", "a b"}),
              std::vector<std::string>(cmd.end() - 3, cmd.end()));
    // "--" alone: the launcher gets no arguments at all, not /autorun.
    o.args.clear();
    EXPECT_EQ("--", Command(o, &error).back());
}

TEST(DiscTryTest, NoCommandWithoutTheFolderOrItsLauncher) {
    TestDisc disc;
    disc.LayOutClean();
    disc.Finish();
    TryOptions o;
    std::string error;
    o.folder = disc.folder() + "/absent";
    EXPECT_TRUE(Command(o, &error).empty());
    EXPECT_NE(std::string::npos, error.find("cannot read")) << error;
    o.folder = disc.folder();
    o.launcher = "autorun.exe";
    EXPECT_TRUE(Command(o, &error).empty());
    EXPECT_NE(std::string::npos, error.find("no autorun.exe")) << error;
    o.launcher = "SETUP.EXE";
    EXPECT_EQ("setup.exe", After(Command(o, &error), "--launcher"));
}

}  // namespace
