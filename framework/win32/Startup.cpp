// The process entry. The launcher uses no C runtime DLL, so that it loads on
// every Windows it names without one: static objects are constructed here,
// destroyed here, and the process ends here.
#include <windows.h>

#include "framework/App.h"

typedef void (*Thunk)();

extern "C" {
extern Thunk __CTOR_LIST__[];

// The compiler registers static objects' destructors through atexit.
static Thunk g_exitThunks[32];
static int g_nExitThunks;

int atexit(Thunk pfn) {
    if (g_nExitThunks == (int)(sizeof g_exitThunks / sizeof g_exitThunks[0])) return -1;
    g_exitThunks[g_nExitThunks++] = pfn;
    return 0;
}

// Static constructors run from the entry below, not through gcc's hook.
void __main() {}

void __cdecl BxStartup() {
    Thunk* pList = __CTOR_LIST__ + 1;
    int n = 0;
    while (pList[n]) ++n;
    while (n) pList[--n]();

    int nExitCode = AfxWinMain();

    while (g_nExitThunks) g_exitThunks[--g_nExitThunks]();
    ExitProcess((UINT)nExitCode);
}
}
