// Signatures (BX07): what SmartScreen and UAC make of the disc's programs
// and package, as osslsigncode verifies them.
#pragma once

#include <string>

#include "kit/check/CheckContext.h"

extern const CheckRule kRuleUnsigned, kRuleSignatureUntrusted, kRuleVerifierMissing, kRuleVerifierUnconfined,
    kRuleVerifierCrashed, kRuleVerifierTimedOut, kRuleSignatureChainUnknown;

// what: the file as the finding names it, such as "the launcher"; path: its Linux path.
void CheckSignature(CCheckContext& context, const Where& where, const std::string& what, const std::string& path);
