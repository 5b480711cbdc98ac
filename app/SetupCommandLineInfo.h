// CSetupCommandLineInfo: the launcher's own switches.
#pragma once

#include "framework/CommandLineInfo.h"
#include "framework/String.h"

enum SetupOption : DWORD {
    optAutorun = 1,
    optHelp = 2,
    optA = 4,
    optL = 8,
};

class CSetupCommandLineInfo : public CCommandLineInfo {
public:
    CSetupCommandLineInfo() : m_dwOptions(0) {}
    ~CSetupCommandLineInfo() override {}

    void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast) override;

    // Shows the usage text in an OK box.
    static void ShowUsage();

    DWORD m_dwOptions;
    CString m_strLValue;
};
