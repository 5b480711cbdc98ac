// The automatic start (BX02): Autorun.inf's [autorun] section and each
// architecture's, which must start the launcher's front window, and the
// AutoPlay it depends on.
#pragma once

#include "kit/check/CheckContext.h"

extern const CheckRule kRuleStartMissing, kRuleStartsOther, kRuleStartWithoutSwitch, kRuleShellExecuteOnly,
    kRuleSectionIconMissing, kRuleSectionLabelMissing, kRuleActionIgnored, kRuleLabelLong, kRuleAutoPlayOff;

// True when the disc's automatic start runs the launcher's front window.
bool CheckAutoStart(CCheckContext& context);
// Said of every disc that starts the front window.
void CheckAutoPlay(CCheckContext& context);
