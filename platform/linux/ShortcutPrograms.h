// What the check asks of a package beyond the launcher's own queries: the
// programs its shortcuts start, at their default places.
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
