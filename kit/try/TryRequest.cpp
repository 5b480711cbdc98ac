#include "kit/try/RunnerCommand.h"

#include <cstdio>

#include "kit/disc/Disc.h"
#include "kit/disc/DiscBitmap.h"
#include "kit/disc/DiscFolder.h"
#include "ui/FrontLayout.h"

namespace {

// WIDTHxHEIGHT:x,y,RRGGBB;... at nine points spread over the backdrop; ""
// when the launcher could not load it either.
std::string BackdropSamples(const DiscEntry& entry) {
    std::vector<unsigned char> file;
    DiscBitmap bitmap;
    if (!entry.IsFile() || !ReadWholeFile(entry.path, &file) || !ReadDiscBitmap(file, &bitmap).loaded ||
        bitmap.width <= 0 || bitmap.height <= 0)
        return std::string();
    std::vector<uint32_t> pixels = DecodePixels(bitmap);
    char sz[64];
    snprintf(sz, sizeof sz, "%ldx%ld:", (long)bitmap.width, (long)bitmap.height);
    std::string text = sz;
    for (int i : {1, 3, 5}) {
        for (int j : {1, 3, 5}) {
            long x = bitmap.width * i / 6, y = bitmap.height * j / 8;
            snprintf(sz, sizeof sz, "%s%ld,%ld,%06X", text.back() == ':' ? "" : ";", x, y,
                     (unsigned)pixels[(size_t)y * bitmap.width + x]);
            text += sz;
        }
    }
    return text;
}

}  // namespace

std::vector<std::string> RunnerCommand(const Command& command, const ParsedArgs& args, const std::string& data,
                                       std::string* error) {
    CDisc disc;
    if (!disc.Open(args.operands[0])) {
        *error = "cannot read the folder " + args.operands[0];
        return {};
    }
    std::string name = args.Get("--launcher", "setup.exe");
    DiscEntry launcher = disc.Find(name);
    if (!launcher.IsFile()) {
        *error = "no " + name + " in " + disc.folder() + ": the disc has no launcher to try";
        return {};
    }
    char ids[64];
    snprintf(ids, sizeof ids, "%d,%d,%d,%d", IDC_RUN, IDC_SETUP_AGAIN, IDC_INSTALL, IDC_EXIT);
    std::vector<std::string> cmd = {"python3", data + "/try/disc_try.py", "--disc=" + disc.folder(), "--launcher=" + launcher.Relative(disc.folder()),
                                    std::string("--buttons=") + ids};
    // The runner stands recorders in for the programs and installs the package with --installed.
    const struct { const char* option; ParamKey key; } kFiles[] = {
        {"--setup-exe=", SetupExe}, {"--dcom=", InstDCOM95}, {"--package=", SetupMSI}};
    for (const auto& f : kFiles) {
        DiscEntry entry = disc.Named(f.key);
        if (entry.IsFile()) cmd.push_back(f.option + entry.Relative(disc.folder()));
    }
    std::string samples = BackdropSamples(disc.Named(AutorunBackdrop));
    if (!samples.empty()) cmd.push_back("--backdrop=" + samples);
    for (const OptionRule& o : command.options) {
        if (!args.Has(o.name) || std::string(o.name) == "--launcher") continue;
        cmd.push_back(o.value ? std::string(o.name) + "=" + args.Get(o.name) : std::string(o.name));
    }
    if (args.bTail) {
        cmd.push_back("--");
        cmd.insert(cmd.end(), args.tail.begin(), args.tail.end());
    }
    return cmd;
}
