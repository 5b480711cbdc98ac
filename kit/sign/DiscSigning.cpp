#include "kit/sign/DiscSigning.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>

#include "framework/String.h"
#include "kit/disc/DiscFolder.h"
#include "kit/disc/DiscPlace.h"
#include "kit/disc/DiscText.h"
#include "kit/disc/FileReplace.h"
#include "kit/tools/ToolRun.h"
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
    std::string reason;
    for (const std::string& f : folders) RemoveFolderBeside(root, f, &reason);
}

// The next DER element at *at, of that tag; [*begin, *end) its value, *at past it.
bool NextElement(const std::vector<unsigned char>& der, size_t* at, unsigned char tag, size_t* begin, size_t* end) {
    size_t i = *at, length;
    if (i + 2 > der.size() || der[i] != tag) return false;
    length = der[i + 1];
    i += 2;
    if (length & 0x80) {
        size_t n = length & 0x7F;
        if (n == 0 || n > 4 || n > der.size() - i) return false;
        for (length = 0; n; --n) length = length << 8 | der[i++];
    }
    if (length > der.size() - i) return false;
    *begin = i, *end = *at = i + length;
    return true;
}

// What an Authenticode signature's signer signed: the value of its SpcIndirectDataContent, inside
// ContentInfo { type, [0] SignedData { version, digest algorithms, ContentInfo { type, [0] content } } }.
bool SignedContent(const std::vector<unsigned char>& der, std::vector<unsigned char>* content) {
    const struct {
        unsigned char tag;
        bool enter;
    } kPath[] = {{0x30, true}, {0x06, false}, {0xA0, true}, {0x30, true}, {0x02, false}, {0x31, false},
                 {0x30, true}, {0x06, false}, {0xA0, true}, {0x30, false}};
    size_t at = 0, begin = 0, end = 0;
    for (const auto& step : kPath) {
        if (!NextElement(der, &at, step.tag, &begin, &end)) return false;
        if (step.enter) at = begin;
    }
    content->assign(der.begin() + begin, der.begin() + end);
    return true;
}

// osslsigncode checks the signer's signature only once the chain is followed. For a chain it cannot
// follow, openssl checks it against what was signed, the chain left aside: "" when it holds, else why not.
std::string SignerSignatureFault(const std::string& folder) {
    const std::string signature = folder + "/signature", content = folder + "/content";
    ToolRun run = RunTool({"osslsigncode", "extract-signature", "-in", folder + "/signed", "-out", signature});
    std::vector<unsigned char> der, signedContent;
    if (run.status != 0 || !ReadWholeFile(signature, &der) || !SignedContent(der, &signedContent))
        return "signed, but the signature cannot be taken apart: " + ToolReason(run.output);
    FILE* f = fopen(content.c_str(), "wb");
    bool written = f && fwrite(signedContent.data(), 1, signedContent.size(), f) == signedContent.size();
    if (f && fclose(f) != 0) written = false;
    if (!written) return "cannot write " + content;
    run = RunTool({"openssl", "smime", "-verify", "-noverify", "-binary", "-inform", "DER", "-in", signature, "-content",
                   content, "-out", "/dev/null"});
    if (!run.started)
        return "signed, but its chain cannot be followed here, and openssl, which then checks the signature, is "
               "not installed: apt-get install openssl";
    return run.status == 0 ? "" : "signed, but the signature is broken: the signer's signature does not match what it signed";
}

ToolRun Verify(const std::string& file, const std::string& caFile) {
    std::vector<std::string> verify = {"osslsigncode", "verify"};
    if (!caFile.empty()) verify.insert(verify.end(), {"-CAfile", caFile});
    verify.insert(verify.end(), {"-in", file});
    return RunTool(verify);
}

// The signed copy in folder verified: against the system's authorities, then those of caFile. "" when it
// verifies, or when it is whole and matches but its chain cannot be followed here (*chain says so); else
// why not.
std::string VerifySigned(const std::string& folder, const std::string& caFile, UnknownChain* chain) {
    ToolRun run = Verify(folder + "/signed", "");
    if (!caFile.empty() && run.status != 0 && ReadUnknownChain(run.output).unknown)
        run = Verify(folder + "/signed", caFile);
    if (run.status == 0) return "";
    *chain = ReadUnknownChain(run.output);
    if (!chain->unknown) return "signed, but the signature does not verify: " + ToolReason(run.output);
    return SignerSignatureFault(folder);
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
               std::vector<ChainNotFollowed>* notFollowed, std::string* error, std::string* warning) {
    std::vector<std::string> folders;  // the private folders still there
    // Each signed file taken out beside the file it replaces, before any is renamed into place.
    std::vector<CDiscPlace> taken(targets.size()), places(targets.size());
    auto fail = [&](const std::string& why) {
        *error = why;
        RemoveAll(root, folders);
        for (const CDiscPlace& t : taken)
            if (t.exists()) unlinkat(t.folder(), t.name().c_str(), 0);
        return false;
    };
    for (size_t i = 0; i < targets.size(); ++i) {
        const SignTarget& t = targets[i];
        std::string reason;
        // osslsigncode makes its output file itself, in a folder no one else may write to.
        std::string folder = MakeFolderBeside(root, t.path, &reason);
        if (folder.empty()) return fail(reason);
        folders.push_back(folder);
        std::vector<std::string> args = {"osslsigncode", "sign"};
        args.insert(args.end(), options.keyArgs.begin(), options.keyArgs.end());
        if (options.password) args.insert(args.end(), {"-readpass", "/dev/fd/3"});
        args.insert(args.end(), {"-h", "sha256"});
        if (!options.name.empty()) args.insert(args.end(), {"-n", options.name});
        if (!options.url.empty()) args.insert(args.end(), {"-i", options.url});
        if (!options.timestamp.empty()) args.insert(args.end(), {"-ts", options.timestamp});
        args.insert(args.end(), {"-in", t.path, "-out", folder + "/signed"});
        ToolRun run = RunTool(args, options.password);
        if (!run.started) return fail("osslsigncode is not installed: apt-get install osslsigncode");
        if (g_interrupted) return fail("interrupted");
        if (run.status != 0) return fail(t.relative + ": osslsigncode cannot sign it: " + ToolReason(run.output));
        UnknownChain chain;
        std::string fault = VerifySigned(folder, options.caFile, &chain);
        if (g_interrupted) return fail("interrupted");
        if (!fault.empty()) return fail(t.relative + ": " + fault);
        if (chain.unknown) notFollowed->push_back({t.relative, chain});
        if (!places[i].Open(root, t.path, &reason) || !TakeFromFolderBeside(root, folder, "signed", places[i],
                                                                             &taken[i], &reason))
            return fail(reason);
        folders.pop_back();
    }
    // The renames go through whatever signal comes.
    sigset_t all, old;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &old);
    bool ok = RenamePlaces(taken, places, error, warning);
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
