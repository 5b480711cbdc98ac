// The settings (BX01): the keys of [BXPARAM] that must be there, and the
// files and folders they name.
#pragma once

#include <string>

#include "kit/check/CheckContext.h"

extern const CheckRule kRuleSetupExeMissing, kRuleSetupExeToFill, kRuleSetupMsiToFill, kRuleBackdropUnset,
    kRuleButtonsUnset, kRuleProductNameUnset, kRuleNameNotOnDisc, kRuleNameLeavesDisc, kRuleNameWrongKind;

// bFrontWindow: the disc's automatic start opens the front window, which needs its artwork and caption.
void CheckSettings(CCheckContext& context, bool bFrontWindow);
// The Linux path of the key's file or folder; "" (and a finding) when it is not there as one.
std::string FindNamed(CCheckContext& context, ParamKey key, bool bFolder);
