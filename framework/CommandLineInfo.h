// CCommandLineInfo: receives the arguments of the command line one by one.
#pragma once

#include "framework/Object.h"
#include "framework/String.h"
#include "platform/Types.h"

class CCommandLineInfo : public CObject {
public:
    CCommandLineInfo() {}
    ~CCommandLineInfo() override {}

    // Called once per argument, one leading '/' or '-' stripped (bFlag tells).
    // The base records the first plain argument as a file name.
    virtual void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast);

    CString m_strFileName;
};

// Hands every argument after the program name to info.ParseParam, in order.
void ParseCommandLine(const char* pszCmdLine, CCommandLineInfo& info);
