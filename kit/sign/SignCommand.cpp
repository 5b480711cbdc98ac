#include <fcntl.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "kit/cli/Commands.h"
#include "kit/disc/Disc.h"
#include "kit/disc/DiscFolder.h"
#include "kit/cli/ExitStatus.h"
#include "kit/sign/DiscSigning.h"

namespace {

const size_t kMaxPassword = 4096;

int Fail(const std::string& message) {
    fprintf(stderr, "bxdisc sign: %s\n", message.c_str());
    return kExitUnusable;
}

// The password from the author's file: its first line.
bool ReadPasswordFile(const std::string& path, std::string* password) {
    std::vector<unsigned char> bytes;
    if (!ReadWholeFile(path, &bytes) || bytes.size() > kMaxPassword) return false;
    password->assign(bytes.begin(), bytes.end());
    explicit_bzero(bytes.data(), bytes.size());
    size_t end = password->find_first_of("\r\n");
    if (end != std::string::npos) password->resize(end);
    return true;
}

// Asked on the terminal with echo off; false without a terminal or when interrupted.
bool AskPassword(const std::string& prompt, std::string* password) {
    int tty = open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (tty < 0) return false;
    struct termios before, quiet;
    bool bTerm = tcgetattr(tty, &before) == 0;
    if (bTerm) {
        quiet = before;
        quiet.c_lflag &= ~(tcflag_t)(ECHO | ECHONL);
        quiet.c_lflag |= ICANON;
        tcsetattr(tty, TCSAFLUSH, &quiet);
    }
    bool ok = write(tty, prompt.data(), prompt.size()) == (ssize_t)prompt.size();
    password->clear();
    char c;
    while (ok) {
        ssize_t n = read(tty, &c, 1);
        if (n < 0 && errno == EINTR && !Interrupted()) continue;
        if (n <= 0 || Interrupted()) ok = false;
        else if (c == '\n' || c == '\r') break;
        else if (password->size() < kMaxPassword) *password += c;
    }
    if (bTerm) tcsetattr(tty, TCSAFLUSH, &before);
    if (write(tty, "\n", 1) < 0) ok = false;
    close(tty);
    return ok;
}

void Forget(std::string* secret) {
    if (!secret->empty()) explicit_bzero(&(*secret)[0], secret->size());
    secret->clear();
}

int RunSign(const ParsedArgs& args) {
    bool bPkcs12 = args.Has("--pkcs12"), bToken = args.Has("--pkcs11-module"), bDry = args.Has("--dry-run");
    if (bPkcs12 && bToken) return Fail("--pkcs12 and --pkcs11-module: give the one key to sign with");
    if (!bDry && !bPkcs12 && !bToken) return Fail("no key: give --pkcs12 FILE, or --pkcs11-module MODULE with --key URI");
    if (bPkcs12 && (args.Has("--key") || args.Has("--pkcs11-cert")))
        return Fail("--key and --pkcs11-cert name a token's key and certificate, for --pkcs11-module");
    if (bToken && (!args.Has("--key") || !args.Has("--pkcs11-cert")))
        return Fail("--pkcs11-module needs --key URI and --pkcs11-cert URI: the token's key and its certificate");
    // A PIN in the URI would stand on osslsigncode's command line, for any user's ps to read.
    if (args.Get("--key").find("pin-value") != std::string::npos)
        return Fail("--key has a pin-value: put the PIN in --password-file instead, off every command line");

    CDisc disc;
    if (!disc.Open(args.operands[0])) return Fail("cannot read the folder " + args.operands[0]);
    std::vector<SignTarget> targets;
    std::string error;
    if (!ListSignTargets(disc, args.Get("--launcher", "setup.exe"), args.Has("--all"), &targets, &error))
        return Fail(error);
    if (bDry) {
        for (const SignTarget& t : targets)
            printf("would sign %s%s\n", t.relative.c_str(), t.what.empty() ? "" : (" (" + t.what + ")").c_str());
        return kExitClean;
    }

    SignOptions options;
    if (bPkcs12) options.keyArgs = {"-pkcs12", args.Get("--pkcs12")};
    else options.keyArgs = {"-pkcs11module", args.Get("--pkcs11-module"), "-pkcs11cert", args.Get("--pkcs11-cert"),
                            "-key", args.Get("--key")};
    if (bPkcs12 && !IsFolder(args.Get("--pkcs12")) && access(args.Get("--pkcs12").c_str(), R_OK) != 0)
        return Fail(args.Get("--pkcs12") + ": cannot be read");
    options.timestamp = args.Get("--timestamp");
    options.name = args.Get("--name");
    options.url = args.Get("--url");
    options.caFile = args.Get("--ca-file");

    CatchInterruptions();
    std::string password;
    bool bPassword = true;
    if (args.Has("--password-file")) {
        if (!ReadPasswordFile(args.Get("--password-file"), &password))
            return Fail(args.Get("--password-file") + ": cannot be read (or is over 4096 bytes)");
    } else if (!AskPassword(bPkcs12 ? "Password for " + args.Get("--pkcs12") + ": " : "PIN of the token (empty: none): ",
                            &password)) {
        if (Interrupted()) return Fail("interrupted; nothing signed");
        if (bPkcs12) return Fail("no terminal to ask the password on: give --password-file FILE");
        bPassword = false;  // the token may ask on its own pad
    }
    if (bToken && password.empty()) bPassword = false;
    options.password = bPassword ? &password : nullptr;
    std::vector<ChainNotFollowed> notFollowed;
    std::string warning;
    bool ok = SignFiles(disc.folder(), targets, options, &notFollowed, &error, &warning);
    Forget(&password);
    if (!ok) return Fail(error + "; no file changed");
    for (const SignTarget& t : targets) printf("signed %s\n", t.relative.c_str());
    if (!warning.empty()) fprintf(stderr, "bxdisc sign: %s\n", warning.c_str());
    for (const ChainNotFollowed& n : notFollowed)
        printf("note: %s: signed, the signature whole and matching the file, but the chain leads to \"%s\", an "
               "authority this machine does not know (%s), so it was not followed; fix: to follow it here, name that "
               "authority's certificate with --ca-file FILE\n",
               n.relative.c_str(), n.chain.issuer.c_str(), n.chain.error.c_str());
    return kExitClean;
}

}  // namespace

