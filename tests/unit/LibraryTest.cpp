#include <string>
#include <vector>

#include "fake/Fake.h"
#include "fake/FakeLibrary.h"
#include "msi/MsiDll.h"

namespace {

void Exported() {}
void Other() {}

class LibraryTest : public FakeTest {
protected:
    std::vector<std::string>& lookups = fake::Library().lookups;

    static fake::LibraryFile& Tool() { return fake::Library().files["Tool.dll"]; }
    void SetUp() override {
        FakeTest::SetUp();
        Tool().path = "D:\\BIN\\TOOL.DLL";
        Tool().exports = {{"Plain", &Exported}, {"TextA", &Other}, {"TextW", &Exported}};
    }
};

TEST_F(LibraryTest, LoadsTheFoundPathWithItsOwnFolderSearchedForDependencies) {
    CLibrary library("Tool.dll");
    EXPECT_TRUE(library.IsLoaded());
    EXPECT_EQ(std::vector<std::string>{"Tool.dll"}, fake::Library().searches);
    EXPECT_EQ(std::vector<DWORD>{LOAD_WITH_ALTERED_SEARCH_PATH}, fake::Library().loadFlags);
    EXPECT_EQ(CString("D:\\BIN\\TOOL.DLL"), library.GetFileName());

    Tool().path = "D:\\" + std::string(256, 'x');  // 259 characters and the NUL
    EXPECT_TRUE(CLibrary("Tool.dll").IsLoaded());
}

TEST_F(LibraryTest, NothingLoadedMeansNullForEveryNameWithoutAsking) {
    struct Row {
        const char* what;
        const char* name;
        bool loadable;
        std::string path;
        size_t loadsTried;
    };
    const Row rows[] = {
        {"a null name", nullptr, true, "D:\\TOOL.DLL", 0},
        {"not on the search path", "Missing.dll", true, "D:\\TOOL.DLL", 0},
        {"found but not loadable", "Tool.dll", false, "D:\\TOOL.DLL", 1},
        {"path too long for the buffer", "Tool.dll", true, "D:\\" + std::string(257, 'x'), 0},
    };
    for (const Row& row : rows) {
        fake::ResetAll();
        SetUp();
        Tool().loadable = row.loadable;
        Tool().path = row.path;
        {
            CLibrary library(row.name);
            EXPECT_FALSE(library.IsLoaded()) << row.what;
            EXPECT_EQ(CString(""), library.GetFileName()) << row.what;
            EXPECT_EQ(nullptr, library.GetFunction("Plain")) << row.what;
        }
        EXPECT_TRUE(lookups.empty()) << row.what;
        EXPECT_EQ(row.loadsTried, fake::Library().loadFlags.size()) << row.what;
        EXPECT_EQ(0, fake::Library().badFrees) << row.what;
    }
}

TEST_F(LibraryTest, EachNameCostsAtMostTwoLookupsOnce) {
    CLibrary library("Tool.dll");

    EXPECT_EQ((FARPROC)&Exported, library.GetFunction("Plain"));
    EXPECT_EQ((FARPROC)&Exported, library.GetFunction("Plain"));
    EXPECT_EQ(std::vector<std::string>{"Plain"}, lookups) << "bound at once, A never tried";

    lookups.clear();
    EXPECT_EQ((FARPROC)&Other, library.GetFunction("Text"));
    EXPECT_EQ((FARPROC)&Other, library.GetFunction("Text"));
    EXPECT_EQ((std::vector<std::string>{"Text", "TextA"}), lookups) << "the 8-bit form, once";

    lookups.clear();
    EXPECT_EQ(nullptr, library.GetFunction("Absent"));
    EXPECT_EQ(nullptr, library.GetFunction("Absent"));
    EXPECT_EQ((std::vector<std::string>{"Absent", "AbsentA"}), lookups) << "a miss is remembered";

    lookups.clear();
    EXPECT_EQ(nullptr, library.GetFunction("plain"));
    EXPECT_EQ((std::vector<std::string>{"plain", "plainA"}), lookups) << "names keep their case";
}

TEST_F(LibraryTest, ManyNamesStillBindCorrectly) {
    CLibrary library("Tool.dll");
    for (int i = 0; i < 40; ++i) library.GetFunction(("F" + std::to_string(i)).c_str());
    EXPECT_EQ((FARPROC)&Other, library.GetFunction("Text"));
    EXPECT_EQ(nullptr, library.GetFunction("F3"));
}

TEST_F(LibraryTest, DestructionUnloadsOnce) {
    {
        CLibrary library("Tool.dll");
        EXPECT_TRUE(fake::IsLibraryLoaded("Tool.dll"));
    }
    EXPECT_FALSE(fake::IsLibraryLoaded("Tool.dll"));
    EXPECT_EQ((std::vector<std::string>{"load Tool.dll", "free Tool.dll"}), fake::Library().events);
    EXPECT_EQ(0, fake::Library().badFrees);
}

TEST_F(LibraryTest, MsiDllIsALibraryNamedMsiDll) {
    CMsiDll msi;
    EXPECT_FALSE(msi.IsLoaded()) << "no installer library on this computer";
    EXPECT_EQ(std::vector<std::string>{"Msi.dll"}, fake::Library().searches);

    EXPECT_STREQ("CLibrary", RUNTIME_CLASS(CLibrary)->m_lpszClassName);
    EXPECT_EQ(RUNTIME_CLASS(CObject), RUNTIME_CLASS(CLibrary)->m_pBaseClass);
    EXPECT_STREQ("CMsiDll", RUNTIME_CLASS(CMsiDll)->m_lpszClassName);
    EXPECT_EQ(RUNTIME_CLASS(CLibrary), RUNTIME_CLASS(CMsiDll)->m_pBaseClass);
    EXPECT_EQ(RUNTIME_CLASS(CMsiDll), msi.GetRuntimeClass());
}

}  // namespace
