// CMsiDll: the Windows Installer library, Msi.dll, bound at run time.
#pragma once

#include "msi/Library.h"

class CMsiDll : public CLibrary {
    DECLARE_DYNAMIC(CMsiDll)

public:
    CMsiDll() : CLibrary("Msi.dll") {}
};
