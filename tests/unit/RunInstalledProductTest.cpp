#include <string>

#include "app/SetupFlow.h"
#include "fake/FakeLibrary.h"
#include "fake/FakeMsi.h"
#include "fake/FakeSystem.h"
#include "fake/FakeWindows.h"
#include "unit/LauncherFolderFixture.h"

namespace {

class RunInstalledProductTest : public LauncherFolderTest {
protected:
    void SetUp() override {
        LauncherFolderTest::SetUp();
        fake::InstallMsiDll();
        fake::MsiPackageData& package = fake::Msi().packages[dir + "msi\\Writer.msi"];
        package.properties = {{"ProductCode", "{PC}"}};
        package.shortcuts = {{"S", "C"}};
        package.componentIds = {{"C", "{C}"}};
        WriteInf("[BXPARAM]\nSetupMSI=msi\\Writer.msi\nExeName=Writer.exe\n");
    }
    void Run() {
        CParamFile params(inf.c_str());
        RunInstalledProduct(params);
        EXPECT_FALSE(fake::IsLibraryLoaded("Msi.dll")) << "the package is gone on return";
        EXPECT_TRUE(fake::Msi().open.empty());
    }
};

TEST_F(RunInstalledProductTest, OpensTheInstalledProgramWithoutParameters) {
    fake::Msi().installed[{"{PC}", "{C}"}] = {"C:\\Writer\\Writer.exe"};
    Run();
    ASSERT_EQ(1u, fake::System().shellCalls.size());
    EXPECT_EQ("C:\\Writer\\Writer.exe", fake::System().shellCalls[0].file);
    EXPECT_FALSE(fake::System().shellCalls[0].hasParameters);
    EXPECT_TRUE(fake::Windows().boxes.empty());
}

TEST_F(RunInstalledProductTest, SaysWhatCouldNotRun) {
    struct Row {
        const char* installedPath;
        INT_PTR shellResult;
        const char* message;
        size_t shellCalls;
    };
    const Row rows[] = {
        {"C:\\Writer\\Writer.exe", 2, "Could not run C:\\Writer\\Writer.exe", 1},
        {nullptr, 42, "Could not run ", 0},  // nothing to hand to the shell
    };
    for (const Row& row : rows) {
        fake::ResetAll();
        SetUp();
        if (row.installedPath) fake::Msi().installed[{"{PC}", "{C}"}] = {row.installedPath};
        fake::System().shellResult = row.shellResult;
        Run();
        EXPECT_EQ(row.shellCalls, fake::System().shellCalls.size()) << row.message;
        ASSERT_EQ(1u, fake::Windows().boxes.size()) << row.message;
        EXPECT_EQ(row.message, fake::Windows().boxes[0].text);
        EXPECT_EQ(MB_OK | MB_ICONEXCLAMATION, fake::Windows().boxes[0].type);
    }
}

}  // namespace
