// Shared set-up of the launch flow tests: the launcher in a scratch folder of
// this test process, beside an Autorun.inf that a test writes.
#pragma once

#include <cstdio>
#include <string>

#include "fake/Fake.h"
#include "fake/FakeProcess.h"
#include "fake/TempDir.h"
#include "framework/App.h"

class LauncherFolderTest : public FakeTest {
protected:
    CWinApp app{"Setup"};
    std::string dir = ProcessTempDir();
    std::string inf = dir + "Autorun.inf";

    void WriteInf(const std::string& text) { WriteTextFile(inf, text); }
    void SetUp() override {
        FakeTest::SetUp();
        fake::Process().modulePath = dir + "setup.exe";
    }
    void TearDown() override { remove(inf.c_str()); }
};
