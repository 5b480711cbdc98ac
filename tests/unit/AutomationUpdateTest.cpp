#include "fake/FakeFileSystem.h"
#include "fake/FakeRegistry.h"
#include "fake/FakeSystem.h"
#include "fake/FakeText.h"
#include "platform/FileSystem.h"
#include "prereq/AutomationUpdate.h"
#include "prereq/Wininit.h"
#include "unit/PrereqFixture.h"

namespace {

const char kSystem[] = "C:\\WINDOWS\\SYSTEM";
const char kLibrary[] = "C:\\WINDOWS\\SYSTEM\\oleaut32.dll";
const char kWininit[] = "C:\\WINDOWS\\wininit.ini";

// Windows 98 with oleaut32.dll 4.0 and the update directory D:\OLE.
class AutomationUpdateTest : public PrereqTest {
protected:
    fake::FileSystemState& files = fake::FileSystem();

    void SetUp() override {
        PrereqTest::SetUp();
        fake::Registry().AddKey(HKEY_LOCAL_MACHINE, kRunOnce);
        SetLibraryVersion("4.0");
        files.AddDirectory("D:\\OLE");
        WriteInf("OleAut32_Win9X=OLE\\\r\n");
    }
    void SetLibraryVersion(const char* version) {
        files.AddFile(kLibrary, "old library");
        fake::VersionInfo().File(kLibrary).String(0x040904E4, "ProductVersion", version);
    }
    std::string Pair(const char* name, const char* staged) {
        std::string target = std::string(kSystem) + "\\" + name;
        return "NUL=" + target + "\r\n" + target + "=" + kSystem + "\\" + staged + "\r\n";
    }
    std::vector<std::string> SystemFiles() { return files.FilesIn(kSystem); }
};

struct NeedRow {
    DWORD platformId, major, minor;
    const char* version;  // null: no oleaut32.dll
    int expected;
};

TEST_F(AutomationUpdateTest, NeedsANewerLibraryOnWindows95Or98) {
    const NeedRow rows[] = {
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, "3.50.0.0", 0},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, "3.50", 0},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, "2.40.4275", 0},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, "", 0},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, nullptr, 0},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, "3.50.0.1", 1},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, "3.51", 1},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 0, "4.0", 1},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 90, "4.0", 0},
        {VER_PLATFORM_WIN32_NT, 4, 0, "4.0", 0},
        {VER_PLATFORM_WIN32_NT, 5, 1, "4.0", 0},
    };
    for (const NeedRow& row : rows) {
        fake::ResetAll();
        fake::VersionInfo().Windows(row.platformId, row.major, row.minor);
        if (row.version) SetLibraryVersion(row.version);
        EXPECT_EQ(row.expected, NeedsAutomationUpdate())
            << (row.version ? row.version : "(none)") << " on " << row.major << "." << row.minor;
    }
}

struct DirectoryRow {
    const char* value;
    const char* module;
    const char* expected;
};

TEST_F(AutomationUpdateTest, UpdateDirectoryIsFoundBesideTheLauncher) {
    files.AddDirectory("D:\\INSTALL");
    files.AddDirectory("D:\\INSTALL\\OLE");
    files.AddFile("D:\\OLE.DLL", "a file, not a folder");
    const DirectoryRow rows[] = {
        {"OLE\\", "D:\\setup.exe", "OLE"},
        {"OLE", "D:\\setup.exe", "OLE"},
        {"OLE\\", "D:\\INSTALL\\setup.exe", "OLE"},
        {"MISSING", "D:\\setup.exe", ""},
        {"OLE.DLL", "D:\\setup.exe", ""},
        {"", "D:\\setup.exe", ""},
        {"OLE", "E:\\setup.exe", ""},  // not where the current directory may be
    };
    for (const DirectoryRow& row : rows) {
        WriteInf(std::string("OleAut32_Win9X=") + row.value + "\r\n");
        fake::Process().modulePath = row.module;
        EXPECT_EQ(CString(row.expected), GetAutomationUpdateDirectory(params)) << row.value << " " << row.module;
    }
    fake::Text().UseShiftJis();
    files.AddDirectory("D:\\\x95\x5c");  // 0x95 0x5C is one character, not a separator
    fake::Process().modulePath = "D:\\setup.exe";
    WriteInf("OleAut32_Win9X=\x95\x5c\r\n");
    EXPECT_EQ(CString("\x95\x5c"), GetAutomationUpdateDirectory(params));
}

