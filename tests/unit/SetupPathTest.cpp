#include <string>

#include "app/SetupFlow.h"
#include "fake/FakeSystem.h"
#include "fake/FakeWindows.h"
#include "unit/LauncherFolderFixture.h"

namespace {

class SetupPathTest : public LauncherFolderTest {};

TEST_F(SetupPathTest, StartsSetupExeWithTheTailLessTheSwitch) {
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

TEST_F(SetupPathTest, ReportsAMissingOrFailingSetupExe) {
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

}  // namespace
