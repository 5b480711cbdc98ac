#include <string>

#include "app/Locations.h"
#include "fake/Fake.h"
#include "fake/FakeProcess.h"
#include "fake/FakeSystem.h"
#include "fake/FakeText.h"

namespace {

class LocationsTest : public FakeTest {};

struct DirRow {
    const char* module;
    const char* directory;
};

TEST_F(LocationsTest, LauncherDirectoryEndsWithItsSeparator) {
    const DirRow rows[] = {
        {"D:\\SETUP.EXE", "D:\\"},
        {"D:\\INSTALL\\SETUP.EXE", "D:\\INSTALL\\"},
        {"\\\\server\\share\\disc\\setup.exe", "\\\\server\\share\\disc\\"},
        {"D:/unix/style/setup.exe", "D:/unix/style/"},
        {"D:SETUP.EXE", "D:"},
        {"setup.exe", ""},
        {"", ""},
    };
    for (const DirRow& row : rows) {
        fake::Process().modulePath = row.module;
        EXPECT_EQ(CString(row.directory), GetLauncherDirectory()) << row.module;
    }
}

TEST_F(LocationsTest, LauncherDirectoryIsEmptyWhenThePathDoesNotFit) {
    fake::Process().modulePath = "D:\\" + std::string(300, 'a') + "\\setup.exe";
    EXPECT_EQ(CString(""), GetLauncherDirectory());
}

TEST_F(LocationsTest, LauncherDirectoryDoesNotSplitInsideADoubleByteCharacter) {
    fake::Text().UseShiftJis();
    fake::Process().modulePath = "D:\\\x95\x5c\\setup.exe";  // 0x95 0x5C is one character
    EXPECT_EQ(CString("D:\\\x95\x5c\\"), GetLauncherDirectory());
    fake::Process().modulePath = "D:\\a\x95\x5csetup.exe";
    EXPECT_EQ(CString("D:\\"), GetLauncherDirectory());
}

TEST_F(LocationsTest, SystemAndWindowsDirectoriesLoseOneTrailingBackslash) {
    fake::System().systemDirectory = "C:\\WINDOWS\\SYSTEM";
    fake::System().windowsDirectory = "D:\\";
    EXPECT_EQ(CString("C:\\WINDOWS\\SYSTEM"), GetSystemDirectoryPath());
    EXPECT_EQ(CString("D:"), GetWindowsDirectoryPath());
    fake::System().systemDirectory = std::string(270, 'x');
    EXPECT_EQ(CString(""), GetSystemDirectoryPath());
    fake::Text().UseShiftJis();
    fake::System().systemDirectory = "C:\\\x95\x5c";  // ends in a character, not a separator
    EXPECT_EQ(CString("C:\\\x95\x5c"), GetSystemDirectoryPath());
}

}  // namespace
