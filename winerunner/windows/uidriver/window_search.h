/* The started program's windows: finding them, waiting for them and
 * writing what they are into the report. */
#ifndef UIDRIVER_WINDOW_SEARCH_H
#define UIDRIVER_WINDOW_SEARCH_H

#include <windows.h>

int IsOurs(HWND w);
HWND FirstTopLevel(void);
int Responds(HWND w);
HWND FindOwnVisible(const char *match);
HWND AwaitOwnWindow(const char *step, const char *match, DWORD ms);
void PutWindowFields(HWND w);
void PutBoxFields(HWND box);

#endif
