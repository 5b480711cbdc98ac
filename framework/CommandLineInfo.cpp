#include "framework/CommandLineInfo.h"

#include "framework/CommandLine.h"

void CCommandLineInfo::ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast) {
    if (!bFlag && m_strFileName.IsEmpty()) m_strFileName = pszParam;
}

void ParseCommandLine(const char* pszCmdLine, CCommandLineInfo& info) {
    CString arg, next;
    const char* p = NextArgument(SkipProgramName(pszCmdLine), arg);
    while (p) {
        p = NextArgument(p, next);
        const char* pszParam = arg;
        BOOL bFlag = *pszParam == '/' || *pszParam == '-';
        info.ParseParam(pszParam + (bFlag ? 1 : 0), bFlag, p == nullptr);
        arg = next;
    }
}
