#include "kit/sign/DiscSigning.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "framework/String.h"
#include "kit/disc/DiscFolder.h"
#include "kit/disc/DiscPlace.h"
#include "kit/disc/DiscText.h"
#include "kit/disc/FileReplace.h"
#include "kit/disc/ToolRun.h"
#include "kit/disc/WindowsFile.h"

namespace {

const size_t kHead = 64 * 1024;
volatile sig_atomic_t g_interrupted = 0;

void OnSignal(int) { g_interrupted = 1; }

bool EndsWithNoCase(const std::string& name, const char* end) {
    size_t n = strlen(end);
    return name.size() >= n && CompareNoCase(name.c_str() + name.size() - n, end) == 0;
}

bool Signable(const std::string& path, bool bAnyPackage, const std::string& name) {
    std::vector<unsigned char> head;
    if (!ReadFileHead(path, kHead, &head)) return false;
    return IsPeFile(head) ||
           (IsCompoundFile(head) && (bAnyPackage || EndsWithNoCase(name, ".msi") || EndsWithNoCase(name, ".msp")));
}

bool AddNamed(const CDisc& disc, const std::string& what, const DiscEntry& entry, std::vector<SignTarget>* targets,
              std::string* error) {
    if (entry.value.empty()) return true;
    std::string named = what + " (\"" + Cp1252ToUtf8(entry.value) + "\")";
    if (!entry.IsFile()) {
        *error = named + " is not a file in the disc folder; bxdisc check tells more";
        return false;
    }
    // Refused before any signing: the signed file would be written there.
    CDiscPlace place;
    if (!place.Open(disc.folder(), entry.path, error)) return false;
    if (!S_ISREG(place.mode())) {
        *error = named + " is not a plain file but a pipe, socket or device, so it cannot be signed";
        return false;
    }
    std::string relative = entry.Relative(disc.folder());
    for (const SignTarget& t : *targets)
        if (t.path == entry.path) return true;
    if (!Signable(entry.path, true, relative)) {
        *error = named + " is neither a Windows program nor an installer package, so it cannot be signed";
        return false;
    }
    targets->push_back({what, entry.path, relative});
    return true;
}

void RemoveAll(const std::string& root, const std::vector<std::string>& folders) {
    for (const std::string& f : folders) RemoveFolderBeside(root, f);
}

}  // namespace

bool ListSignTargets(const CDisc& disc, const std::string& launcher, bool bAll, std::vector<SignTarget>* targets,
                     std::string* error) {
    DiscEntry self = disc.Find(launcher);
    if (!self.IsFile()) {
        *error = "the launcher " + launcher + " is not in the disc folder";
        return false;
    }
    if (!AddNamed(disc, "the launcher", self, targets, error) ||
        !AddNamed(disc, "SetupExe", disc.Named(SetupExe), targets, error) ||
        !AddNamed(disc, "InstDCOM95", disc.Named(InstDCOM95), targets, error) ||
        !AddNamed(disc, "SetupMSI", disc.Named(SetupMSI), targets, error))
        return false;
    if (!bAll) return true;
    return WalkDisc(disc.folder(), [&](const DiscWalkEntry& e) {
        if (e.folder || e.link) return;
        for (const SignTarget& t : *targets)
            if (t.path == e.path) return;
        if (Signable(e.path, false, e.name)) targets->push_back({std::string(), e.path, e.relative});
    });
}

bool SignFiles(const std::string& root, const std::vector<SignTarget>& targets, const SignOptions& options,
               std::string* error) {
    std::vector<std::string> temps;
    std::vector<std::pair<std::string, std::string>> moves;
    for (const SignTarget& t : targets) {
        // osslsigncode makes its output file itself, in a folder no one else may write to.
        std::string folder = MakeFolderBeside(root, t.path, error);
        if (folder.empty()) {
            RemoveAll(root, temps);
            return false;
        }
        temps.push_back(folder);
        std::string temp = folder + "/signed";
        std::vector<std::string> args = {"osslsigncode", "sign"};
        args.insert(args.end(), options.keyArgs.begin(), options.keyArgs.end());
        if (options.password) args.insert(args.end(), {"-readpass", "/dev/fd/3"});
        args.insert(args.end(), {"-h", "sha256"});
        if (!options.name.empty()) args.insert(args.end(), {"-n", options.name});
        if (!options.url.empty()) args.insert(args.end(), {"-i", options.url});
        if (!options.timestamp.empty()) args.insert(args.end(), {"-ts", options.timestamp});
        args.insert(args.end(), {"-in", t.path, "-out", temp});
        std::string failure;
        ToolRun run = RunTool(args, options.password);
        if (!run.started) {
            failure = "osslsigncode is not installed: apt-get install osslsigncode";
        } else if (g_interrupted) {
            failure = "interrupted";
        } else if (run.status != 0) {
            failure = t.relative + ": osslsigncode cannot sign it: " + ToolReason(run.output);
        } else {
            std::vector<std::string> verify = {"osslsigncode", "verify"};
            if (!options.caFile.empty()) verify.insert(verify.end(), {"-CAfile", options.caFile});
            verify.insert(verify.end(), {"-in", temp});
            run = RunTool(verify);
            if (g_interrupted) failure = "interrupted";
            else if (run.status != 0)
                failure = t.relative + ": signed, but the signature does not verify: " + ToolReason(run.output) +
                         (options.caFile.empty() ? " (a certificate of your own authority, or a test one: name the "
                                                   "authority's certificate with --ca-file)"
                                                 : "");
        }
        if (!failure.empty()) {
            *error = failure;
            RemoveAll(root, temps);
            return false;
        }
        moves.push_back({temp, t.path});
    }
    // The renames go through whatever signal comes.
    sigset_t all, old;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &old);
    bool ok = RenameIntoPlace(root, moves, error);
    RemoveAll(root, temps);
    sigprocmask(SIG_SETMASK, &old, nullptr);
    return ok;
}

void CatchInterruptions() {
    struct sigaction sa = {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &sa, nullptr);
}

bool Interrupted() { return g_interrupted != 0; }
