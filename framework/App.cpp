#include "framework/App.h"

#include "framework/CommandLine.h"
#include "framework/MessageBox.h"
#include "platform/Process.h"

namespace {

CWinApp* g_pApp;
bool g_bQuitPending;

}  // namespace

CWinApp::CWinApp(const char* pszAppName)
    : m_strAppName(pszAppName), m_lpCmdLine(""), m_pMainWnd(nullptr) {
    g_pApp = this;
    AfxSetMessageBoxCaption(&m_strAppName);
}

CWinApp::~CWinApp() {
    if (g_pApp != this) return;
    g_pApp = nullptr;
    AfxSetMessageBoxCaption(nullptr);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) {
    ::ParseCommandLine(platform::GetCommandLineA(), info);
}

void CWinApp::SetRegistryKey(UINT nIDRegistryKey) {
    m_strRegistryKey = AfxLoadString(nIDRegistryKey);
    m_strProfileName = m_strAppName;
}

CWinApp* AfxGetApp() { return g_pApp; }

const char* AfxGetAppName() { return g_pApp ? g_pApp->m_strAppName.GetString() : ""; }

int AfxWinMain() {
    CWinApp* pApp = AfxGetApp();
    if (!pApp) return 1;
    if (pApp->m_strAppName.IsEmpty()) pApp->m_strAppName = AfxLoadString(AFX_IDS_APP_TITLE);
    pApp->m_lpCmdLine = CommandLineTail(platform::GetCommandLineA());

    if (!pApp->InitInstance()) return 1;
    // No main window: the loop has nothing to wait for.
    AfxPostQuitMessage(0);
    return platform::RunMessageLoop();
}

void AfxPostQuitMessage(int nExitCode) {
    g_bQuitPending = true;
    platform::PostQuitMessage(nExitCode);
}

bool AfxIsQuitPending() { return g_bQuitPending; }
