// Command-line splitting, option parsing and the autorun switch over any
// command line: nothing read past its end, every argument made of its
// bytes, the switch removed whole or not at all.
#include <cstring>
#include <string>

#include "app/LaunchRules.h"
#include "app/SetupCommandLineInfo.h"
#include "fake/Fake.h"
#include "fake/FakeProcess.h"
#include "fake/FakeText.h"
#include "framework/App.h"
#include "framework/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    static CWinApp app("Setup");
    fake::ResetAll();
    if (size && (data[0] & 1)) fake::Text().UseShiftJis();
    std::string line((const char*)data, size);
    line = line.substr(0, line.find('\0'));

    // Every argument is no longer than the line, and there are no more
    // arguments than the line has characters.
    CString arg;
    size_t count = 0;
    for (const char* p = NextArgument(SkipProgramName(line.c_str()), arg); p; p = NextArgument(p, arg)) {
        if ((size_t)arg.GetLength() > line.size() || ++count > line.size()) __builtin_trap();
    }

    fake::Process().commandLine = line;
    CSetupCommandLineInfo info;
    app.ParseCommandLine(info);
    if (info.m_dwOptions & ~(DWORD)15) __builtin_trap();

    const char* tail = CommandLineTail(line.c_str());
    CString stripped = StripAutorunSwitch(tail);
    int removed = (int)strlen(tail) - stripped.GetLength();
    if (removed != 0 && removed != 8) __builtin_trap();

    CString wanted(tail);
    if (!MatchesWindowTitle(line.c_str(), CString(line.c_str()).Left(wanted.GetLength() % 7)))
        __builtin_trap();
    return 0;
}
