#include "app/SetupFlow.h"
#include "fake/FakeFileSystem.h"
#include "fake/FakePrograms.h"
#include "fake/FakeRegistry.h"
#include "fake/FakeSystem.h"
#include "unit/PrereqFixture.h"

namespace {

// Windows 95 that needs both the automation library and Distributed COM.
class SetupPrerequisitesTest : public PrereqTest {
protected:
    void SetUp() override {
        PrereqTest::SetUp();
        fake::VersionInfo().Windows(VER_PLATFORM_WIN32_WINDOWS, 4, 0);
        const char* library = "C:\\WINDOWS\\SYSTEM\\oleaut32.dll";
        fake::FileSystem().AddFile(library, "old");
        fake::VersionInfo().File(library).String(0x040904E4, "ProductVersion", "4.0");
        fake::FileSystem().AddDirectory("D:\\OLE");
        fake::FileSystem().AddFile("D:\\OLE\\OLEAUT32.DLL", "new");
        fake::Registry().AddKey(HKEY_LOCAL_MACHINE, kRunOnce);
        WriteInf("SetupExe=setup32.exe\r\nOleAut32_Win9X=OLE\r\nInstDCOM95=DCOM95.EXE\r\n"
                 "DCOM95VerNeeded=4,71,0,1120\r\n");
    }
};

struct EndNowRow {
    const char* what;
    std::vector<int> answers;
    size_t installerRuns;
};

TEST_F(SetupPrerequisitesTest, EndingNowAtEitherPromptEndsTheRun) {
    const EndNowRow rows[] = {
        {"at the automation library's prompt", {IDNO, IDYES}, 0},
        {"at the Distributed COM prompt", {IDYES, IDNO, IDYES}, 1},
    };
    for (const EndNowRow& row : rows) {
        SetUp();
        fake::Windows().answers.assign(row.answers.begin(), row.answers.end());
        EXPECT_EQ(FALSE, RunSetupPath(params, "")) << row.what;
        EXPECT_EQ(row.installerRuns, fake::Programs().runs.size()) << row.what;
        EXPECT_TRUE(fake::System().shellCalls.empty()) << row.what;
    }
}

TEST_F(SetupPrerequisitesTest, MissingSetupExeIsReportedAfterThePrerequisites) {
    WriteInf("OleAut32_Win9X=OLE\r\nInstDCOM95=DCOM95.EXE\r\nDCOM95VerNeeded=4,71,0,1120\r\n");
    fake::Windows().answers = {IDYES, IDYES};
    EXPECT_EQ(FALSE, RunSetupPath(params, ""));
    EXPECT_EQ(1u, fake::Programs().runs.size());
    EXPECT_EQ((std::vector<std::string>{kRebootNow, kRebootNow,
                                        "Could not find SetupExe in param file"}),
              BoxTexts());
}

TEST_F(SetupPrerequisitesTest, AfterAgreedRestartsTheSetupProgramStillStarts) {
    fake::Windows().answers = {IDYES, IDYES};
    EXPECT_EQ(TRUE, RunSetupPath(params, ""));
    EXPECT_EQ((std::vector<std::string>{kRebootNow, kRebootNow}), BoxTexts());
    ASSERT_EQ(1u, fake::Programs().runs.size());
    EXPECT_EQ(1u, fake::Programs().runs[0].boxesBefore);  // after the library's prompt
    ASSERT_EQ(1u, fake::System().shellCalls.size());
    EXPECT_EQ("D:\\setup32.exe", fake::System().shellCalls[0].file);
}

}  // namespace
