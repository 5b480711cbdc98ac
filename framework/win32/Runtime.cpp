// The few C runtime functions the launcher and the compiler rely on, over
// the process heap, so that no C runtime DLL is needed.
#include <windows.h>

#include <cstddef>

extern "C" {

void* malloc(size_t n) { return HeapAlloc(GetProcessHeap(), 0, n ? n : 1); }

void free(void* p) {
    if (p) HeapFree(GetProcessHeap(), 0, p);
}

void* realloc(void* p, size_t n) {
    if (!p) return malloc(n);
    return HeapReAlloc(GetProcessHeap(), 0, p, n ? n : 1);
}

void abort() { ExitProcess(3); }

void* memset(void* pDest, int c, size_t n) {
    unsigned char* d = (unsigned char*)pDest;
    while (n--) *d++ = (unsigned char)c;
    return pDest;
}

void* memcpy(void* pDest, const void* pSrc, size_t n) {
    unsigned char* d = (unsigned char*)pDest;
    const unsigned char* s = (const unsigned char*)pSrc;
    while (n--) *d++ = *s++;
    return pDest;
}

void* memmove(void* pDest, const void* pSrc, size_t n) {
    unsigned char* d = (unsigned char*)pDest;
    const unsigned char* s = (const unsigned char*)pSrc;
    if (d < s) {
        while (n--) *d++ = *s++;
    } else {
        d += n;
        s += n;
        while (n--) *--d = *--s;
    }
    return pDest;
}

int memcmp(const void* pA, const void* pB, size_t n) {
    const unsigned char* a = (const unsigned char*)pA;
    const unsigned char* b = (const unsigned char*)pB;
    for (; n; --n, ++a, ++b)
        if (*a != *b) return *a < *b ? -1 : 1;
    return 0;
}

size_t strlen(const char* s) {
    const char* p = s;
    while (*p) ++p;
    return (size_t)(p - s);
}

int strcmp(const char* a, const char* b) {
    while (*a && *a == *b) ++a, ++b;
    return (unsigned char)*a - (unsigned char)*b;
}

char* strchr(const char* s, int c) {
    for (;; ++s) {
        if (*s == (char)c) return (char*)s;
        if (!*s) return nullptr;
    }
}

// Pure virtual calls cannot happen in a correct program; end it if one does.
void __cxa_pure_virtual() { ExitProcess(3); }

}  // extern "C"

void* operator new(size_t n) {
    void* p = malloc(n);
    if (!p) ExitProcess(3);
    return p;
}
void* operator new[](size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }
