#include <string>
#include <vector>

#include "fake/Fake.h"
#include "fake/TempDir.h"
#include "fake/FakeLibrary.h"
#include "fake/FakeMsi.h"
#include "fake/FakeText.h"
#include "fake/FakeWindows.h"
#include "msi/MsiPackage.h"

namespace {

const char kPackage[] = "D:\\product.msi";
const char kProductCode[] = "{6E0A5A1C-0000-4000-8000-000000000001}";

class MsiPackageTest : public FakeTest {
protected:
    std::string inf = ProcessTempDir() + "Autorun.inf";

    void SetUp() override {
        FakeTest::SetUp();
        fake::InstallMsiDll();
        Package().properties = {{"ProductName", "Writer"}, {"ProductCode", kProductCode}};
        WriteInf("");
    }
    void TearDown() override { remove(inf.c_str()); }

    static fake::MsiPackageData& Package() { return fake::Msi().packages[kPackage]; }

    void WriteInf(const std::string& exeName) {
        WriteTextFile(inf, "[BXPARAM]\nExeName=" + exeName + "\n");
    }
    // One shortcut per path, in shortcut order; an empty path is a component
    // that is not installed.
    void AddShortcuts(const std::vector<std::string>& paths) {
        for (size_t i = 0; i < paths.size(); ++i) {
            std::string n = std::to_string(i);
            Package().shortcuts.push_back({"Shortcut" + n, "Comp" + n});
            Package().componentIds["Comp" + n] = "{COMPONENT-" + n + "}";
            if (!paths[i].empty()) fake::Msi().installed[{kProductCode, "{COMPONENT-" + n + "}"}] = {paths[i]};
        }
    }
    std::string Find() {
        CParamFile params(inf.c_str());
        CMsiPackage package(kPackage);
        return package.FindInstalledExe(params).GetString();
    }
    void ExpectEverythingClosed(const std::string& what) {
        EXPECT_TRUE(fake::Msi().open.empty()) << what;
        EXPECT_EQ(0, fake::Msi().badCloses) << what;
        EXPECT_EQ(0, fake::Msi().callsWhileUnloaded) << what;
        EXPECT_FALSE(fake::IsLibraryLoaded("Msi.dll")) << what;
        EXPECT_TRUE(fake::Windows().boxes.empty()) << what;
    }
};

TEST_F(MsiPackageTest, FindsTheInstalledProgramAndClosesEverything) {
    Package().shortcuts = {{"WriterShortcut", "WriterComp"}};
    Package().componentIds = {{"WriterComp", "{WRITER}"}};
    fake::Msi().installed[{kProductCode, "{WRITER}"}] = {"C:\\Program Files\\Writer\\Writer.exe"};

    EXPECT_EQ("C:\\Program Files\\Writer\\Writer.exe", Find());
    EXPECT_EQ((std::vector<std::string>{
                  "select Property, Value from Property where Property='ProductCode'",
                  "select ComponentId from Component, Shortcut where "
                  "Shortcut.Component_=Component.Component order by Shortcut"}),
              fake::Msi().queries);
    const auto& calls = fake::Msi().calls;
    EXPECT_EQ((std::vector<std::string>{kPackage, "(null)"}), calls[0].args) << "read-only";
    EXPECT_EQ("MsiGetSummaryInformation", calls[1].function);
    EXPECT_EQ((std::vector<std::string>{std::to_string(0x100), kPackage, "0"}), calls[1].args);
    for (const fake::MsiCall& call : calls) {
        if (call.function == "MsiRecordGetString" || call.function == "MsiGetComponentPath") {
            EXPECT_EQ("260", call.args.back()) << call.function;
        }
    }
    ExpectEverythingClosed("found");
}

TEST_F(MsiPackageTest, DestructionClosesSummaryThenDatabaseThenUnloads) {
    { CMsiPackage package(kPackage); }
    EXPECT_EQ((std::vector<std::string>{"load Msi.dll", "close summary", "close database",
                                        "free Msi.dll"}),
              fake::Library().events);
}

TEST_F(MsiPackageTest, ProgramIsTheFirstShortcutInOrderThatEndsInExeAndExeName) {
    struct Row {
        bool shiftJis;
        const char* exeName;
        std::vector<std::string> paths;  // by shortcut identifier
        const char* expected;
    };
    const std::string longPath = "C:\\" + std::string(252, 'p') + ".exe";  // 259 bytes
    const Row rows[] = {
        {false, "", {"C:\\P\\readme.txt", "C:\\P\\App.ExE", "C:\\P\\Second.exe"}, "C:\\P\\App.ExE"},
        {false, "", {"", "C:\\P\\App.exe"}, "C:\\P\\App.exe"},
        {false, "", {"", ""}, ""},
        {false, "Tool.exe", {"C:\\P\\TOOL.EXE"}, "C:\\P\\TOOL.EXE"},
        {false, "Tool.exe", {"C:\\P\\MyTool.exe"}, "C:\\P\\MyTool.exe"},
        {false, "Tool.exe", {"C:\\P\\Other.EXE", "C:\\P\\Tool.exe"}, "C:\\P\\Tool.exe"},
        {false, "Tool", {"C:\\P\\Tool"}, ""},
        {false, "C:\\P\\Tool.exe", {"Tool.exe"}, ""},
        {false, "caf\xe9.exe", {"C:\\P\\CAF\xc9.EXE"}, "C:\\P\\CAF\xc9.EXE"},
        {false, "\\A.EXE", {"C:\\\x95\\A.EXE"}, "C:\\\x95\\A.EXE"},
        // In code page 932 0x95 0x5C is one character: no separator before A.
        {true, "\\A.EXE", {"C:\\\x95\\A.EXE"}, ""},
        {true, "\x95\\A.EXE", {"C:\\\x95\\A.EXE"}, "C:\\\x95\\A.EXE"},
        {true, "\x82\xa0.exe", {"C:\\\x82\x80.exe", "C:\\\x82\xa0.EXE"}, "C:\\\x82\xa0.EXE"},
        {false, "", {longPath}, longPath.c_str()},
        {false, "", {longPath + "e"}, ""},  // 260 bytes: no room for the NUL, so cut
        {false, "", {longPath + "\\readme.txt"}, ""},  // cut to the buffer, it would end in .exe
    };
    for (const Row& row : rows) {
        fake::ResetAll();
        SetUp();
        if (row.shiftJis) fake::Text().UseShiftJis();
        WriteInf(row.exeName);
        AddShortcuts(row.paths);
        EXPECT_EQ(row.expected, Find()) << row.exeName << " / " << row.paths[0];
        EXPECT_LE(fake::Msi().mostRecordsOpen, 1) << "one row's record at a time";
        ExpectEverythingClosed(row.exeName);
    }
}

TEST_F(MsiPackageTest, ShortcutsAreTakenInIdentifierOrderNotTableOrder) {
    Package().shortcuts = {{"B_Shortcut", "Beta"}, {"A_Shortcut", "Alpha"}, {"C_Shortcut", "Beta"}};
    Package().componentIds = {{"Alpha", "{ALPHA}"}, {"Beta", "{BETA}"}};
    fake::Msi().installed[{kProductCode, "{ALPHA}"}] = {"C:\\P\\Alpha.exe"};
    fake::Msi().installed[{kProductCode, "{BETA}"}] = {"C:\\P\\Beta.exe"};
    EXPECT_EQ("C:\\P\\Alpha.exe", Find());
    EXPECT_EQ(1, fake::MsiCallCount("MsiGetComponentPath")) << "no fetch after the match";
}

TEST_F(MsiPackageTest, AnythingMissingGivesEmptyAndLeavesNothingOpen) {
    struct Row {
        const char* what;
        void (*arrange)();
        int queries;  // views asked for
    };
    const Row rows[] = {
        {"no installer library", [] { fake::Library().files.clear(); }, 0},
        {"installer library not loadable", [] { fake::Library().files["Msi.dll"].loadable = false; }, 0},
        {"package file missing", [] { fake::Msi().packages.clear(); }, 0},
        {"no summary information", [] { Package().summaryFails = true; }, 0},
        {"no ProductCode row", [] { Package().properties = {{"ProductName", "Writer"}}; }, 1},
        {"no Shortcut table", [] { Package().hasShortcutTable = false; }, 2},
        {"views do not execute", [] { fake::Msi().executeFails = true; }, 1},
    };
    for (const Row& row : rows) {
        fake::ResetAll();
        SetUp();
        AddShortcuts({"C:\\P\\App.exe"});
        row.arrange();
        EXPECT_EQ("", Find()) << row.what;
        EXPECT_EQ(row.queries, (int)fake::Msi().queries.size()) << row.what;
        ExpectEverythingClosed(row.what);
    }
}

TEST_F(MsiPackageTest, OpenFailureStillAsksSummaryByPathAndCountsAsNotOpen) {
    fake::Msi().packages.clear();
    CMsiPackage package(kPackage);
    EXPECT_FALSE(package.IsOpen());
    ASSERT_EQ(1, fake::MsiCallCount("MsiGetSummaryInformation"));
    EXPECT_EQ((std::vector<std::string>{"0", kPackage, "0"}), fake::Msi().calls[1].args);
    EXPECT_EQ("", std::string(package.GetProperty("ProductCode")));
}

TEST_F(MsiPackageTest, EachMissingFunctionIsSkipped) {
    struct Row {
        const char* exported;
        const char* expected;
    };
    const Row rows[] = {
        {"MsiOpenDatabaseA", ""},
        {"MsiGetSummaryInformationA", ""},
        {"MsiDatabaseOpenViewA", ""},
        {"MsiViewExecute", ""},
        {"MsiViewFetch", ""},
        {"MsiRecordGetStringA", ""},
        {"MsiGetComponentPathA", ""},
        {"MsiCloseHandle", "C:\\P\\App.exe"},  // found, but nothing can be closed
    };
    for (const Row& row : rows) {
        fake::ResetAll();
        SetUp();
        AddShortcuts({"C:\\P\\App.exe"});
        fake::Library().files["Msi.dll"].exports.erase(row.exported);
        EXPECT_EQ(row.expected, Find()) << row.exported;
        EXPECT_EQ(0, fake::Msi().callsWhileUnloaded) << row.exported;
        EXPECT_EQ(0, fake::Msi().badCloses) << row.exported;
        EXPECT_FALSE(fake::IsLibraryLoaded("Msi.dll")) << row.exported;
        if (std::string(row.exported) != "MsiCloseHandle") {
            EXPECT_TRUE(fake::Msi().open.empty()) << row.exported;
        }
    }
}

TEST_F(MsiPackageTest, EachFunctionIsBoundOnceThoughCalledOften) {
    AddShortcuts({"", "", "", "C:\\P\\App.exe"});
    EXPECT_EQ("C:\\P\\App.exe", Find());
    EXPECT_EQ((std::vector<std::string>{
                  "MsiOpenDatabase", "MsiOpenDatabaseA", "MsiGetSummaryInformation",
                  "MsiGetSummaryInformationA", "MsiDatabaseOpenView", "MsiDatabaseOpenViewA",
                  "MsiViewExecute", "MsiViewFetch", "MsiRecordGetString", "MsiRecordGetStringA",
                  "MsiCloseHandle", "MsiGetComponentPath", "MsiGetComponentPathA"}),
              fake::Library().lookups);
}

TEST_F(MsiPackageTest, PropertyReadsTheFirstRowOfTheNameAsGiven) {
    Package().properties = {{"it's", "first"}, {"it's", "second"}};
    CMsiPackage package(kPackage);
    EXPECT_EQ(CString("first"), package.GetProperty("it's"));
    EXPECT_EQ("select Property, Value from Property where Property='it's'", fake::Msi().queries[0]);
    EXPECT_EQ(1, fake::MsiCallCount("MsiViewFetch"));
    EXPECT_EQ(CString(""), package.GetProperty("Absent"));
    EXPECT_EQ(2u, fake::Msi().open.size()) << "only the package's own handles stay open";
}

}  // namespace
