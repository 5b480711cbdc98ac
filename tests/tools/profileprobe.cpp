// Reads profile values both through the system's GetPrivateProfileStringA
// and through the launcher's own reader of the native build, and reports
// where they differ.
//   profileprobe.exe CASES OUT
// CASES: one case a line, "file<TAB>section<TAB>key<TAB>buffer size".
// OUT: one line a case, "same" or "diff<TAB>system<TAB>ours" (hex bytes).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "params/ProfileText.h"

static void Hex(FILE* f, const char* p, DWORD n) {
    for (DWORD i = 0; i < n; ++i) fprintf(f, "%02x", (unsigned char)p[i]);
}

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    FILE* in = fopen(argv[1], "rb");
    FILE* out = fopen(argv[2], "wb");
    if (!in || !out) return 2;
    char line[4096];
    while (fgets(line, sizeof line, in)) {
        line[strcspn(line, "\r\n")] = 0;
        char* file = strtok(line, "\t");
        char* section = strtok(nullptr, "\t");
        char* key = strtok(nullptr, "\t");
        char* size = strtok(nullptr, "\t");
        if (!file || !section || !key || !size) return 2;
        DWORD nSize = (DWORD)atoi(size);

        static char sys[70000], ours[70000];
        memset(sys, 0, sizeof sys);
        memset(ours, 0, sizeof ours);
        GetPrivateProfileStringA(section, key, "", sys, nSize, file);

        static char text[4 << 20];
        size_t n = 0;
        if (FILE* f = fopen(file, "rb")) {
            n = fread(text, 1, sizeof text, f);
            fclose(f);
        }
        ReadProfileString(text, n, section, key, "", ours, nSize);

        DWORD nSys = (DWORD)strlen(sys), nOurs = (DWORD)strlen(ours);
        if (nSys == nOurs && memcmp(sys, ours, nSys) == 0) {
            fputs("same\n", out);
        } else {
            fputs("diff\t", out);
            Hex(out, sys, nSys);
            fputc('\t', out);
            Hex(out, ours, nOurs);
            fputc('\n', out);
        }
    }
    fclose(out);
    return 0;
}
