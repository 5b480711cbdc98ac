#include "app/LaunchRules.h"

CString StripAutorunSwitch(const CString& strText) {
    CString strUpper(strText);
    strUpper.MakeUpper();
    int nPos = strUpper.Find("/AUTORUN");
    if (nPos < 0) nPos = strUpper.Find("-AUTORUN");
    if (nPos < 0) return strText;
    return strText.Left(nPos) + strText.Mid(nPos + 8);
}

bool MatchesWindowTitle(const char* pszWindowText, const CString& strWanted) {
    CString strTitle(pszWindowText);
    return strTitle.Left(strWanted.GetLength()).CompareNoCase(strWanted) == 0;
}
