// Finding an open window of the product by the beginning of its title.
#pragma once

#include "framework/String.h"
#include "platform/Types.h"

// The first top-level window, in Z order from the top, hidden and minimised
// ones included, whose title begins with the wanted text; null when none.
HWND FindProductWindow(const CString& strWanted);

// Shows the window maximised and raises it to the top of the Z order.
void BringProductWindowForward(HWND hWnd);
