// The front window's artwork (BX03): the two bitmaps as the launcher's
// loader reads them, the strip's grid and colours, and the buttons' layout.
#pragma once

#include <string>

#include "kit/check/CheckContext.h"

extern const CheckRule kRuleBitmapUnreadable, kRuleBitmapRefused, kRuleBitmapMisread, kRuleStripGrid,
    kRuleStripColours, kRuleButtonsLayout;

// The Linux paths of the backdrop and the button strip; "" for one not on the disc.
void CheckArtwork(CCheckContext& context, const std::string& backdropPath, const std::string& stripPath);
