#include "params/ParamFile.h"

#include "platform/Profile.h"

namespace {

const char* const kKeyNames[] = {
    "AutorunBackdrop", "AutorunButtons", "SetupMSI",       "SetupExe",    "Look4Title",
    "InstDCOM95",      "DCOM95VerNeeded", "OleAut32_Win9X", "ProductName", "ExeName",
};

}  // namespace

const char* GetParamKeyName(ParamKey key) {
    return (unsigned)key < sizeof kKeyNames / sizeof kKeyNames[0] ? kKeyNames[key] : nullptr;
}

CString CParamFile::GetValue(ParamKey key) const {
    const char* pszKey = GetParamKeyName(key);
    if (!pszKey) return CString();
    // A bare file name is what is left when the launcher's own folder is
    // unknown; Win32 would look for it in the Windows directory, and a file
    // there must not decide what the disc starts.
    if (m_strPath.ReverseFindOneOf("\\/:") < 0) return CString();
    char szValue[260];
    szValue[0] = 0;
    platform::GetPrivateProfileStringA("BXPARAM", pszKey, "", szValue, sizeof szValue, m_strPath);
    szValue[sizeof szValue - 1] = 0;
    return CString(szValue);
}
