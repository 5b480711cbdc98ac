#include "fake/FakePrograms.h"
#include "fake/FakeRegistry.h"
#include "fake/FakeSystem.h"
#include "prereq/Restart.h"
#include "unit/PrereqFixture.h"

namespace {

using RestartTest = PrereqTest;

struct RunRow {
    const char* name;
    bool startFails;
    DWORD waitResult;
    bool exitCodeFails;
    DWORD expected;
};

TEST_F(RestartTest, RunAndWaitGivesTheExitCodeOrTwo) {
    const RunRow rows[] = {
        {"ended", false, WAIT_OBJECT_0, false, 7},
        {"not started", true, WAIT_OBJECT_0, false, 2},
        {"wait failed", false, WAIT_FAILED, false, 2},
        {"no exit code", false, WAIT_OBJECT_0, true, 2},
    };
    for (const RunRow& row : rows) {
        fake::ResetAll();
        auto& programs = fake::Programs();
        programs.startFails = row.startFails;
        programs.waitResult = row.waitResult;
        programs.exitCodeFails = row.exitCodeFails;
        programs.exitCode = 7;
        EXPECT_EQ(row.expected, RunAndWait("\"D:\\A B\\x.exe\" /q")) << row.name;
        ASSERT_EQ(1u, programs.runs.size()) << row.name;
        const fake::ProgramRun& run = programs.runs[0];
        EXPECT_EQ("\"D:\\A B\\x.exe\" /q", run.commandLine);
        EXPECT_FALSE(run.hasApplicationName);
        EXPECT_EQ(TRUE, run.inheritHandles);
        EXPECT_EQ(NORMAL_PRIORITY_CLASS, run.creationFlags);
        EXPECT_EQ(sizeof(STARTUPINFOA), run.startupSize);
        if (!row.startFails) {
            EXPECT_EQ(INFINITE, programs.waitTimeout) << row.name;
        }
        EXPECT_EQ(0, fake::System().openHandles) << row.name;
    }
}

struct PromptRow {
    const char* name;
    std::deque<int> answers;
    int expected;
    std::vector<std::string> boxes;
    bool restart;
    int quitRequests;
};

TEST_F(RestartTest, PromptBranchesOnBothAnswers) {
    const PromptRow rows[] = {
        {"yes", {IDYES}, 0, {kRebootNow}, true, 0},
        {"no, then end now", {IDNO, IDYES}, 1, {kRebootNow, kExitNow}, false, 1},
        {"no, no", {IDNO, IDNO}, 0, {kRebootNow, kExitNow}, false, 0},
        {"closed, closed", {IDCANCEL, IDOK}, 0, {kRebootNow, kExitNow}, false, 0},
    };
    for (const PromptRow& row : rows) {
        fake::ResetAll();
        fake::Registry().AddKey(HKEY_LOCAL_MACHINE, kRunOnce);
        fake::Windows().answers = row.answers;
        EXPECT_EQ(row.expected, PromptForRestart()) << row.name;
        EXPECT_EQ(row.boxes, BoxTexts()) << row.name;
        for (const auto& box : fake::Windows().boxes) {
            EXPECT_EQ(MB_YESNO | MB_ICONEXCLAMATION, box.type) << row.name;
            EXPECT_EQ("Setup", box.caption) << row.name;
        }
        const fake::RegValue* rerun =
            fake::Registry().Value(HKEY_LOCAL_MACHINE, kRunOnce, "BX_SETUP_RERUN");
        EXPECT_EQ(row.restart, rerun != nullptr) << row.name;
        EXPECT_EQ(row.restart ? 1u : 0u, fake::VersionInfo().exitRequests.size()) << row.name;
        if (row.restart) {
            EXPECT_EQ((std::pair<UINT, DWORD>{EWX_REBOOT, 0}), fake::VersionInfo().exitRequests[0]);
        } else {
            EXPECT_TRUE(fake::Registry().opens.empty()) << row.name;
        }
        EXPECT_EQ(row.quitRequests, fake::Process().quitRequests) << row.name;
        if (row.quitRequests) {
            EXPECT_EQ(0, fake::Process().lastQuitCode);
        }
    }
}

struct RerunRow {
    std::string modulePath;
    const char* data;  // null: nothing written
};

TEST_F(RestartTest, RegistersTheLauncherPathQuotedOnlyWhenItHoldsABlank) {
    const RerunRow rows[] = {
        {"D:\\SETUP.EXE", "D:\\SETUP.EXE"},
        {"D:\\Disc One\\setup.exe", "\"D:\\Disc One\\setup.exe\""},
        {"D:\\" + std::string(250, 'a') + "\\setup.exe", nullptr},  // cut by the buffer
    };
    for (const RerunRow& row : rows) {
        fake::ResetAll();
        fake::Registry().AddKey(HKEY_LOCAL_MACHINE, kRunOnce);
        fake::Process().modulePath = row.modulePath;
        RegisterRerun();
        const fake::RegValue* value =
            fake::Registry().Value(HKEY_LOCAL_MACHINE, kRunOnce, "BX_SETUP_RERUN");
        if (!row.data) {
            EXPECT_EQ(nullptr, value);
            continue;
        }
        ASSERT_NE(nullptr, value) << row.modulePath;
        EXPECT_EQ(REG_SZ, value->type);
        EXPECT_EQ(std::string(row.data) + '\0', value->data);  // the zero counted
        EXPECT_EQ(KEY_READ | KEY_WRITE, fake::Registry().access[0]);
        EXPECT_EQ(0, fake::Registry().openKeys);
    }
}

TEST_F(RestartTest, AMissingRunOnceKeyIsNotCreated) {
    fake::Windows().answers = {IDYES};
    EXPECT_EQ(0, PromptForRestart());
    EXPECT_TRUE(fake::Registry().keys.empty());
    EXPECT_EQ(1u, fake::VersionInfo().exitRequests.size());  // the restart is still asked for
}

}  // namespace
