// Replacing files of a disc folder: a failure half way leaves no temporary
// file, a replaced file keeps its mode, and nothing is written through a
// symbolic link, on kernels with openat2 and without.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/openat2.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <functional>
#include <map>

#include "TestDisc.h"
#include "kit/disc/DiscFolder.h"
#include "kit/disc/FileReplace.h"

// Run before each rename of the kit (linked with --wrap=renameat), as another
// program might change the disc meanwhile.
std::function<void(const char* to)> g_beforeRename;
// The names, from their start, whose state cannot be read (linked with --wrap=fstatat), as on a failing disk.
std::string g_unreadable;

extern "C" int __real_renameat(int fromDir, const char* from, int toDir, const char* to);
extern "C" int __wrap_renameat(int fromDir, const char* from, int toDir, const char* to) {
    if (g_beforeRename) g_beforeRename(to);
    return __real_renameat(fromDir, from, toDir, to);
}

extern "C" int __real_fstatat(int dir, const char* name, struct stat* st, int flags);
extern "C" int __wrap_fstatat(int dir, const char* name, struct stat* st, int flags) {
    if (!g_unreadable.empty() && std::string(name).compare(0, g_unreadable.size(), g_unreadable) == 0) {
        errno = EIO;
        return -1;
    }
    return __real_fstatat(dir, name, st, flags);
}

namespace {

std::string warning;  // what a replacement that went through left, which these tests do not make

std::string Text(const std::string& path) {
    std::vector<unsigned char> bytes;
    ReadWholeFile(path, &bytes);
    return std::string(bytes.begin(), bytes.end());
}

// Every file below root, links followed, and what it holds.
std::map<std::string, std::string> Snapshot(const std::string& root) {
    std::vector<std::string> paths;
    ListFilesBelow(root, &paths);
    std::map<std::string, std::string> files;
    for (const std::string& p : paths) files[p] = Text(root + "/" + p);
    return files;
}

// The kernel of a machine without openat2, for the rest of this process.
void WithoutOpenat2() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_openat2, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOSYS),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program = {sizeof filter / sizeof filter[0], filter};
    ASSERT_EQ(0, prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0));
    ASSERT_EQ(0, prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program));
    open_how how = {};  // a real one: newer valgrinds check what it points at
    ASSERT_EQ(-1, syscall(SYS_openat2, AT_FDCWD, ".", &how, sizeof how));
    ASSERT_EQ(ENOSYS, errno);
}

const char kLinkFix[] = " is a symbolic link; a disc's files are written only inside its folder; fix: replace the link with the ";

const struct {
    const char* path;  // below the disc's root
    std::string reason;
} kRefused[] = {
    {"Setup/setup32.exe", "Setup/setup32.exe: \"Setup\"" + std::string(kLinkFix) + "folder itself"},
    {"Real/Setup/setup32.exe", "Real/Setup/setup32.exe: \"Real/Setup\"" + std::string(kLinkFix) + "folder itself"},
    {"readme.txt", "readme.txt:" + std::string(kLinkFix) + "file itself"},
    {"Docs", "Docs:" + std::string(kLinkFix) + "folder itself"},
    // A link that stays inside the disc is refused all the same.
    {"Inner/a.txt", "Inner/a.txt: \"Inner\"" + std::string(kLinkFix) + "folder itself"},
    {"alias.txt", "alias.txt:" + std::string(kLinkFix) + "file itself"},
    {"setup.exe/x", "setup.exe/x: \"setup.exe\" is not a folder"},
    {"Real/..", "Real/..: names no file inside the disc folder"},
};

// Each way the kit writes, at each place behind a link: refused with the
// reason, and nothing written inside the disc folder or outside it; a
// place without one is written.
void ExpectWritesOnlyInside() {
    TestDisc d;
    d.Write("outside/setup32.exe", "outside"), d.Write("outside/readme.txt", "outside");
    d.Write("disc/setup.exe", "MZ"), d.Write("disc/Real/a.txt", "a");
    d.Link("disc/Setup", "../outside"), d.Link("disc/Real/Setup", "../../outside");
    d.Link("disc/readme.txt", "../outside/readme.txt"), d.Link("disc/Docs", "../outside");
    d.Link("disc/Inner", "Real"), d.Link("disc/alias.txt", "Real/a.txt");
    std::string root = d.folder() + "/disc";
    std::map<std::string, std::string> before = Snapshot(d.folder());
    for (const auto& c : kRefused) {
        SCOPED_TRACE(c.path);
        std::string path = root + "/" + c.path, error;
        EXPECT_FALSE(ReplaceFiles(root, {{path, {'x'}}}, &error, &warning));
        EXPECT_EQ(c.reason, error);
        EXPECT_EQ("", MakeFolderBeside(root, path, &error));
        EXPECT_EQ(c.reason, error);
    }
    EXPECT_EQ(before, Snapshot(d.folder()));
    std::string error;
    ASSERT_TRUE(ReplaceFiles(root, {{root + "/Real/a.txt", {'b'}}}, &error, &warning)) << error;
    before["disc/Real/a.txt"] = before["disc/Inner/a.txt"] = before["disc/alias.txt"] = "b";
    EXPECT_EQ(before, Snapshot(d.folder()));
}

TEST(ReplaceFiles, WritesNothingThroughALink) { ExpectWritesOnlyInside(); }

