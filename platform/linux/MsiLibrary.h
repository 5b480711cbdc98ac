// The installer library on Linux: the launcher's package queries (through
// CMsiPackage) answered by libmsi from the package on the disc. Nothing is
// installed where a disc is checked: MsiGetComponentPath answers with the
// path the component's key file gets at its default place.
#pragma once

#include <utility>
#include <vector>

#include "platform/Types.h"

// Msi.dll's exports, as the platform's GetProcAddress hands them out.
std::vector<std::pair<const char*, FARPROC>> LibmsiExports();
