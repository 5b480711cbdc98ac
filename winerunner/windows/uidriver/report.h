/* The report: one JSON object per line, built between Begin and End. */
#ifndef UIDRIVER_REPORT_H
#define UIDRIVER_REPORT_H

#include <windows.h>

void ReportInit(void);
int ReportOpen(const char *path);
void ReportClose(void);

void Put(const char *s);
void Putf(const char *fmt, ...);
void PutString(const char *s);
void Key(const char *name);
void KeyString(const char *name, const char *value);
void KeyInt(const char *name, long value);
void KeyBool(const char *name, int value);
void KeyRect(const char *name, RECT r);
void Begin(const char *step);
void End(int ok);

#endif
