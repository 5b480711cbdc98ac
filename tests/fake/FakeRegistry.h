// The registry: keys by root and path (without regard to ASCII case), each
// with its values.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/Types.h"

namespace fake {

struct RegValue {
    DWORD type = REG_SZ;
    std::string data;  // the bytes as stored, a terminating zero included if any
};

struct RegistryState {
    std::map<std::string, std::map<std::string, RegValue>> keys;  // by KeyName
    std::vector<std::string> opens;  // every key asked for, found or not
    std::vector<DWORD> access;       // the access asked with each
    int openKeys = 0;

    static std::string KeyName(HKEY root, const std::string& path);
    void AddKey(HKEY root, const std::string& path) { keys[KeyName(root, path)]; }
    // A REG_SZ value with its terminating zero.
    void SetString(HKEY root, const std::string& path, const std::string& name,
                   const std::string& text);
    // The value, or null when the key or the value is missing.
    const RegValue* Value(HKEY root, const std::string& path, const std::string& name);
};

RegistryState& Registry();

}  // namespace fake
