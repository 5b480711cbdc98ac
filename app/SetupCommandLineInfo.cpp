#include "app/SetupCommandLineInfo.h"

#include "framework/App.h"
#include "framework/MessageBox.h"
#include "res/resource.h"

namespace {

struct OptionEntry {
    const char* pszName;
    DWORD dwBit;
};

// Searched in order; the empty name matches a lone switch character.
const OptionEntry kOptions[] = {
    {"Autorun", optAutorun}, {"H", optHelp}, {"?", optHelp}, {"", 0}, {"A", optA}, {"L", optL},
};

}  // namespace

void CSetupCommandLineInfo::ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast) {
    CCommandLineInfo::ParseParam(pszParam, bFlag, bLast);

    CString strName(pszParam), strValue;
    int nColon = strName.Find(':');
    if (nColon >= 0) {
        strValue = strName.Mid(nColon + 1);
        strName = strName.Left(nColon);
    }
    for (const OptionEntry& entry : kOptions) {
        if (strName.CompareNoCase(entry.pszName) == 0) {
            m_dwOptions |= entry.dwBit;
            break;
        }
    }

    if (m_dwOptions & optL) {
        if (strValue.IsEmpty()) {
            AfxMessageBox(IDS_INVALID_PARAMETERS, MB_OK);
            m_dwOptions &= ~(DWORD)optL;
            ShowUsage();
            AfxPostQuitMessage(0);
        } else {
            m_strLValue = strValue;
            if (m_dwOptions & optHelp) {
                ShowUsage();
                AfxPostQuitMessage(0);
            }
        }
    } else if (m_dwOptions & optHelp) {
        ShowUsage();
        AfxPostQuitMessage(0);
    }
}

void CSetupCommandLineInfo::ShowUsage() { AfxMessageBox(IDS_USAGE, MB_OK); }
