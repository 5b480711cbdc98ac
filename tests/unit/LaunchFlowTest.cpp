#include <string>

#include "app/Locations.h"
#include "app/NamedMutex.h"
#include "app/ProductWindow.h"
#include "app/SetupFlow.h"
#include "fake/Fake.h"
#include "fake/TempDir.h"
#include "fake/FakeProcess.h"
#include "fake/FakeSystem.h"
#include "fake/FakeText.h"
#include "fake/FakeWindows.h"
#include "framework/App.h"

namespace {

class LaunchFlowTest : public FakeTest {
protected:
    CWinApp app{"Setup"};
    std::string dir = ProcessTempDir();
    std::string inf = dir + "Autorun.inf";

    void WriteInf(const std::string& text) {
        FILE* f = fopen(inf.c_str(), "wb");
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
    }
    void SetUp() override {
        FakeTest::SetUp();
        fake::Process().modulePath = dir + "setup.exe";
    }
    void TearDown() override { remove(inf.c_str()); }
};

struct DirRow {
    const char* module;
    const char* directory;
};

TEST_F(LaunchFlowTest, LauncherDirectoryEndsWithItsSeparator) {
    const DirRow rows[] = {
        {"D:\\SETUP.EXE", "D:\\"},
        {"D:\\INSTALL\\SETUP.EXE", "D:\\INSTALL\\"},
        {"\\\\server\\share\\disc\\setup.exe", "\\\\server\\share\\disc\\"},
        {"D:/unix/style/setup.exe", "D:/unix/style/"},
        {"D:SETUP.EXE", "D:"},
        {"setup.exe", ""},
        {"", ""},
    };
    for (const DirRow& row : rows) {
        fake::Process().modulePath = row.module;
        EXPECT_EQ(CString(row.directory), GetLauncherDirectory()) << row.module;
    }
}

TEST_F(LaunchFlowTest, LauncherDirectoryIsEmptyWhenThePathDoesNotFit) {
    fake::Process().modulePath = "D:\\" + std::string(300, 'a') + "\\setup.exe";
    EXPECT_EQ(CString(""), GetLauncherDirectory());
}

TEST_F(LaunchFlowTest, LauncherDirectoryDoesNotSplitInsideADoubleByteCharacter) {
    fake::Text().UseShiftJis();
    fake::Process().modulePath = "D:\\\x95\x5c\\setup.exe";  // 0x95 0x5C is one character
    EXPECT_EQ(CString("D:\\\x95\x5c\\"), GetLauncherDirectory());
    fake::Process().modulePath = "D:\\a\x95\x5csetup.exe";
    EXPECT_EQ(CString("D:\\"), GetLauncherDirectory());
}

TEST_F(LaunchFlowTest, SystemAndWindowsDirectoriesLoseOneTrailingBackslash) {
    fake::System().systemDirectory = "C:\\WINDOWS\\SYSTEM";
    fake::System().windowsDirectory = "D:\\";
    EXPECT_EQ(CString("C:\\WINDOWS\\SYSTEM"), GetSystemDirectoryPath());
    EXPECT_EQ(CString("D:"), GetWindowsDirectoryPath());
    fake::System().systemDirectory = std::string(270, 'x');
    EXPECT_EQ(CString(""), GetSystemDirectoryPath());
}

TEST_F(LaunchFlowTest, SetupPathStartsSetupExeWithTheTailLessTheSwitch) {
    WriteInf("[BXPARAM]\nSetupExe=bin\\setup32.exe\n");
    CParamFile params(inf.c_str());
    EXPECT_EQ(TRUE, RunSetupPath(params, "/AUTORUN /a"));
    ASSERT_EQ(1u, fake::System().shellCalls.size());
    const fake::ShellCall& call = fake::System().shellCalls[0];
    EXPECT_EQ("open", call.verb);
    EXPECT_EQ(dir + "bin\\setup32.exe", call.file);
    EXPECT_TRUE(call.hasParameters);
    EXPECT_EQ(" /a", call.parameters);
    EXPECT_EQ("", call.directory);
    EXPECT_EQ(SW_SHOWNORMAL, call.showCmd);
    EXPECT_TRUE(fake::Windows().boxes.empty());

    EXPECT_EQ(TRUE, RunSetupPath(params, ""));
    EXPECT_TRUE(fake::System().shellCalls[1].hasParameters);  // passed even when empty
}

TEST_F(LaunchFlowTest, SetupPathReportsAMissingOrFailingSetupExe) {
    CParamFile params(inf.c_str());
    EXPECT_EQ(FALSE, RunSetupPath(params, ""));
    ASSERT_EQ(1u, fake::Windows().boxes.size());
    EXPECT_EQ("Could not find SetupExe in param file", fake::Windows().boxes[0].text);
    EXPECT_TRUE(fake::System().shellCalls.empty());

    fake::ResetAll();
    fake::Process().modulePath = dir + "setup.exe";
    WriteInf("[BXPARAM]\nSetupExe=missing.exe\n");
    fake::System().shellResult = 2;  // file not found
    EXPECT_EQ(FALSE, RunSetupPath(params, ""));
    ASSERT_EQ(1u, fake::Windows().boxes.size());
    EXPECT_EQ("Could not run missing.exe", fake::Windows().boxes[0].text);  // the value as written
    EXPECT_EQ(MB_OK | MB_ICONEXCLAMATION, fake::Windows().boxes[0].type);
    EXPECT_EQ("Setup", fake::Windows().boxes[0].caption);
}

TEST_F(LaunchFlowTest, ProductWindowIsTheFirstMatchInZOrder) {
    auto& windows = fake::Windows().windows;
    windows = {{"Other"}, {"BRINDLE writer - a.doc"}, {"Brindle Writer - b.doc"}};
    EXPECT_EQ(fake::WindowHandle(1), FindProductWindow("Brindle Writer"));
    BringProductWindowForward(fake::WindowHandle(1));
    EXPECT_EQ(SW_SHOWMAXIMIZED, windows[1].showCmd);
    EXPECT_TRUE(windows[1].raised);
    EXPECT_EQ(nullptr, FindProductWindow("Brindle Writer - a.doc and more"));
    EXPECT_EQ(nullptr, FindProductWindow("Nothing"));
}

TEST_F(LaunchFlowTest, InstallerIsWaitingWhenEitherMutexOpens) {
    EXPECT_FALSE(IsInstallerWaiting());
    EXPECT_EQ((std::vector<std::string>{"__MsiPromptForCD", "__BXPromptForCD"}), fake::System().mutexOpens);

    for (const char* name : {"__MsiPromptForCD", "__BXPromptForCD"}) {
        fake::ResetAll();
        fake::System().mutexes = {name};
        EXPECT_TRUE(IsInstallerWaiting()) << name;
        EXPECT_EQ(0, fake::System().openHandles) << "the probe's handle is closed";
    }
}

}  // namespace
