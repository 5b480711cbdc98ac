#include "kit/check/SignatureVerifier.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kit/tools/ToolRun.h"
#include "kit/sign/UnknownChain.h"

const char* const kSandboxRemedy =
    "allow unprivileged user namespaces (sysctl kernel.unprivileged_userns_clone=1; "
    "on Ubuntu also kernel.apparmor_restrict_unprivileged_userns=0)";

namespace {

const char kSystemBundle[] = "/etc/ssl/certs/ca-certificates.crt";
// Fixed places inside: the disc's own path need not exist there, and tells nothing.
const char kInsideDisc[] = "/disc/";
const char kInsideCa[] = "/ca/bundle.crt";

std::string Resolved(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (!real) return "";
    std::string resolved = real;
    free(real);
    return resolved;
}

// The program execvp would run for name, resolved; "" when there is none.
std::string FindProgram(const std::string& name) {
    const char* path = getenv("PATH");
    std::string folders = path ? path : "/bin:/usr/bin";
    for (size_t start = 0;;) {
        size_t end = folders.find(':', start);
        std::string folder = folders.substr(start, end == std::string::npos ? end : end - start);
        std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
        struct stat st;
        if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return Resolved(candidate);
        if (end == std::string::npos) return "";
        start = end + 1;
    }
}

// /usr, and the /bin and /lib* links into it (folders of their own where /usr is not merged): a program and
// its libraries, and the shell of a wrapper script.
void AddSystemFolders(std::vector<std::string>* args) {
    args->insert(args->end(), {"--ro-bind", "/usr", "/usr"});
    for (const char* place : {"/bin", "/lib", "/lib32", "/lib64", "/libx32"}) {
        struct stat st;
        char target[PATH_MAX];
        ssize_t n;
        if (lstat(place, &st) != 0) continue;
        if (S_ISLNK(st.st_mode) && (n = readlink(place, target, sizeof target)) > 0 && n < (ssize_t)sizeof target)
            args->insert(args->end(), {"--symlink", std::string(target, (size_t)n), place});
        else if (S_ISDIR(st.st_mode))
            args->insert(args->end(), {"--ro-bind", place, place});
    }
    if (access("/etc/ld.so.cache", R_OK) == 0)
        args->insert(args->end(), {"--ro-bind", "/etc/ld.so.cache", "/etc/ld.so.cache"});
}

// bwrap's --json-status-fd gives "exit-code" only once the program it started has ended; without it,
// bwrap failed before that.
bool ReadExitCode(const std::string& report, int* code) {
    size_t at = report.find("\"exit-code\"");
    if (at == std::string::npos || (at = report.find(':', at)) == std::string::npos) return false;
    const char* digits = report.c_str() + at + 1;
    char* end = nullptr;
    long value = strtol(digits, &end, 10);
    if (end == digits || value < 0 || value > 255) return false;
    *code = (int)value;
    return true;
}

std::string SignalName(int signal) {
    const char* name = sigabbrev_np(signal);
    return name ? std::string("SIG") + name : "signal " + std::to_string(signal);
}

// The disc's names and its certificates' subjects reach these words: no control characters reach the author's
// terminal.
std::string Printable(std::string text) {
    for (char& c : text)
        if ((unsigned char)c < 0x20 || c == 0x7F) c = '?';
    return text;
}

std::string LastLine(const std::string& output) {
    size_t end = output.find_last_not_of(" \t\r\n");
    if (end == std::string::npos) return "";
    size_t start = output.find_last_of('\n', end);
    start = start == std::string::npos ? 0 : start + 1;
    return output.substr(start, end + 1 - start);
}

// osslsigncode fetches the revocation list that a certificate names only once the chain has verified,
// and fails without it. Windows checks revocation online as it runs the file; the sandbox has no network.
std::string RevocationUnchecked(const std::string& output) {
    if (output.find("CRLfile\" option") == std::string::npos) return "";
    const char kPoint[] = "CRL distribution point: ";
    size_t at = output.find(kPoint);
    std::string place = at == std::string::npos ? "" : LastLine(output.substr(0, output.find('\n', at)));
    return "its revocation list is not fetched without a network" + (place.empty() ? "" : " (" + place + ")");
}

}  // namespace

