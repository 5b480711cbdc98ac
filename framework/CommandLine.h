// The C runtime's way of cutting a command line into arguments (as the
// system's msvcrt.dll does it under Wine), and the
// command-line tail that a Windows program's WinMain is handed.
#pragma once

#include "framework/String.h"

// Skips the program name (read as any argument is) and the blanks after it.
const char* SkipProgramName(const char* pszCmdLine);

// Reads the argument that starts at or after p into arg. Gives the position
// after it, or null (arg empty) when only blanks remain.
const char* NextArgument(const char* p, CString& arg);

// The tail: the command line less the program name and the characters at or
// below the blank that follow it. The program name is a leading quoted name
// up to and including its closing quote, else everything up to the first
// character at or below the blank.
const char* CommandLineTail(const char* pszCmdLine);
