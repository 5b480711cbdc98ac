// CWinApp: the one application object and the start-up sequence around it.
#pragma once

#include "framework/CommandLineInfo.h"
#include "framework/Object.h"
#include "framework/String.h"
#include "platform/Types.h"

class CWinApp : public CObject {
public:
    // With no name, the title comes from string 57344 at start-up.
    explicit CWinApp(const char* pszAppName = nullptr);
    ~CWinApp() override;

    // Called once; TRUE ends through the message loop (exit code 0),
    // FALSE ends at once (exit code 1).
    virtual BOOL InitInstance() { return FALSE; }

    void ParseCommandLine(CCommandLineInfo& info);
    // The registry key from a string resource; the profile name becomes the title.
    void SetRegistryKey(UINT nIDRegistryKey);

    CString m_strAppName;      // the title, caption of every message box
    CString m_strRegistryKey;
    CString m_strProfileName;
    const char* m_lpCmdLine;   // the command-line tail
    void* m_pMainWnd;
};

CWinApp* AfxGetApp();
const char* AfxGetAppName();

// The whole life of the process after static construction; gives the exit code.
int AfxWinMain();

// The pending quit request: made by AfxPostQuitMessage, never withdrawn.
void AfxPostQuitMessage(int nExitCode);
bool AfxIsQuitPending();

#define AFX_IDS_APP_TITLE 0xE000u
