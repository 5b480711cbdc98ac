// The disc's own files (BX00): the launcher, Autorun.inf and its [BXPARAM].
#pragma once

#include "kit/check/CheckContext.h"

extern const CheckRule kRuleLauncherMissing, kRuleInfMissing, kRuleInfUnreadable, kRuleParamsMissing, kRuleInfWide;

// The launcher's entry at the disc's root, and a finding when it is not a file there.
DiscEntry CheckLauncherThere(CCheckContext& context);
// False when Autorun.inf is missing or cannot be read: nothing else can be judged.
bool CheckInfRead(CCheckContext& context);
// False when Autorun.inf has no [BXPARAM] section: the launcher has no settings.
bool CheckParamsSection(CCheckContext& context);
