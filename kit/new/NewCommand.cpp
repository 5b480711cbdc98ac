#include <sys/stat.h>

#include <cstdio>

#include "kit/cli/Commands.h"
#include "kit/cli/DataFolder.h"
#include "kit/disc/Disc.h"
#include "kit/disc/DiscFolder.h"
#include "kit/disc/DiscText.h"
#include "kit/cli/ExitStatus.h"
#include "kit/disc/FileReplace.h"
#include "kit/new/StarterDisc.h"
#ifdef BX_HAVE_ART
#include "kit/art/DiscArt.h"
#include "kit/art/StarterBackdrop.h"
#endif

namespace {

const char kLauncher[] = "setup.exe";
const size_t kMaxProductName = 200;  // the caption has room for less than the launcher reads

int Fail(const std::string& message) {
    fprintf(stderr, "bxdisc new: %s\n", message.c_str());
    return kExitUnusable;
}

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// The author's own file for the disc's root, under its own name; false with
// the reason for one that is not there or whose name the disc cannot hold.
bool AddOwnFile(const CDisc& disc, const std::string& path, const char* what, std::vector<FileContent>* files,
                std::string* name, std::string* error) {
    std::string base = BaseName(path), strCp;
    FileContent file;
    if (IsFolder(path) || !ReadWholeFile(path, &file.bytes)) {
        *error = path + ": cannot be read, so it cannot be the disc's " + what;
        return false;
    }
    if (!Utf8ToCp1252(base, &strCp) || base.empty()) {
        *error = path + ": its name has characters of no Western code page; rename it";
        return false;
    }
    for (const FileContent& f : *files) {
        if (FoldName(BaseName(f.path)) == FoldName(base)) {
            *error = path + ": the disc's " + BaseName(f.path) + " has that name already; rename it";
            return false;
        }
    }
    file.path = disc.folder() + "/" + base;
    files->push_back(file);
    *name = strCp;
    return true;
}

int RunNew(const ParsedArgs& args) {
#ifndef BX_HAVE_ART
    return Fail("this bxdisc was built without cairo, pango and libimagequant, which draw a new disc's artwork");
#else
    std::string product = args.Get("--product"), productCp;
    if (product.empty() || product.size() > kMaxProductName || product.find_first_of("\r\n") != std::string::npos ||
        !Utf8ToCp1252(product, &productCp))
        return Fail("--product takes a name of one line, up to 200 characters of the Western code page");
    std::string looked, data = FindDataFolder(&looked);
    std::string launcher = (data.empty() ? looked : data) + "/" + kLauncher;
    FileContent launcherFile = {std::string(), {}};
    if (data.empty() || !ReadWholeFile(launcher, &launcherFile.bytes))
        return Fail("the launcher is not at " + launcher + ": install bxdisc's package, or build it with the "
                    "cross build (cmake ... -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake), or name its data "
                    "folder in $BXDISC_DATA");

    CDisc disc;
    std::string folder = args.operands[0];
    if (!disc.Open(folder) && Exists(folder)) return Fail(folder + ": not a folder that can be read");
    launcherFile.path = disc.folder() + "/" + kLauncher;
    StarterDisc starter;
    starter.product = productCp;
    std::vector<FileContent> files = {launcherFile};

    RgbImage backdrop;
    ArtOptions art;
    ArtReport report;
    std::vector<FileContent> bitmaps;
    std::string error;
    art.backdropName = kStarterBackdrop;
    art.buttonsName = kStarterButtons;
    if (!DrawStarterBackdrop(product, art.faces.accent, &backdrop, &error) ||
        !DrawArtFiles(disc, art, backdrop, &bitmaps, &report, &error))
        return Fail("the starter artwork: " + error);
    files.insert(files.end(), bitmaps.begin(), bitmaps.end());
    if ((args.Has("--setup") && !AddOwnFile(disc, args.Get("--setup"), "setup program", &files, &starter.setupExe, &error)) ||
        (args.Has("--package") && !AddOwnFile(disc, args.Get("--package"), "installer package", &files, &starter.package, &error)))
        return Fail(error);
    std::string inf = StarterAutorunInf(starter), readme = StarterReadme(starter, folder);
    files.push_back({disc.folder() + "/Autorun.inf", std::vector<unsigned char>(inf.begin(), inf.end())});
    files.push_back({disc.folder() + "/README.txt", std::vector<unsigned char>(readme.begin(), readme.end())});

    // Whatever case an old file has, Windows takes it for the new one.
    std::string present;
    for (FileContent& f : files) {
        std::string strCp;
        Utf8ToCp1252(BaseName(f.path), &strCp);
        DiscEntry old = disc.Find(strCp);
        if (old.Found()) f.path = old.path;
        if (old.Found() || Exists(f.path)) present += (present.empty() ? "" : ", ") + f.path;
    }
    if (!present.empty() && !args.Has("--force"))
        return Fail("would overwrite " + present + ": run again with --force to replace them");
    std::vector<std::string> made;
    bool dryRun = args.Has("--dry-run");
    if (!MakeFolders(disc.folder(), dryRun, &made, &error)) return Fail(error);
    if (dryRun) {
        for (const std::string& m : made) printf("would make %s\n", m.c_str());
        for (const FileContent& f : files) printf("would write %s (%zu bytes)\n", f.path.c_str(), f.bytes.size());
        return kExitClean;
    }
    std::string warning;
    if (!ReplaceFiles(disc.folder(), files, &error, &warning)) {
        RemoveFolders(made);
        return Fail(error + "; nothing written");
    }
    for (const FileContent& f : files) printf("wrote %s\n", f.path.c_str());
    if (!warning.empty()) fprintf(stderr, "bxdisc new: %s\n", warning.c_str());
    if (starter.setupExe.empty() || starter.package.empty())
        printf("still to fill in %s/Autorun.inf:%s%s (bxdisc check %s tells how)\n", disc.folder().c_str(),
               starter.setupExe.empty() ? " SetupExe" : "", starter.package.empty() ? " SetupMSI" : "",
               folder.c_str());
    return kExitClean;
#endif
}

}  // namespace

const Command kNewCommand = {
    "new",
    "DISC_FOLDER",
    1,
    "Starts a disc in DISC_FOLDER, made with its missing parents: the launcher, an Autorun.inf with every\n"
    "setting explained, starter artwork with the product's name, and a README.txt with the next steps.\n"
    "It overwrites nothing without --force.",
    {
        {"--product", "NAME", "the product's name: the front window's caption and the disc's label", nullptr, true},
        {"--setup", "PATH", "the product's setup program, copied to the disc (else still to fill)", nullptr, false},
        {"--package", "FILE.msi", "the product's installer package, copied to the disc (else still to fill)",
         nullptr, false},
        {"--force", nullptr, "replaces files of those names already in the folder", nullptr, false},
        {"--dry-run", nullptr, "lists the folders it would make and the files it would write, and writes nothing",
         nullptr, false},
    },
    false,
    RunNew,
    "starts a disc: launcher, Autorun.inf, starter artwork, README",
};
