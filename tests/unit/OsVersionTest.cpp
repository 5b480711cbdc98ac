#include "fake/Fake.h"
#include "fake/FakeVersionInfo.h"
#include "prereq/OsVersion.h"

namespace {

using OsVersionTest = FakeTest;

struct ClassRow {
    DWORD platformId, major, minor;
    OsVersion expected;
};

TEST_F(OsVersionTest, ClassifiesByPlatformAndVersion) {
    const ClassRow rows[] = {
        {VER_PLATFORM_WIN32_WINDOWS, 4, 0, osWin95},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, osWin98},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 90, osWinMe},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 3, osOther},
        {VER_PLATFORM_WIN32_WINDOWS, 5, 0, osOther},
        {VER_PLATFORM_WIN32s, 4, 10, osWin98},
        {VER_PLATFORM_WIN32s, 3, 10, osOther},
        {VER_PLATFORM_WIN32_NT, 3, 51, osWinNT4},
        {VER_PLATFORM_WIN32_NT, 4, 0, osWinNT4},
        {VER_PLATFORM_WIN32_NT, 5, 0, osWinNT5},
        {VER_PLATFORM_WIN32_NT, 5, 1, osWinNT5},
        {VER_PLATFORM_WIN32_NT, 6, 0, osWinNT5},
        {3, 4, 0, osOther},
    };
    for (const ClassRow& row : rows) {
        EXPECT_EQ(row.expected, ClassifyOsVersion(row.platformId, row.major, row.minor))
            << row.platformId << " " << row.major << "." << row.minor;
    }
}

TEST_F(OsVersionTest, AsksForTheExtendedRecordThenTheBasicOne) {
    auto& info = fake::VersionInfo();
    info.Windows(VER_PLATFORM_WIN32_NT, 4, 0);
    EXPECT_EQ(osWinNT4, GetOsVersion());
    EXPECT_EQ(std::vector<DWORD>{156}, info.recordSizes);

    info.recordSizes.clear();
    info.extendedFails = true;  // NT 4 before SP6, Windows 9x
    EXPECT_EQ(osWinNT4, GetOsVersion());
    EXPECT_EQ((std::vector<DWORD>{156, 148}), info.recordSizes);

    info.basicFails = true;  // the record stays zeroed
    EXPECT_EQ(osOther, GetOsVersion());
}

}  // namespace
