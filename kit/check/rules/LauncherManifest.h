// The launcher's manifest (BX07): what Windows 10 and 11 make of the
// launcher before its front window opens.
#pragma once

#include <string>

#include "kit/check/CheckContext.h"

extern const CheckRule kRuleLauncherDamaged, kRuleLauncherNotAsInvoker, kRuleLauncherNotDpiAware;

// path: the launcher on the disc; a file that is no program is left alone.
void CheckManifest(CCheckContext& context, const std::string& path);
