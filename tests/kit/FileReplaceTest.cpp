// Replacing files of a disc folder: a failure half way leaves no temporary
// file, and a replaced file keeps its mode.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "TestDisc.h"
#include "kit/disc/FileReplace.h"

// Run before each rename of the kit (linked with --wrap=rename), as another
// program might change the disc meanwhile.
std::function<void(const char* to)> g_beforeRename;

extern "C" int __real_rename(const char* from, const char* to);
extern "C" int __wrap_rename(const char* from, const char* to) {
    if (g_beforeRename) g_beforeRename(to);
    return __real_rename(from, to);
}

namespace {

TEST(ReplaceFiles, LeavesNoTemporaryFileWhenItFails) {
    TestDisc disc;
    std::string a = disc.folder() + "/a.bmp", error;
    // A file that cannot be written after one that was; then a folder in a file's place once all are written.
    EXPECT_FALSE(ReplaceFiles({{a, {1}}, {disc.folder() + "/absent/b.bmp", {2}}}, &error));
    g_beforeRename = [&](const char*) { disc.Write("a.bmp/x", "x"); };
    EXPECT_FALSE(ReplaceFiles({{a, {1}}, {disc.folder() + "/b.bmp", {2}}}, &error));
    g_beforeRename = nullptr;
    EXPECT_NE(std::string::npos, error.find("a.bmp: cannot be replaced")) << error;
    std::vector<std::string> left;
    ListFilesBelow(disc.folder(), &left);
    EXPECT_EQ(std::vector<std::string>{"a.bmp/x"}, left);
}

TEST(ReplaceFiles, KeepsTheModeOfTheFileReplaced) {
    TestDisc disc;
    const std::pair<const char*, mode_t> kFiles[] = {{"new.bmp", 0644}, {"private.inf", 0600}, {"tool.exe", 0755}};
    std::vector<FileContent> files;
    for (const auto& f : kFiles) {
        files.push_back({disc.folder() + "/" + f.first, {1}});
        if (f.second != 0644) disc.Write(f.first, "old"), chmod(files.back().path.c_str(), f.second);
    }
    std::string error;
    ASSERT_TRUE(ReplaceFiles(files, &error)) << error;
    for (size_t i = 0; i < files.size(); ++i) {
        struct stat st;
        ASSERT_EQ(0, stat(files[i].path.c_str(), &st));
        EXPECT_EQ(kFiles[i].second, st.st_mode & 07777) << kFiles[i].first;
    }
}

}  // namespace
