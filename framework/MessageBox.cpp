#include "framework/MessageBox.h"

#include "platform/Process.h"
#include "platform/TopWindows.h"

namespace {

const CString* g_pstrCaption;

}  // namespace

void AfxSetMessageBoxCaption(const CString* pstrCaption) { g_pstrCaption = pstrCaption; }

int AfxMessageBox(const char* pszText, UINT nType) {
    if ((nType & MB_ICONMASK) == 0) {
        switch (nType & MB_TYPEMASK) {
        case MB_OK:
        case MB_OKCANCEL:
        case MB_YESNO:
        case MB_YESNOCANCEL:
            nType |= MB_ICONEXCLAMATION;
            break;
        }
    }
    return platform::MessageBoxA(nullptr, pszText, g_pstrCaption ? g_pstrCaption->GetString() : "", nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType) {
    return AfxMessageBox(AfxLoadString(nIDPrompt), nType);
}

CString AfxLoadString(UINT nID) {
    // The launcher's longest string is about 110 characters.
    char szBuffer[512];
    if (!platform::LoadResourceString(nID, szBuffer, sizeof szBuffer)) return CString();
    return CString(szBuffer);
}