TEST_F(AutomationUpdateTest, StagesEveryFileAndSchedulesItsRename) {
    files.AddFile("D:\\OLE\\OLEAUT32.DLL", "new library").readOnly = true;  // from a CD
    files.AddFile("D:\\OLE\\STDOLE2.TLB", "new type library");
    fake::Windows().answers = {IDYES};
    EXPECT_EQ(0, UpdateAutomationLibrary(params));

    EXPECT_EQ("new library", files.Content("C:\\WINDOWS\\SYSTEM\\_BX1A.TMP"));
    EXPECT_EQ("new type library", files.Content("C:\\WINDOWS\\SYSTEM\\_BX1B.TMP"));
    // The system file-to-be is not left read-only.
    EXPECT_EQ(FILE_ATTRIBUTE_NORMAL, platform::GetFileAttributesA("C:\\WINDOWS\\SYSTEM\\_BX1A.TMP"));
    EXPECT_EQ("[rename]\r\n" + Pair("OLEAUT32.DLL", "_BX1A.TMP") + Pair("STDOLE2.TLB", "_BX1B.TMP"),
              files.Content(kWininit));
    EXPECT_EQ(std::vector<DWORD>{0}, files.shareModes);
    EXPECT_EQ(std::vector<std::string>{kRebootNow}, BoxTexts());
    EXPECT_NE(nullptr, fake::Registry().Value(HKEY_LOCAL_MACHINE, kRunOnce, "BX_SETUP_RERUN"));
    EXPECT_EQ(1u, fake::VersionInfo().exitRequests.size());
    EXPECT_EQ(0, fake::System().openHandles);
}

TEST_F(AutomationUpdateTest, EndingNowAtThePromptGivesOne) {
    files.AddFile("D:\\OLE\\OLEAUT32.DLL", "new library");
    fake::Windows().answers = {IDNO, IDYES};
    EXPECT_EQ(1, UpdateAutomationLibrary(params));
    EXPECT_EQ(1, fake::Process().quitRequests);
    EXPECT_EQ("[rename]\r\n" + Pair("OLEAUT32.DLL", "_BX1A.TMP"), files.Content(kWininit));
}

TEST_F(AutomationUpdateTest, SkipsWhatCannotBeStagedWhole) {
    files.AddFile("D:\\OLE\\.hidden", "x");
    files.AddDirectory("D:\\OLE\\SUB");
    files.AddFile("D:\\OLE\\SUB\\inner.dll", "x");
    files.AddFile("D:\\OLE\\a.dll", "A");
    files.AddFile("D:\\OLE\\bad.dll", "B");
    files.AddFile("D:\\OLE\\c.dll", "C");
    files.failingCopies = {"D:\\OLE\\bad.dll"};
    EXPECT_EQ(0, UpdateAutomationLibrary(params));

    // bad.dll's empty staged file (_BX1B) is gone, and no line names it.
    EXPECT_EQ("[rename]\r\n" + Pair("a.dll", "_BX1A.TMP") + Pair("c.dll", "_BX1C.TMP"),
              files.Content(kWininit));
    EXPECT_EQ((std::vector<std::string>{kLibrary, "C:\\WINDOWS\\SYSTEM\\_BX1A.TMP",
                                        "C:\\WINDOWS\\SYSTEM\\_BX1C.TMP"}),
              SystemFiles());

    files.tempNamesFail = true;  // nothing staged: the section has its header alone
    files.AddFile(kWininit, "");
    fake::Windows().boxes.clear();
    EXPECT_EQ(0, UpdateAutomationLibrary(params));
    EXPECT_EQ("[rename]\r\n", files.Content(kWininit));
    EXPECT_EQ((std::vector<std::string>{kRebootNow, kExitNow}), BoxTexts());  // still asked
}

