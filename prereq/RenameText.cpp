#include "prereq/RenameText.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The line [nStart, nEnd) without its line end, trimmed as the system's
// profile reader trims it.
CString TrimmedLine(const CString& strText, int nStart, int nEnd) {
    while (nStart < nEnd && IsBlank(strText[nStart])) ++nStart;
    while (nEnd > nStart && IsBlank(strText[nEnd - 1])) --nEnd;
    return strText.Mid(nStart, nEnd - nStart);
}

}  // namespace

void AppendRenamePair(CString& strLines, const char* pszTarget, const char* pszStaged) {
    strLines += "NUL=";
    strLines += pszTarget;
    strLines += "\r\n";
    strLines += pszTarget;
    strLines += "=";
    strLines += pszStaged;
    strLines += "\r\n";
}

CString MergeRenameLines(const CString& strExisting, const CString& strLines) {
    int nLength = strExisting.GetLength();
    bool bInRename = false;
    int nInsert = -1;  // after the last non-blank line of the first [rename]
    for (int nStart = 0; nStart < nLength;) {
        int nNewline = strExisting.Find('\n', nStart);
        int nEnd = nNewline < 0 ? nLength : nNewline;
        int nNext = nNewline < 0 ? nLength : nNewline + 1;
        CString strLine = TrimmedLine(strExisting, nStart, nEnd);
        if (strLine[0] == '[') {
            if (bInRename) break;
            if (nInsert < 0 && strLine.CompareNoCase("[rename]") == 0) {
                bInRename = true;
                nInsert = nNext;
            }
        } else if (bInRename && !strLine.IsEmpty()) {
            nInsert = nNext;
        }
        nStart = nNext;
    }

    CString strMerged;
    if (nInsert < 0) {
        strMerged = strExisting;
        if (nLength > 0 && strExisting[nLength - 1] != '\n') strMerged += "\r\n";
        strMerged += "[rename]\r\n";
        strMerged += strLines;
        return strMerged;
    }
    if (strLines.IsEmpty()) return strExisting;
    strMerged = strExisting.Left(nInsert);
    if (nInsert > 0 && strExisting[nInsert - 1] != '\n') strMerged += "\r\n";
    strMerged += strLines;
    strMerged += strExisting.Mid(nInsert);
    return strMerged;
}