TEST(ReplaceFiles, WritesNothingThroughALinkWithoutOpenat2) {
    EXPECT_EXIT(
        {
            WithoutOpenat2();
            ExpectWritesOnlyInside();
            _exit(::testing::Test::HasFailure() ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ReplaceFiles, LeavesNoTemporaryFileWhenItFails) {
    TestDisc disc;
    std::string a = disc.folder() + "/a.bmp", error;
    // A file that cannot be written after one that was, a folder in a file's place from the start, and one
    // once all are written.
    EXPECT_FALSE(ReplaceFiles(disc.folder(), {{a, {1}}, {disc.folder() + "/absent/b.bmp", {2}}}, &error, &warning));
    disc.Write("Folder/x", "x");
    EXPECT_FALSE(ReplaceFiles(disc.folder(), {{a, {1}}, {disc.folder() + "/Folder", {2}}}, &error, &warning));
    EXPECT_EQ("Folder: is a folder", error);
    disc.Remove("Folder");
    g_beforeRename = [&](const char*) { disc.Write("a.bmp/x", "x"); };
    EXPECT_FALSE(ReplaceFiles(disc.folder(), {{a, {1}}, {disc.folder() + "/b.bmp", {2}}}, &error, &warning));
    g_beforeRename = nullptr;
    EXPECT_NE(std::string::npos, error.find("a.bmp: cannot be replaced")) << error;
    std::vector<std::string> left;
    ListFilesBelow(disc.folder(), &left);
    EXPECT_EQ(std::vector<std::string>{"a.bmp/x"}, left);
}

TEST(MakeFolderBeside, IsPrivateAndGoesWithWhatItHolds) {
    TestDisc disc;
    disc.Write("Setup/a.exe", "MZ");
    std::string error, folder = MakeFolderBeside(disc.folder(), disc.folder() + "/Setup/a.exe", &error);
    ASSERT_EQ(0u, folder.find(disc.folder() + "/Setup/.a.exe.bxdisc-")) << folder << error;
    struct stat st;
    ASSERT_EQ(0, stat(folder.c_str(), &st));
    EXPECT_EQ(0700u, st.st_mode & 07777);
    disc.Write(folder.substr(disc.folder().size() + 1) + "/signed", "MZ signed");
    std::vector<std::string> before, after, left;
    ListFolder("/proc/self/fd", &before);
    EXPECT_TRUE(RemoveFolderBeside(disc.folder(), folder, &error)) << error;
    ListFolder("/proc/self/fd", &after);
    EXPECT_EQ(before.size(), after.size());  // no descriptor left open
    ListFolder(disc.folder() + "/Setup", &left);
    EXPECT_EQ(std::vector<std::string>{"a.exe"}, left);
}

TEST(ReplaceFiles, ChangesNothingWhenAPlaceCannotBeRead) {
    // A file replaced first, unread, could not be put back should a later rename fail; a temporary
    // file unread could not be renamed by its place.
    for (const char* unreadable : {"a.bmp", ".a.bmp.bxdisc-"}) {
        SCOPED_TRACE(unreadable);
        TestDisc disc;
        disc.Write("a.bmp", "old");
        std::string root = disc.folder(), error;
        g_unreadable = unreadable;
        EXPECT_FALSE(ReplaceFiles(root, {{root + "/b.bmp", {1}}, {root + "/a.bmp", {2}}}, &error, &warning));
        g_unreadable.clear();
        EXPECT_EQ("a.bmp: cannot be reached (Input/output error)", error);
        EXPECT_EQ((std::map<std::string, std::string>{{"a.bmp", "old"}}), Snapshot(root));
    }
}

// The last rename fails: the places before it hold what they held, a file put back or a new one gone.
TEST(ReplaceFiles, PutsBackWhatItReplacedWhenALaterRenameFails) {
    const std::vector<std::string> kEarlier[] = {{"a.bmp"}, {"a.bmp", "new.bmp", "b.bmp"}};
    for (const std::vector<std::string>& earlier : kEarlier) {
        SCOPED_TRACE(earlier.size());
        TestDisc disc;
        std::string root = disc.folder(), error;
        std::vector<FileContent> files;
        std::map<std::string, std::string> before = {{"last.bmp/x", "x"}};
        for (const std::string& name : earlier) {
            if (name != "new.bmp") disc.Write(name, "old"), before[name] = "old";
            files.push_back({root + "/" + name, {'n', 'e', 'w'}});
        }
        files.push_back({root + "/last.bmp", {'n', 'e', 'w'}});
        g_beforeRename = [&](const char* to) {
            if (std::string(to) == "last.bmp") disc.Write("last.bmp/x", "x");
        };
        EXPECT_FALSE(ReplaceFiles(root, files, &error, &warning));
        g_beforeRename = nullptr;
        EXPECT_EQ("last.bmp: cannot be replaced (Is a directory)", error);
        EXPECT_EQ(before, Snapshot(root));
    }
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
    ASSERT_TRUE(ReplaceFiles(disc.folder(), files, &error, &warning)) << error;
    for (size_t i = 0; i < files.size(); ++i) {
        struct stat st;
        ASSERT_EQ(0, stat(files[i].path.c_str(), &st));
        EXPECT_EQ(kFiles[i].second, st.st_mode & 07777) << kFiles[i].first;
    }
}

}  // namespace
