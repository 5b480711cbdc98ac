// The drive's icon that an [autorun] section's icon= names (BX02): an .ico
// file with Explorer's sizes, or a program with that icon.
#pragma once

#include <string>

#include "kit/check/CheckContext.h"

extern const CheckRule kRuleIconNotOnDisc, kRuleIconUnreadable, kRuleIconDamaged, kRuleIconSizes, kRuleIconResources,
    kRuleIconNone, kRuleIconIndex, kRuleIconNotIcon;

// value: icon='s value, trimmed: "file" or "file,index".
void CheckIcon(CCheckContext& context, const std::string& section, const std::string& value);
