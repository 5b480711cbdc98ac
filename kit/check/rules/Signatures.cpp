#include "kit/check/rules/Signatures.h"

#include "kit/check/SignatureVerifier.h"
#include "kit/disc/DiscFolder.h"
#include "kit/disc/WindowsFile.h"

const CheckRule kRuleUnsigned = {
    "BX0703", "unsigned", true,
    "A program or the package is not signed: from a downloaded ISO, SmartScreen stops it and UAC names an \"Unknown "
    "publisher\".",
    "sign it: bxdisc sign DISC --pkcs12 FILE"};
const CheckRule kRuleSignatureUntrusted = {
    "BX0704", "signature-untrusted", true, "A signature does not verify, and Windows names an \"Unknown publisher\".",
    "sign it with a code-signing certificate that Windows trusts: bxdisc sign {disc} --pkcs12 FILE"};
const CheckRule kRuleVerifierMissing = {"BX0705", "verifier-missing", true,
                                        "osslsigncode is not installed, so no signature was verified.",
                                        "apt-get install osslsigncode"};
const CheckRule kRuleVerifierUnconfined = {
    "BX0706", "verifier-no-sandbox", true,
    "bubblewrap cannot run here, and a disc's signatures are verified only inside it.",
    "apt-get install bubblewrap, and allow unprivileged user namespaces"};
const CheckRule kRuleVerifierCrashed = {
    "BX0707", "verifier-crashed", true, "osslsigncode crashed on the file's signature, so it was not verified.",
    "sign the file again (bxdisc sign DISC --pkcs12 FILE), or verify it with a newer osslsigncode"};
const CheckRule kRuleVerifierTimedOut = {
    "BX0708", "verifier-timed-out", true, "osslsigncode did not finish verifying the file within the time limit.",
    "sign the file again (bxdisc sign DISC --pkcs12 FILE), or allow more time: bxdisc check --verify-timeout SECONDS"};
const CheckRule kRuleSignatureChainUnknown = {
    "BX0709", "signature-chain-unknown", true,
    "A signature matches its file, but its chain leads to an authority this machine's certificates lack (Debian's "
    "lack the code-signing roots that Windows trusts), so it was not followed.",
    "name the authority's certificate: bxdisc check --ca-file FILE"};

void CheckSignature(CCheckContext& context, const Where& where, const std::string& what, const std::string& path) {
    const DiscCheckOptions& options = context.options();
    std::string sign = "bxdisc sign " + context.folder() + " --pkcs12 FILE";
    std::vector<unsigned char> head;
    ReadFileHead(path, 64 * 1024, &head);
    bool bPackage = IsCompoundFile(head);
    if (!bPackage && !PeHasSignature(head)) {
        context.Add(kRuleUnsigned, where,
                    what + " is not signed: from a downloaded ISO, SmartScreen stops it with \"Windows protected your "
                           "PC\", and UAC names an \"Unknown publisher\"",
                    sign);
        return;
    }
    if (context.verifierUnusable) return;
    SignatureVerdict verdict = VerifySignature(path, options.verifyTimeout);
    // The author's authorities come after the system's, so that both kinds of chain are followed.
    if (verdict.state == SignatureState::kChainUnknown && !options.caFile.empty())
        verdict = VerifySignature(path, options.caFile, options.verifyTimeout);
    switch (verdict.state) {
    case SignatureState::kVerified:
        return;
    case SignatureState::kUnsigned:
        context.Add(kRuleUnsigned, where, what + " is not signed: SmartScreen and UAC name an \"Unknown publisher\"", sign);
        return;
    case SignatureState::kUntrusted:
        context.Add(kRuleSignatureUntrusted, where,
                    what + " is signed, but the signature does not verify (" + verdict.reason +
                        "): Windows names an \"Unknown publisher\"");
        return;
    case SignatureState::kChainUnknown:
        context.Add(kRuleSignatureChainUnknown, where,
                    what + " matches its signature, but the chain leads to \"" + verdict.issuer +
                        "\", an authority this machine does not know (" + verdict.reason + "), so it was not followed",
                    "name that authority's certificate: bxdisc check --ca-file FILE");
        return;
    case SignatureState::kNoVerifier:
        context.verifierUnusable = true;
        context.Add(kRuleVerifierMissing, where, "osslsigncode is not installed, so no signature was verified");
        return;
    case SignatureState::kNoSandbox:
        context.verifierUnusable = true;
        context.Add(kRuleVerifierUnconfined, where,
                    "no signature was verified: a disc's files meet osslsigncode only inside bubblewrap, which cannot "
                    "run here (" + verdict.reason + ")",
                    std::string("apt-get install bubblewrap, and ") + kSandboxRemedy);
        return;
    case SignatureState::kCrashed:
        context.Add(kRuleVerifierCrashed, where,
                    "osslsigncode crashed (" + verdict.reason + ") on the signature of " + what + ", so it was not verified");
        return;
    case SignatureState::kTimedOut:
        context.Add(kRuleVerifierTimedOut, where,
                    "osslsigncode did not finish verifying " + what + " within " + std::to_string(options.verifyTimeout) +
                        " s, so it was not verified");
        return;
    }
}
