// osslsigncode's verification of one of a disc's files, inside bubblewrap: a
// disc is untrusted input, osslsigncode has had memory-safety faults on
// crafted signatures, and it fetches revocation lists over the network.
#pragma once

#include <string>

enum class SignatureState {
    kVerified,    // the signature verifies (reason: what could not be checked offline, if anything)
    kUnsigned,    // osslsigncode finds no signature
    kUntrusted,   // signed, but it does not verify; reason: osslsigncode's words
    kChainUnknown,  // matches its file, but the chain leads to an authority the certificates lack; reason: OpenSSL's words
    kNoVerifier,  // osslsigncode is not installed
    kNoSandbox,   // bubblewrap is missing or cannot make its namespaces; reason: bwrap's words
    kCrashed,     // the verifier died of a signal; reason names the signal (e.g. "SIGSEGV")
    kTimedOut,    // killed at the time limit
};

struct SignatureVerdict {
    SignatureState state = SignatureState::kNoVerifier;
    std::string reason;
    std::string issuer = "";  // kChainUnknown: the authority the chain leads to
};

// Verifies path with osslsigncode inside bubblewrap: no network (all namespaces unshared), nothing writable,
// only what it needs to run (read-only /usr, the /lib* folders, /etc/ld.so.cache), the file and the CA file
// bound read-only, a new session, dies with bxdisc, killed after timeoutSeconds (0: no limit). The CA file
// is the system's bundle, /etc/ssl/certs/ca-certificates.crt.
SignatureVerdict VerifySignature(const std::string& path, int timeoutSeconds);
// The same against the certificates of caFile ("": osslsigncode's default, which is not in the sandbox).
SignatureVerdict VerifySignature(const std::string& path, const std::string& caFile, int timeoutSeconds);

// The sandbox's remedy, for the note of kNoSandbox.
extern const char* const kSandboxRemedy;
