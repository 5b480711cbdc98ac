#include "fake/FakeRegistry.h"

#include <cstring>

#include "fake/Fake.h"
#include "platform/Registry.h"

namespace fake {

namespace {

RegistryState g_registry;
std::map<uintptr_t, std::string> g_handles;
uintptr_t g_nextHandle = 0x7000;

Resetter g_reset([] {
    g_registry = RegistryState();
    g_handles.clear();
});

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return s;
}

}  // namespace

std::string RegistryState::KeyName(HKEY root, const std::string& path) {
    const char* pszRoot = root == HKEY_CLASSES_ROOT ? "hkcr" : root == HKEY_LOCAL_MACHINE ? "hklm" : "?";
    auto it = g_handles.find((uintptr_t)root);
    return Lower((it != g_handles.end() ? it->second : std::string(pszRoot)) + "\\" + path);
}

void RegistryState::SetString(HKEY root, const std::string& path, const std::string& name,
                              const std::string& text) {
    keys[KeyName(root, path)][Lower(name)] = {REG_SZ, text + '\0'};
}

const RegValue* RegistryState::Value(HKEY root, const std::string& path, const std::string& name) {
    auto key = keys.find(KeyName(root, path));
    if (key == keys.end()) return nullptr;
    auto value = key->second.find(Lower(name));
    return value == key->second.end() ? nullptr : &value->second;
}

RegistryState& Registry() { return g_registry; }

}  // namespace fake

namespace platform {

using fake::g_handles;
using fake::g_registry;

LSTATUS RegOpenKeyExA(HKEY hKey, const char* pszSubKey, DWORD, DWORD samDesired, HKEY* phkResult) {
    std::string name = fake::RegistryState::KeyName(hKey, pszSubKey);
    g_registry.opens.push_back(name);
    g_registry.access.push_back(samDesired);
    if (!g_registry.keys.count(name)) return ERROR_FILE_NOT_FOUND;
    HKEY h = (HKEY)fake::g_nextHandle++;
    g_handles[(uintptr_t)h] = name;
    ++g_registry.openKeys;
    *phkResult = h;
    return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExA(HKEY hKey, const char* pszValueName, DWORD*, DWORD* pdwType, BYTE* pData,
                         DWORD* pcbData) {
    auto handle = g_handles.find((uintptr_t)hKey);
    if (handle == g_handles.end()) return 6;  // ERROR_INVALID_HANDLE
    auto& values = g_registry.keys[handle->second];
    auto it = values.find(fake::Lower(pszValueName ? pszValueName : ""));
    if (it == values.end()) return ERROR_FILE_NOT_FOUND;
    const fake::RegValue& v = it->second;
    if (pdwType) *pdwType = v.type;
    DWORD nSize = *pcbData;
    *pcbData = (DWORD)v.data.size();
    if (v.data.size() > nSize) return ERROR_MORE_DATA;
    memcpy(pData, v.data.data(), v.data.size());
    return ERROR_SUCCESS;
}

LSTATUS RegSetValueExA(HKEY hKey, const char* pszValueName, DWORD, DWORD dwType, const BYTE* pData,
                       DWORD cbData) {
    auto handle = g_handles.find((uintptr_t)hKey);
    if (handle == g_handles.end()) return 6;
    g_registry.keys[handle->second][fake::Lower(pszValueName)] = {
        dwType, std::string((const char*)pData, cbData)};
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY hKey) {
    if (!g_handles.erase((uintptr_t)hKey)) return 6;
    --g_registry.openKeys;
    return ERROR_SUCCESS;
}

}  // namespace platform
