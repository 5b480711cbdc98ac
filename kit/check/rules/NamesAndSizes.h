// Names and sizes (BX06): what an ISO 9660 image with Joliet's names holds
// of the disc folder as Windows reads it.
#pragma once

#include "kit/check/CheckContext.h"

extern const CheckRule kRuleNamesDifferInCase, kRuleNameTooLong, kRuleFileTooLarge, kRuleFolderTooDeep, kRuleLinkOnDisc;

// Every file and folder of the disc, under the limits of a plain image or, with the large option, of a large one.
void CheckNames(CCheckContext& context);
