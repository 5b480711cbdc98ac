#include "fake/FakePrograms.h"
#include "fake/FakeRegistry.h"
#include "app/Locations.h"
#include "prereq/DistributedCom.h"
#include "unit/PrereqFixture.h"

namespace {

const char kInstalledKey[] = "CLSID\\{bdc67890-4fc0-11d0-a805-00aa006d2ea4}\\InstalledVersion";

class DistributedComTest : public PrereqTest {
protected:
    void SetUp() override {
        PrereqTest::SetUp();
        fake::VersionInfo().Windows(VER_PLATFORM_WIN32_WINDOWS, 4, 0);
        fake::Registry().AddKey(HKEY_LOCAL_MACHINE, kRunOnce);
    }
    void SetInstalled(const char* text) {
        if (text) fake::Registry().SetString(HKEY_CLASSES_ROOT, kInstalledKey, "", text);
    }
};

struct DecisionRow {
    const char* installed;  // null: no value
    const char* needed;
    int expected;
};

TEST_F(DistributedComTest, DecidesByTheFirstNumbersOnly) {
    const DecisionRow rows[] = {
        {"4,71,0,1120", "4,71,0,3328", 0},
        {"3,99,99,99", "4,0,0,0", 1},
        {"3,0,0,0", "4,0,0,0", 1},
        {nullptr, "4,71,0,1120", 1},
        {"", "4,71,0,1120", 1},
        {"4,0,0,0", "4.71.0.1120", 0},   // reads as 4,0,0,0
        {"3,71,0,1120", "4.71.0.1120", 1},
        {"4.99", "4,0", 0},              // installed reads as 4
        {"5,0,0,0", "4,71,0,1120", 0},
        {"0,0,0,0", "", 0},
        {"-1,0,0,0", "", 1},
        {nullptr, "x", 0},
    };
    for (const DecisionRow& row : rows) {
        fake::ResetAll();
        SetUp();
        WriteInf("InstDCOM95=DCOM\\DCOM95.EXE\r\nDCOM95VerNeeded=" + std::string(row.needed) + "\r\n");
        SetInstalled(row.installed);
        EXPECT_EQ(row.expected, NeedsDistributedCom(params))
            << (row.installed ? row.installed : "(none)") << " vs " << row.needed;
        ASSERT_EQ(1u, fake::Registry().access.size());
        EXPECT_EQ(0x2001Fu, fake::Registry().access[0]);
        EXPECT_EQ(0, fake::Registry().openKeys);
    }
}

TEST_F(DistributedComTest, AValueThatIsNoFittingTextCountsAsMissing) {
    WriteInf("InstDCOM95=DCOM\\DCOM95.EXE\r\nDCOM95VerNeeded=4,71,0,1120\r\n");
    auto& values = fake::Registry().keys[fake::RegistryState::KeyName(HKEY_CLASSES_ROOT, kInstalledKey)];
    values[""] = {4 /* REG_DWORD */, "9,0,0,0"};
    EXPECT_EQ(1, NeedsDistributedCom(params));
    values[""] = {REG_SZ, "9," + std::string(300, '0') + '\0'};
    EXPECT_EQ(1, NeedsDistributedCom(params));
    values[""] = {REG_SZ, "9," + std::string(258, '0')};  // fills the buffer, no zero
    EXPECT_EQ(1, NeedsDistributedCom(params));
    values[""] = {REG_SZ, "9,0"};  // stored without its zero
    EXPECT_EQ(0, NeedsDistributedCom(params));
}

TEST_F(DistributedComTest, OnlyWindows95WithAnInstallerIsLookedAt) {
    WriteInf("InstDCOM95=DCOM\\DCOM95.EXE\r\nDCOM95VerNeeded=4,71,0,1120\r\n");
    fake::VersionInfo().Windows(VER_PLATFORM_WIN32_WINDOWS, 4, 10);
    EXPECT_EQ(0, InstallDistributedCom(params));
    fake::VersionInfo().Windows(VER_PLATFORM_WIN32_NT, 4, 0);
    EXPECT_EQ(0, InstallDistributedCom(params));
    fake::VersionInfo().Windows(VER_PLATFORM_WIN32_WINDOWS, 4, 0);
    WriteInf("DCOM95VerNeeded=4,71,0,1120\r\n");
    EXPECT_EQ(0, InstallDistributedCom(params));
    EXPECT_TRUE(fake::Registry().opens.empty());
    EXPECT_TRUE(fake::Programs().runs.empty());
    EXPECT_TRUE(fake::Windows().boxes.empty());
}

TEST_F(DistributedComTest, RunsTheInstallerToItsEndThenAsksForTheRestart) {
    WriteInf("InstDCOM95=DCOM\\DCOM95.EXE\r\nDCOM95VerNeeded=4,71,0,1120\r\n");
    SetInstalled("3,0,0,0");
    fake::Programs().startFails = true;  // a failed installer still wants the restart
    fake::Windows().answers = {IDNO, IDYES};
    EXPECT_EQ(1, InstallDistributedCom(params));
    ASSERT_EQ(1u, fake::Programs().runs.size());
    EXPECT_EQ("\"D:\\DCOM\\DCOM95.EXE\" /r:n /q:u /q:a", fake::Programs().runs[0].commandLine);
    fake::Process().modulePath = "D:\\My Disc\\setup.exe";
    EXPECT_EQ(CString("\"D:\\My Disc\\DCOM\\DCOM95.EXE\" /r:n /q:u /q:a"),
              DistributedComCommandLine(GetLauncherDirectory(), "DCOM\\DCOM95.EXE"));
    EXPECT_EQ(0u, fake::Programs().runs[0].boxesBefore);
    EXPECT_EQ((std::vector<std::string>{kRebootNow, kExitNow}), BoxTexts());
}

}  // namespace
