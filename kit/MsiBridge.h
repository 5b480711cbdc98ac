// The installer library on Linux. The launcher's CMsiPackage binds Msi.dll
// through the platform's library loading; the kit serves that binding from
// libmsi, so the launcher's own queries run against the package on the disc.
// Nothing is installed where a disc is checked: MsiGetComponentPath answers
// with the path the component's key file gets at its default place.
#pragma once

#include <string>
#include <vector>

struct ShortcutPrograms {
    bool opened = false;
    bool hasShortcutTable = false;
    // The key files of the shortcuts' components, in shortcut order, at
    // their default places (C:\ for the target root).
    std::vector<std::string> paths;
};

ShortcutPrograms ReadShortcutPrograms(const std::string& packagePath);
