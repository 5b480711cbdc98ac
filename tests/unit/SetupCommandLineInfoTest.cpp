#include <string>
#include <vector>

#include "app/SetupCommandLineInfo.h"
#include "fake/Fake.h"
#include "fake/FakeProcess.h"
#include "fake/FakeWindows.h"
#include "framework/App.h"

namespace {

const char kInvalid[] = "Invalid parameters";
const char kUsage[] = "setup.exe [/autorun] [/a]";

struct OptionRow {
    const char* cmdLine;
    DWORD options;
    const char* lValue;
    std::vector<std::string> boxes;
    int quitRequests;
};

class SetupCommandLineInfoTest : public FakeTest {
protected:
    CWinApp app{"Setup"};
};

TEST_F(SetupCommandLineInfoTest, RecordsOptionsAndReactsToHelpAndL) {
    const OptionRow rows[] = {
        {"setup.exe /autorun", optAutorun, "", {}, 0},
        {"setup.exe -AUTORUN", optAutorun, "", {}, 0},
        {"setup.exe autorun", optAutorun, "", {}, 0},       // no switch character needed
        {"setup.exe /AutorunX", 0, "", {}, 0},              // names match whole
        {"setup.exe /autorun:1", optAutorun, "", {}, 0},    // a value after a colon is ignored
        {"setup.exe /h", optHelp, "", {kUsage}, 1},
        {"setup.exe /?", optHelp, "", {kUsage}, 1},
        {"setup.exe /L", 0, "", {kInvalid, kUsage}, 1},
        {"setup.exe /L:", 0, "", {kInvalid, kUsage}, 1},
        {"setup.exe /L:1033", optL, "1033", {}, 0},
        {"setup.exe /l:x:y", optL, "x:y", {}, 0},
        {"setup.exe /L:1033 /A", optA, "1033", {kInvalid, kUsage}, 1},  // A has no value while L is set
        {"setup.exe /L:1033 /A:x", optL | optA, "x", {}, 0},
        {"setup.exe /A:x", optA, "", {}, 0},
        {"setup.exe / \"\"", 0, "", {}, 0},                  // the empty name sets nothing
        {"setup.exe /? /a", optHelp | optA, "", {kUsage, kUsage}, 2},
        {"setup.exe /L:1 /?", optHelp, "1", {kInvalid, kUsage}, 1},  // ? carries no value while L is set
        {"setup.exe /unknown /Embedding", 0, "", {}, 0},
    };
    for (const OptionRow& row : rows) {
        fake::ResetAll();
        fake::Process().commandLine = row.cmdLine;
        CSetupCommandLineInfo info;
        app.ParseCommandLine(info);

        EXPECT_EQ(row.options, info.m_dwOptions) << row.cmdLine;
        EXPECT_EQ(CString(row.lValue), info.m_strLValue) << row.cmdLine;
        std::vector<std::string> texts;
        for (const auto& box : fake::Windows().boxes) {
            texts.push_back(box.text);
            EXPECT_EQ("Setup", box.caption);
            EXPECT_EQ(MB_OK | MB_ICONEXCLAMATION, box.type);
        }
        EXPECT_EQ(row.boxes, texts) << row.cmdLine;
        EXPECT_EQ(row.quitRequests, fake::Process().quitRequests) << row.cmdLine;
    }
}

}  // namespace
