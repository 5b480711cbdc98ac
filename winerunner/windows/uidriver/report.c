/* The report writer. Lines go to a file (flushed line by line, so a killed
 * run still leaves what it saw) or to stdout. */
#include "report.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

static FILE *g_out;

/* One line is built at a time; the watchdog thread may report too. */
static CRITICAL_SECTION g_lineLock;
static char g_line[65536];
static size_t g_len;

void ReportInit(void)
{
    InitializeCriticalSection(&g_lineLock);
    g_out = stdout;
}

int ReportOpen(const char *path)
{
    g_out = fopen(path, "w");
    return g_out != NULL;
}

void ReportClose(void)
{
    if (g_out != stdout)
        fclose(g_out);
}

void Put(const char *s)
{
    size_t n = strlen(s);
    if (g_len + n >= sizeof g_line)
        n = sizeof g_line - 1 - g_len;
    memcpy(g_line + g_len, s, n);
    g_len += n;
    g_line[g_len] = 0;
}

void Putf(const char *fmt, ...)
{
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    _vsnprintf(buf, sizeof buf - 1, fmt, ap);
    buf[sizeof buf - 1] = 0;
    va_end(ap);
    Put(buf);
}

/* Texts are ANSI bytes; bytes above 0x7F go out as \u00XX so the report stays
 * ASCII and the reader gets the bytes back by encoding to latin-1. */
void PutString(const char *s)
{
    Put("\"");
    for (const unsigned char *p = (const unsigned char *)s; *p; ++p) {
        if (*p == '"' || *p == '\\')
            Putf("\\%c", *p);
        else if (*p < 0x20 || *p >= 0x7F)
            Putf("\\u%04x", *p);
        else
            Putf("%c", *p);
    }
    Put("\"");
}

void Key(const char *name)
{
    Putf(",\"%s\":", name);
}

void KeyString(const char *name, const char *value)
{
    Key(name);
    PutString(value);
}

void KeyInt(const char *name, long value)
{
    Key(name);
    Putf("%ld", value);
}

void KeyBool(const char *name, int value)
{
    Key(name);
    Put(value ? "true" : "false");
}

void KeyRect(const char *name, RECT r)
{
    Key(name);
    Putf("[%ld,%ld,%ld,%ld]", r.left, r.top, r.right, r.bottom);
}

void Begin(const char *step)
{
    EnterCriticalSection(&g_lineLock);
    g_len = 0;
    g_line[0] = 0;
    Put("{\"step\":");
    PutString(step);
}

void End(int ok)
{
    KeyBool("ok", ok);
    Put("}\n");
    fputs(g_line, g_out);
    fflush(g_out);
    LeaveCriticalSection(&g_lineLock);
}
