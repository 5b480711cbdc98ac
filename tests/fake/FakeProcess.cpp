#include "fake/FakeProcess.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>

#include "fake/Fake.h"
#include "platform/Process.h"

namespace fake {

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The string table as the resource compiler would store it: ids from
// resource.h, texts from setup.rc with their escapes resolved.
std::map<unsigned, std::string> LoadStringTable() {
    std::map<std::string, unsigned> ids;
    std::string header = ReadFile(BX_SOURCE_DIR "/res/resource.h");
    std::regex define(R"(#define\s+(\w+)\s+(\d+))");
    for (std::sregex_iterator i(header.begin(), header.end(), define), e; i != e; ++i)
        ids[(*i)[1]] = (unsigned)std::stoul((*i)[2]);

    std::map<unsigned, std::string> table;
    std::string script = ReadFile(BX_SOURCE_DIR "/res/setup.rc");
    std::regex entry(R"re(^\s*(\w+)\s+"((?:[^"\\]|\\.)*)"\s*$)re", std::regex::multiline);
    for (std::sregex_iterator i(script.begin(), script.end(), entry), e; i != e; ++i) {
        if (!ids.count((*i)[1])) continue;
        std::string raw = (*i)[2], text;
        for (size_t k = 0; k < raw.size(); ++k) {
            if (raw[k] == '\\' && k + 1 < raw.size()) {
                char c = raw[++k];
                text += c == 'n' ? '\n' : c == 't' ? '\t' : c;
            } else {
                text += raw[k];
            }
        }
        table[ids[(*i)[1]]] = text;
    }
    return table;
}

ProcessState g_process;
Resetter g_reset([] {
    static const std::map<unsigned, std::string> table = LoadStringTable();
    g_process = ProcessState();
    g_process.strings = table;
});

}  // namespace

ProcessState& Process() { return g_process; }

}  // namespace fake

namespace platform {

const char* GetCommandLineA() { return fake::g_process.commandLine.c_str(); }

DWORD GetModuleFileNameA(HMODULE hModule, char* pszBuffer, DWORD nSize) {
    // Win32's way: a path that does not fit is cut and not terminated.
    const std::string& path = hModule ? fake::g_process.modules[hModule] : fake::g_process.modulePath;
    DWORD n = (DWORD)path.size() < nSize ? (DWORD)path.size() : nSize;
    memcpy(pszBuffer, path.data(), n);
    if (n < nSize) pszBuffer[n] = 0;
    return n;
}

void PostQuitMessage(int nExitCode) {
    ++fake::g_process.quitRequests;
    fake::g_process.lastQuitCode = nExitCode;
}

int RunMessageLoop() { return fake::g_process.lastQuitCode < 0 ? 0 : fake::g_process.lastQuitCode; }

bool LoadResourceString(UINT nID, char* pszBuffer, int nSize) {
    auto it = fake::g_process.strings.find(nID);
    if (it == fake::g_process.strings.end() || nSize <= 0) return false;
    size_t n = std::min(it->second.size(), (size_t)nSize - 1);
    memcpy(pszBuffer, it->second.data(), n);
    pszBuffer[n] = 0;
    return true;
}

}  // namespace platform
