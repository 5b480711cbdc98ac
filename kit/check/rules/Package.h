// The installer package (BX04): what the launcher reads of it to tell
// whether the product is installed and which program Run starts.
#pragma once

#include <string>

#include "kit/check/CheckContext.h"

extern const CheckRule kRulePackageUnopenable, kRulePackageNoProductCode, kRulePackageNoShortcutTable,
    kRulePackageNoProgram, kRuleExeNameUnmatched;

// path: the package SetupMSI names, on the disc.
void CheckPackage(CCheckContext& context, const std::string& path);
