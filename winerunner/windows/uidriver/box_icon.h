/* Which stock icon a message box shows, recognised by its pixels. */
#ifndef UIDRIVER_BOX_ICON_H
#define UIDRIVER_BOX_ICON_H

#include <windows.h>

const char *BoxIcon(HWND box, DWORD waitMs);

#endif
