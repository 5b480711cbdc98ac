// CSetupApp: the launcher's application object. All of its work happens in
// InitInstance, which the framework calls once.
#pragma once

#include "framework/App.h"

class CSetupApp : public CWinApp {
public:
    CSetupApp() : CWinApp(nullptr) {}
    ~CSetupApp() override {}

    BOOL InitInstance() override;
};
