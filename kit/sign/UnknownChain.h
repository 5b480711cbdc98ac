// What osslsigncode verify says of a signature that matches its file but
// whose chain leads to an authority this machine's certificates do not
// hold: no fault of the file, as Debian's bundle lacks the code-signing
// roots that Windows trusts (Sectigo's, Microsoft's own).
#pragma once

#include <string>

struct UnknownChain {
    bool unknown = false;  // the file's digest matches, and only the chain could not be followed
    std::string issuer;    // the authority the chain leads to, as osslsigncode names it ("/CN=...")
    std::string error;     // OpenSSL's words, such as "self-signed certificate"
};

// Read from the output of a verification that failed; any other failure, a
// digest MISMATCH above all, leaves unknown false.
UnknownChain ReadUnknownChain(const std::string& output);