TEST_F(AutomationUpdateTest, MergesIntoAnExistingWininit) {
    files.AddFile("D:\\OLE\\OLEAUT32.DLL", "new library");
    files.AddFile(kWininit, "[rename]\nNUL=C:\\TEMP\\x.tmp\n[other]\nkey=value");
    EXPECT_EQ(0, UpdateAutomationLibrary(params));
    EXPECT_EQ("[rename]\nNUL=C:\\TEMP\\x.tmp\n" + Pair("OLEAUT32.DLL", "_BX1A.TMP") +
                  "[other]\nkey=value",
              files.Content(kWininit));
}

struct UnwritableRow {
    const char* name;
    std::string existing;  // "" : no wininit.ini
    void (*breakIt)(fake::FileSystemState&);
};

TEST_F(AutomationUpdateTest, NothingScheduledMeansNoRestartAndNoStagedCopies) {
    const std::string huge(kMaxWininitSize + 1, 'x');
    const UnwritableRow rows[] = {
        {"locked", "[boot]\r\n", [](fake::FileSystemState& f) { f.locked = {kWininit}; }},
        {"too big", huge, [](fake::FileSystemState&) {}},
        {"not text", std::string("[boot]\r\n\0\r\n", 11), [](fake::FileSystemState&) {}},
        {"disk full", "[boot]\r\n", [](fake::FileSystemState& f) { f.spaceLeft = 11 + 5; }},
        {"writes fail", "[boot]\r\n", [](fake::FileSystemState& f) { f.writesFail = true; }},
        {"no windows folder", "", [](fake::FileSystemState& f) {
             f.entries.erase(f.entries.begin());  // C:\WINDOWS
         }},
    };
    for (const UnwritableRow& row : rows) {
        fake::ResetAll();
        SetUp();
        files.AddFile("D:\\OLE\\OLEAUT32.DLL", "new library").readOnly = true;  // from a CD
        if (!row.existing.empty()) files.AddFile(kWininit, row.existing);
        row.breakIt(files);
        EXPECT_EQ(0, UpdateAutomationLibrary(params)) << row.name;
        EXPECT_EQ(row.existing.empty() ? "<missing>" : row.existing, files.Content(kWininit)) << row.name;
        EXPECT_EQ(std::vector<std::string>{kLibrary}, SystemFiles()) << row.name;
        EXPECT_TRUE(fake::Windows().boxes.empty()) << row.name;
        EXPECT_TRUE(fake::Registry().opens.empty()) << row.name;
        EXPECT_EQ(0, fake::System().openHandles) << row.name;
    }
}

TEST_F(AutomationUpdateTest, DoesNothingWithoutTheDirectoryOrTheNeed) {
    files.AddFile("D:\\OLE\\OLEAUT32.DLL", "new library");
    WriteInf("OleAut32_Win9X=NONE\r\n");
    EXPECT_EQ(0, UpdateAutomationLibrary(params));
    EXPECT_TRUE(fake::VersionInfo().queries.empty());  // the directory is looked for first

    WriteInf("OleAut32_Win9X=OLE\r\n");
    fake::VersionInfo().Windows(VER_PLATFORM_WIN32_WINDOWS, 4, 90);
    EXPECT_EQ(0, UpdateAutomationLibrary(params));
    EXPECT_EQ(std::vector<std::string>{kLibrary}, SystemFiles());
    EXPECT_FALSE(files.Exists(kWininit));
    EXPECT_TRUE(fake::Windows().boxes.empty());
}

}  // namespace
