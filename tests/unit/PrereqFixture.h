// Shared set-up of the prerequisite tests: the launcher at D:\setup.exe on
// Windows 98, its Autorun.inf a real file that a test writes.
#pragma once

#include <cstdio>
#include <string>

#include "fake/Fake.h"
#include "fake/TempDir.h"
#include "fake/FakeProcess.h"
#include "fake/FakeVersionInfo.h"
#include "fake/FakeWindows.h"
#include "framework/App.h"
#include "params/ParamFile.h"

class PrereqTest : public FakeTest {
protected:
    CWinApp app{"Setup"};
    std::string inf = ProcessTempDir() + "prereq_Autorun.inf";
    CParamFile params{inf.c_str()};

    void SetUp() override {
        FakeTest::SetUp();
        fake::Process().modulePath = "D:\\setup.exe";
        fake::VersionInfo().Windows(VER_PLATFORM_WIN32_WINDOWS, 4, 10);
    }
    void TearDown() override { remove(inf.c_str()); }

    void WriteInf(const std::string& keys) {
        WriteTextFile(inf, "[BXPARAM]\r\n" + keys);
    }
    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : fake::Windows().boxes) texts.push_back(box.text);
        return texts;
    }
};

const char kRebootNow[] =
    "Installation is in progress...\nIt is now necessary to reboot the computer.\nReboot now?";
const char kExitNow[] =
    "We strongly recommend that you exit the installation and reboot your computer now.  "
    "Click YES to exit now.";
const char kRunOnce[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