SignatureVerdict VerifySignature(const std::string& path, int timeoutSeconds) {
    return VerifySignature(path, access(kSystemBundle, R_OK) == 0 ? kSystemBundle : "", timeoutSeconds);
}

SignatureVerdict VerifySignature(const std::string& path, const std::string& caFile, int timeoutSeconds) {
    std::string verifier = FindProgram("osslsigncode");
    if (verifier.empty()) return {SignatureState::kNoVerifier, "osslsigncode is not installed"};
    std::string bwrap = FindProgram("bwrap");
    if (bwrap.empty()) return {SignatureState::kNoSandbox, "bubblewrap (bwrap) is not installed"};
    for (const std::string& given : {path, caFile}) {
        struct stat st;
        if (!given.empty() && stat(given.c_str(), &st) != 0)
            return {SignatureState::kUntrusted, "cannot read " + Printable(given) + ": " + strerror(errno)};
        // A link to a device or a pipe would keep osslsigncode reading or waiting.
        if (!given.empty() && !S_ISREG(st.st_mode))
            return {SignatureState::kUntrusted, Printable(given) + " is not a file"};
    }
    std::string file = Resolved(path), ca = caFile.empty() ? "" : Resolved(caFile);
    std::string inside = kInsideDisc + file.substr(file.rfind('/') + 1);

    std::vector<std::string> args = {bwrap, "--unshare-all", "--die-with-parent", "--new-session", "--clearenv",
                                     "--setenv", "PATH", "/usr/bin:/bin"};
    AddSystemFolders(&args);
    args.insert(args.end(), {"--ro-bind", verifier, verifier, "--ro-bind", file, inside});
    if (!ca.empty()) args.insert(args.end(), {"--ro-bind", ca, kInsideCa});
    args.insert(args.end(), {"--remount-ro", "/", "--json-status-fd", "4", "--", verifier, "verify"});
    // The timestamp's authority is checked against the same bundle: osslsigncode's default is not inside.
    if (!ca.empty()) args.insert(args.end(), {"-CAfile", kInsideCa, "-TSA-CAfile", kInsideCa});
    args.insert(args.end(), {"-in", inside});

    ToolLimits limits;
    limits.timeoutSeconds = timeoutSeconds;
    limits.reportPipe = true;
    ToolRun run = RunTool(args, nullptr, limits);
    if (!run.started) return {SignatureState::kNoSandbox, "bwrap does not run"};
    if (run.timedOut)
        return {SignatureState::kTimedOut, "killed after " + std::to_string(timeoutSeconds) + " seconds"};
    if (run.signal) return {SignatureState::kCrashed, SignalName(run.signal)};
    int code = 0;
    if (!ReadExitCode(run.report, &code)) {
        std::string words = Printable(LastLine(run.output));
        return {SignatureState::kNoSandbox, words.empty() ? "exit status " + std::to_string(run.status) : words};
    }
    if (code == 0) return {SignatureState::kVerified, ""};
    // bwrap gives a death by signal N as 128 + N.
    if (code > 128 && code < 128 + NSIG) return {SignatureState::kCrashed, SignalName(code - 128)};
    if (run.output.find("No signature found") != std::string::npos ||
        run.output.find("Unable to extract existing signature") != std::string::npos)
        return {SignatureState::kUnsigned, ""};
    std::string revocation = RevocationUnchecked(run.output);
    if (!revocation.empty()) return {SignatureState::kVerified, Printable(revocation)};
    UnknownChain chain = ReadUnknownChain(run.output);
    if (chain.unknown) return {SignatureState::kChainUnknown, Printable(chain.error), Printable(chain.issuer)};
    return {SignatureState::kUntrusted, Printable(ToolReason(run.output))};
}
