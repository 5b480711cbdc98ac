// Asks a package, as the launcher does, for the installed product's program.
//   msiquery.exe OUT PACKAGE AUTORUN_INF
// Writes one JSON line to OUT: "open" (0 or 1), "product" (its ProductCode)
// and "exe" (FindInstalledExe with ExeName from AUTORUN_INF).
#include <windows.h>

#include <cstdio>

#include "msi/MsiPackage.h"

static void WriteText(FILE* f, const char* psz) {
    fputc('"', f);
    for (const unsigned char* p = (const unsigned char*)psz; *p; ++p) {
        if (*p == '"' || *p == '\\') fprintf(f, "\\%c", *p);
        else if (*p < 0x20 || *p > 0x7E) fprintf(f, "\\u%04x", *p);
        else fputc(*p, f);
    }
    fputc('"', f);
}

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    FILE* out = fopen(argv[1], "wb");
    if (!out) return 2;
    CParamFile params(argv[3]);
    CString strExe, strProduct;
    BOOL bOpen;
    {
        CMsiPackage package(argv[2]);
        bOpen = package.IsOpen();
        strProduct = package.GetProperty("ProductCode");
        strExe = package.FindInstalledExe(params);
    }
    fprintf(out, "{\"open\": %d, \"product\": ", bOpen ? 1 : 0);
    WriteText(out, strProduct);
    fputs(", \"exe\": ", out);
    WriteText(out, strExe);
    fputs("}\n", out);
    fclose(out);
    return 0;
}
