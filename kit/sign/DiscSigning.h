// Signing a disc's programs and package in place with osslsigncode: every
// file signed into a temporary copy beside it and verified, and only when
// all are, renamed into place, so that a failure leaves the disc as it was.
#pragma once

#include <string>
#include <vector>

#include "kit/disc/Disc.h"
#include "kit/sign/UnknownChain.h"

struct SignTarget {
    std::string what;  // "the launcher", "SetupExe", ...; "" for a file found by --all
    std::string path;
    std::string relative;
};

// The launcher, SetupExe, InstDCOM95 and SetupMSI where they are set, and
// with bAll every other program and package on the disc. False with the
// reason for a named file that is absent, behind a link, or nothing to sign.
bool ListSignTargets(const CDisc& disc, const std::string& launcher, bool bAll, std::vector<SignTarget>* targets,
                     std::string* error);

struct SignOptions {
    std::vector<std::string> keyArgs;  // osslsigncode's own: -pkcs12 FILE, or the token's
    const std::string* password = nullptr;
    std::string timestamp, name, url;
    std::string caFile;  // trusted for the verification besides the system's authorities
};

// A file signed, whole and matching its signature, whose chain leads to an
// authority that neither the system's certificates nor caFile hold: Windows
// may trust it all the same.
struct ChainNotFollowed {
    std::string relative;
    UnknownChain chain;
};

// False with the file and osslsigncode's reason; no file is changed then.
// Every path is reached below root without following a link. *warning: once
// every file is signed, what could not be removed after it, else "".
bool SignFiles(const std::string& root, const std::vector<SignTarget>& targets, const SignOptions& options,
               std::vector<ChainNotFollowed>* notFollowed, std::string* error, std::string* warning);

// Set by SIGINT, SIGTERM and SIGHUP while signing runs: it stops between steps.
void CatchInterruptions();
bool Interrupted();
