/* A DLL with nothing but a version resource: stands in for a system
 * library of a given version (the rc file beside it says which). */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    return TRUE;
}
