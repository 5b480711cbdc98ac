// osslsigncode inside bubblewrap: stand-ins that verify, fail, crash or try to
// get out, and the real osslsigncode on programs signed here.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include "TestDisc.h"
#include "kit/check/SignatureVerifier.h"
#include "kit/disc/DiscFolder.h"

namespace {

#define NEED_SANDBOX() \
    if (!SandboxWorks()) GTEST_SKIP() << "bubblewrap cannot make its namespaces here (or is not installed)"

struct ScopedEnv {
    ScopedEnv(const char* name, const std::string& value) : name(name), had(getenv(name) != nullptr) {
        if (had) old = getenv(name);
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() { had ? setenv(name, old.c_str(), 1) : unsetenv(name); }
    const char* name;
    bool had;
    std::string old;
};

void WriteScript(TestDisc& folder, const std::string& relative, const std::string& body,
                 const char* shell = "/bin/sh") {
    folder.Write(relative, std::string("#!") + shell + "\n" + body + "\n");
    chmod((folder.folder() + "/" + relative).c_str(), 0755);
}

// A name for what one test's stand-in makes and is, from the test's own folder: no other run on the
// machine has it. It rides in the stand-in's command line, as the sandbox clears the environment.
std::string Marker(const TestDisc& work, const char* what) {
    return "bxverify-" + work.folder().substr(work.folder().rfind('/') + 1) + "-" + what;
}

// Processes whose command line holds text: a stand-in that outlived its run.
int CountProcesses(const std::string& text) {
    int count = 0;
    DIR* proc = opendir("/proc");
    while (dirent* entry = proc ? readdir(proc) : nullptr)
        if (isdigit((unsigned char)entry->d_name[0]) && ReadProcFile(std::string("/proc/") + entry->d_name + "/cmdline").find(text) != std::string::npos)
            ++count;
    if (proc) closedir(proc);
    return count;
}

// Waits up to 10 s (a loaded machine, valgrind) for a process to come or go, polling as the verifier runs.
bool AwaitProcess(const std::string& text, bool there) {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((CountProcesses(text) > 0) != there && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return (CountProcesses(text) > 0) == there;
}

TEST(SignatureVerifier, JudgesWhatTheVerifierAndTheSandboxSay) {
    // bwrap: the real one (nullptr), none on $PATH (""), or a stand-in.
    struct Row { const char* verifier; const char* bwrap; SignatureState state; const char* reason; };
    const Row rows[] = {
        // Also proves the file and the CA file are inside, where the arguments say.
        {"[ \"$1 $2 $4 $6 $7\" = 'verify -CAfile -TSA-CAfile -in /disc/setup.exe' ] && [ \"$(head -c 2 $7)\" = MZ ] &&"
         " [ \"$(cat \"$3\")\" = CA ] && exit 0; echo \"Failed to open $*\"; exit 1",
         nullptr, SignatureState::kVerified, ""},
        {"echo 'No signature found'; exit 1", nullptr, SignatureState::kUnsigned, ""},
        {"printf 'Signature verification: failed\\nMessage digest MISMATCH \\033[2J\\n'; exit 1", nullptr,
         SignatureState::kUntrusted, "Message digest MISMATCH ?[2J"},
        // Of two chains, one unknown here and one expired: the expired one is the file's fault.
        {"printf '\\tError: self-signed certificate\\n\\tError: certificate has expired\\nPKCS7_verify error\\n'; exit 1",
         nullptr, SignatureState::kUntrusted,
         "Error: self-signed certificate; Error: certificate has expired; PKCS7_verify error"},
        {"kill -SEGV $$", nullptr, SignatureState::kCrashed, "SIGSEGV"},
        {"exit 0", "", SignatureState::kNoSandbox, "bubblewrap (bwrap) is not installed"},
        {"exit 0", "echo 'bwrap: setting up uid map: Permission denied' >&2; exit 1", SignatureState::kNoSandbox,
         "bwrap: setting up uid map: Permission denied"},
        // Started, then failed before running the verifier: not the verifier's failure.
        {"exit 0", "echo '{ \"child-pid\": 7 }' >&4; echo 'bwrap: execvp x: No such file'; exit 1",
         SignatureState::kNoSandbox, "bwrap: execvp x: No such file"},
        {"exit 0", "echo '{ \"exit-code\": 137 }' >&4; exit 137", SignatureState::kCrashed, "SIGKILL"},
    };
    for (const Row& row : rows) {
        if (!row.bwrap && !SandboxWorks()) continue;
        TestDisc work;
        WriteScript(work, "bin/osslsigncode", row.verifier);
        if (row.bwrap && *row.bwrap) WriteScript(work, "bin/bwrap", row.bwrap);
        work.Write("disc/setup.exe", "MZ");
        work.Write("ca.pem", "CA");
        ScopedEnv path("PATH", work.folder() + "/bin" + (row.bwrap ? "" : std::string(":") + getenv("PATH")));
        SignatureVerdict verdict = VerifySignature(work.folder() + "/disc/setup.exe", work.folder() + "/ca.pem", 30);
        EXPECT_EQ(row.state, verdict.state) << row.verifier << (row.bwrap ? row.bwrap : "") << ": " << verdict.reason;
        EXPECT_EQ(row.reason, verdict.reason) << row.verifier;
    }
}

TEST(SignatureVerifier, RefusesWhatIsNotAFileAndNeedsTheVerifier) {
    TestDisc work;
    WriteScript(work, "bin/osslsigncode", "exit 0");
    WriteScript(work, "bin/bwrap", "exit 0");
    {
        ScopedEnv path("PATH", work.folder() + "/bin");
        // Refused before the sandbox: a link to a device or a pipe would keep the verifier reading or waiting.
        EXPECT_EQ("cannot read " + work.folder() + "/gone?.exe: No such file or directory",
                  VerifySignature(work.folder() + "/gone\033.exe", 30).reason);
        EXPECT_EQ("/dev/zero is not a file", VerifySignature("/dev/zero", 30).reason);
    }
    ScopedEnv path("PATH", work.folder());
    EXPECT_EQ(SignatureState::kNoVerifier, VerifySignature("/bin/sh", 30).state);
    // Found in the middle of $PATH, not only at its ends.
    ScopedEnv middle("PATH", "/nowhere:" + work.folder() + "/bin:" + work.folder());
    EXPECT_EQ(SignatureState::kNoSandbox, VerifySignature("/bin/sh", 30).state);
}

TEST(SignatureVerifier, HostileVerifierReachesNothingAndIsKilledAtTheLimit) {
    NEED_SANDBOX();
    TestDisc work;
    const std::string marker = Marker(work, "hostile");
    int listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address = {AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t size = sizeof address;
    ASSERT_EQ(0, bind(listener, (sockaddr*)&address, sizeof address));
    ASSERT_EQ(0, listen(listener, 4));
    ASSERT_EQ(0, getsockname(listener, (sockaddr*)&address, &size));
    const std::string home = work.folder() + "/home", tmp = work.folder() + "/tmp", disc = work.folder() + "/disc";
    mkdir(home.c_str(), 0700), mkdir(tmp.c_str(), 0700);
    work.Write("disc/setup.exe", "MZ");
    // It runs to its end, as "verified", so what it did not do, it could not do.
    WriteScript(work, "bin/osslsigncode",
                "for a; do last=$a; done\n"
                "touch \"$HOME/" + marker + "\" \"$TMPDIR/" + marker + "\" " + home + "/x " + tmp + "/x " + disc +
                "/x /tmp/" + marker + " \"$(dirname \"$last\")/x\"\n"
                "printf hostile >\"$last\"\n"
                "exec 3<>/dev/tcp/127.0.0.1/" + std::to_string(ntohs(address.sin_port)) + "\n"
                "exit 0",
                "/bin/bash");
    ScopedEnv path("PATH", work.folder() + "/bin:" + getenv("PATH")), homeEnv("HOME", home), tmpEnv("TMPDIR", tmp);
    SignatureVerdict result = VerifySignature(disc + "/setup.exe", 120);
    EXPECT_EQ(SignatureState::kVerified, result.state) << result.reason;
    std::vector<std::string> files;
    ASSERT_TRUE(ListFilesBelow(work.folder(), &files));
    EXPECT_EQ((std::vector<std::string>{"bin/osslsigncode", "disc/setup.exe"}), files);
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadWholeFile(disc + "/setup.exe", &bytes));
    EXPECT_EQ("MZ", std::string(bytes.begin(), bytes.end()));
    EXPECT_NE(0, access(("/tmp/" + marker).c_str(), F_OK));
    EXPECT_LT(accept(listener, nullptr, nullptr), 0) << "a connection arrived";
    close(listener);
    unlink(("/tmp/" + marker).c_str());

    // One that never ends is killed at the limit, however long a loaded machine takes to start it.
    const int kLimit = 2;
    WriteScript(work, "bin/osslsigncode", "exec -a " + marker + "-asleep sleep 600", "/bin/bash");
    auto start = std::chrono::steady_clock::now();
    result = VerifySignature(disc + "/setup.exe", kLimit);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(SignatureState::kTimedOut, result.state) << result.reason;
    EXPECT_GE(seconds, kLimit);
    EXPECT_LT(seconds, kLimit + 60.0);  // far short of its 600 s
    EXPECT_TRUE(AwaitProcess(marker + "-asleep", false));
}

TEST(SignatureVerifier, DiesWithItsCaller) {
    NEED_SANDBOX();
    TestDisc work;
    const std::string marker = Marker(work, "orphan");
    WriteScript(work, "bin/osslsigncode", "exec -a " + marker + " sleep 30", "/bin/bash");
    work.Write("disc/setup.exe", "MZ");
    ScopedEnv path("PATH", work.folder() + "/bin:" + getenv("PATH"));
    pid_t caller = fork();
    if (caller == 0) _exit((int)VerifySignature(work.folder() + "/disc/setup.exe", 30).state);
    EXPECT_TRUE(AwaitProcess(marker, true));
    kill(caller, SIGKILL);
    waitpid(caller, nullptr, 0);
    EXPECT_TRUE(AwaitProcess(marker, false));
}

TEST(SignatureVerifier, RealOsslsigncodeVerifiesInside) {
    NEED_SANDBOX();
    if (system("command -v osslsigncode >/dev/null && command -v openssl >/dev/null") != 0)
        GTEST_SKIP() << "needs osslsigncode, which verifies, and openssl, which makes the test certificates";
    TestDisc work;
    const std::string w = work.folder() + "/";
    work.Write("plain.exe", MakePe({{16, std::string(64, 'v')}}));
    // cert signs, other is a stranger, and leaf (issued by cert) names a revocation list on the network.
    ASSERT_TRUE(MakeCertificate(work.folder(), "cert", "Brindle") && MakeCertificate(work.folder(), "other", "Other") &&
                MakeCertificate(work.folder(), "leaf", "Leaf", "cert",
                                "-addext crlDistributionPoints=URI:http://127.0.0.1:9/brindle.crl") &&
                SignWith(work.folder(), "cert", "plain.exe", "cert.exe") &&
                SignWith(work.folder(), "leaf", "plain.exe", "leaf.exe"));
    ASSERT_EQ(0, system(("cp " + w + "cert.exe " + w + "tampered.exe && printf w | dd of=" + w +
                         "tampered.exe bs=1 seek=610 conv=notrunc 2>/dev/null").c_str()));
    // A chain that ends at an authority the certificates lack names it: the verdict on the file waits for it.
    struct Row { const char* file; const char* ca; SignatureState state; const char* reason; const char* issuer; };
    const Row rows[] = {
        {"cert.exe", "cert.pem", SignatureState::kVerified, "", ""},
        {"cert.exe", nullptr, SignatureState::kChainUnknown, "self-signed certificate", "/CN=Brindle"},  // the system's bundle
        {"cert.exe", "other.pem", SignatureState::kChainUnknown, "self-signed certificate", "/CN=Brindle"},
        {"tampered.exe", "cert.pem", SignatureState::kUntrusted, "MISMATCH", ""},
        {"tampered.exe", nullptr, SignatureState::kUntrusted, "MISMATCH", ""},
        // Its chain verifies; the revocation list is Windows' to fetch.
        {"leaf.exe", "cert.pem", SignatureState::kVerified,
         "its revocation list is not fetched without a network (CRL distribution point: http://127.0.0.1:9/brindle.crl)", ""},
        {"leaf.exe", "other.pem", SignatureState::kChainUnknown, "unable to get local issuer certificate", "/CN=Brindle"},
        {"plain.exe", "cert.pem", SignatureState::kUnsigned, "", ""},
    };
    for (const Row& row : rows) {
        SignatureVerdict verdict =
            row.ca ? VerifySignature(w + row.file, w + row.ca, 30) : VerifySignature(w + row.file, 30);
        EXPECT_EQ(row.state, verdict.state) << row.file << ": " << verdict.reason;
        EXPECT_NE(std::string::npos, verdict.reason.find(row.reason)) << row.file << ": " << verdict.reason;
        EXPECT_EQ(row.issuer, verdict.issuer) << row.file;
    }
}

}  // namespace
