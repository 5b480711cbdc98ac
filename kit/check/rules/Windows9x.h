// Windows 95 and 98 (BX05): Distributed COM's installer and the automation
// library's update that the launcher stages for the restart.
#pragma once

#include <string>

#include "kit/check/CheckContext.h"

extern const CheckRule kRuleDcomInstallerUnset, kRuleDcomVersionUnset, kRuleDcomVersionZero, kRuleUpdateUnreadable,
    kRuleUpdateSubfolder, kRuleUpdateLongName, kRuleUpdateEmpty;

void CheckDistributedCom(CCheckContext& context);
// path: the folder OleAut32_Win9X names, on the disc.
void CheckUpdateFolder(CCheckContext& context, const std::string& path);
