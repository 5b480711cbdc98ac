// Setting the art's keys in Autorun.inf: exactly the bytes of the two
// values change or are added, and the launcher's reader then finds them.
#include <gtest/gtest.h>

#include "kit/art/InfEdit.h"
#include "params/ProfileText.h"

namespace {

struct EditCase {
    const char* name;
    const char* before;
    const char* after;
};

const EditCase kEdits[] = {
    {"ReplacesValuesInPlace",
     "; disc\r\n[autorun]\r\nopen=setup.exe /autorun\r\n\r\n[BXPARAM]\r\nAutorunBackdrop=old.bmp\r\nSetupExe=s.exe\r\n  autorunbuttons = old2.bmp\r\n",
     "; disc\r\n[autorun]\r\nopen=setup.exe /autorun\r\n\r\n[BXPARAM]\r\nAutorunBackdrop=b.bmp\r\nSetupExe=s.exe\r\n  autorunbuttons =s.bmp\r\n"},
    {"AddsMissingKeysAfterTheSectionsLastLine",
     "[BXPARAM]\nSetupExe=s.exe\n\n[Other]\nx=1\n",
     "[BXPARAM]\nSetupExe=s.exe\nAutorunBackdrop=b.bmp\nAutorunButtons=s.bmp\n\n[Other]\nx=1\n"},
    {"AddsTheSectionAtTheEnd",
     "[autorun]\r\nopen=setup.exe /autorun",
     "[autorun]\r\nopen=setup.exe /autorun\r\n\r\n[BXPARAM]\r\nAutorunBackdrop=b.bmp\r\nAutorunButtons=s.bmp\r\n"},
    {"MakesTheFileFromNothing", "",
     "[BXPARAM]\r\nAutorunBackdrop=b.bmp\r\nAutorunButtons=s.bmp\r\n"},
    {"LastLineWithoutBreakKeepsWithout",
     "\xEF\xBB\xBF[ bxparam ]\nSetupExe=s.exe",
     "\xEF\xBB\xBF[ bxparam ]\nSetupExe=s.exe\nAutorunBackdrop=b.bmp\nAutorunButtons=s.bmp"},
    {"OnlyTheFirstSectionOfTheName",
     "[BXPARAM]\r\nAutorunButtons\r\n[BXPARAM]\r\nAutorunBackdrop=x\r\n",
     "[BXPARAM]\r\nAutorunButtons=s.bmp\r\nAutorunBackdrop=b.bmp\r\n[BXPARAM]\r\nAutorunBackdrop=x\r\n"},
};

class InfEditTest : public ::testing::TestWithParam<EditCase> {};

TEST_P(InfEditTest, ChangesOnlyTheTwoValues) {
    const EditCase& c = GetParam();
    std::string out;
    ASSERT_TRUE(SetProfileKeys(c.before, "BXPARAM", {{"AutorunBackdrop", "b.bmp"}, {"AutorunButtons", "s.bmp"}}, &out));
    EXPECT_EQ(c.after, out);
    char sz[64];
    ReadProfileString(out.data(), out.size(), "BXPARAM", "AutorunBackdrop", "", sz, sizeof sz);
    EXPECT_STREQ("b.bmp", sz);
    ReadProfileString(out.data(), out.size(), "BXPARAM", "AutorunButtons", "", sz, sizeof sz);
    EXPECT_STREQ("s.bmp", sz);
}

INSTANTIATE_TEST_SUITE_P(Texts, InfEditTest, ::testing::ValuesIn(kEdits),
                         [](const ::testing::TestParamInfo<EditCase>& info) { return info.param.name; });

TEST(InfEdit, RefusesWhatItCannotWriteSafely) {
    std::string out = "untouched";
    EXPECT_FALSE(SetProfileKeys(std::string("\xFF\xFE[\0B\0", 6), "BXPARAM", {{"AutorunButtons", "s.bmp"}}, &out));
    EXPECT_FALSE(SetProfileKeys("[BXPARAM]\r\n", "BXPARAM", {{"AutorunButtons", "a\r\nSetupExe=evil.exe"}}, &out));
    // The launcher's reader would end the value there.
    EXPECT_FALSE(SetProfileKeys("[BXPARAM]\r\n", "BXPARAM", {{"AutorunButtons", std::string("s.bmp\0.exe", 10)}}, &out));
    EXPECT_EQ("untouched", out);
}

}  // namespace
