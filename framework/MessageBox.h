// Message boxes and string resources, the way every message of the launcher goes.
#pragma once

#include "framework/String.h"
#include "platform/Types.h"

// The caption of every box: the application object hands its title here,
// so that this helper stands below it. None gives an empty caption.
void AfxSetMessageBoxCaption(const CString* pstrCaption);

// Caption: the application title. With no icon asked for, OK, OK/Cancel,
// Yes/No and Yes/No/Cancel boxes get the exclamation icon.
int AfxMessageBox(const char* pszText, UINT nType = MB_OK);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK);

// The string resource in the thread's ANSI code page; "" when missing.
CString AfxLoadString(UINT nID);