const Command kSignCommand = {
    "sign",
    "DISC_FOLDER",
    1,
    "Signs the disc's launcher, SetupExe, InstDCOM95 and SetupMSI in place with osslsigncode (--all: every\n"
    "program and package on the disc), each verified; a failure leaves every file as it was. The password\n"
    "comes from --password-file or the terminal, never from the command line.",
    {
        {"--pkcs12", "FILE", "the certificate and key, a PKCS#12 file (.p12, .pfx)", nullptr, false},
        {"--password-file", "FILE", "its password (a token's PIN), the file's first line; else asked", nullptr, false},
        {"--pkcs11-module", "MODULE", "a hardware token's PKCS#11 module, instead of --pkcs12", nullptr, false},
        {"--key", "URI", "the token's key (pkcs11:...)", nullptr, false},
        {"--pkcs11-cert", "URI", "the token's certificate (pkcs11:...)", nullptr, false},
        {"--timestamp", "URL", "an RFC 3161 time-stamping service, so the signature outlives the certificate",
         nullptr, false},
        {"--name", "TEXT", "the product's name in the signature", nullptr, false},
        {"--url", "URL", "the product's web address in the signature", nullptr, false},
        {"--ca-file", "FILE", "an authority's certificate trusted in the verification (your own, or a test one)",
         nullptr, false},
        {"--all", nullptr, "every Windows program and installer package on the disc as well", nullptr, false},
        {"--launcher", "NAME", "the launcher's file at the disc's root (default setup.exe)", nullptr, false},
        {"--dry-run", nullptr, "lists what it would sign, and signs nothing", nullptr, false},
    },
    false,
    RunSign,
    "signs the disc's programs and package, each verified",
};
