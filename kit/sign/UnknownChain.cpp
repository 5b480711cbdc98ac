#include "kit/sign/UnknownChain.h"

#include <cstring>

namespace {

// OpenSSL's words for a chain that ends at an authority the trusted certificates lack (1.1 writes
// "self signed").
const char* const kAuthorityUnknown[] = {"self-signed certificate", "self signed certificate",
                                         "unable to get local issuer certificate", "unable to get issuer certificate",
                                         "unable to verify the first certificate"};

bool StartsWith(const std::string& text, const char* start) { return text.compare(0, strlen(start), start) == 0; }

}  // namespace

UnknownChain ReadUnknownChain(const std::string& output) {
    UnknownChain chain;
    // A digest that does not match is a changed file, whatever the chain; and osslsigncode follows the chain
    // only once the digests match.
    if (output.find("MISMATCH") != std::string::npos ||
        (output.find("PKCS7_verify error") == std::string::npos && output.find("CMS_verify error") == std::string::npos))
        return chain;
    std::string issuer;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        size_t first = output.find_first_not_of(" \t", start);
        std::string line = first < end ? output.substr(first, end - first) : "";
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        start = end + 1;
        // osslsigncode prints each certificate of the chain as it is checked, the one it fails on last.
        if (StartsWith(line, "Issuer : ")) {
            issuer = line.substr(9);
            continue;
        }
        if (!StartsWith(line, "Error: ")) continue;
        bool bUnknown = false;
        for (const char* words : kAuthorityUnknown) bUnknown = bUnknown || line.find(words) != std::string::npos;
        if (!bUnknown) return UnknownChain();
        if (chain.error.empty()) chain.error = line.substr(7), chain.issuer = issuer;
    }
    chain.unknown = !chain.error.empty();
    return chain;
}
