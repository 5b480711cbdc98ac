#include "msi/MsiDll.h"

IMPLEMENT_DYNAMIC(CMsiDll, CLibrary)
