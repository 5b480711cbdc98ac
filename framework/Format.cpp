#include "framework/Format.h"

namespace {

struct Sink {
    char* out;
    int size;
    int length;
    void Put(char c) {
        if (length + 1 < size) out[length] = c;
        ++length;
    }
};

void PutNumber(Sink& sink, unsigned long value, bool negative, unsigned base, bool upper,
               int width, bool zeroPad) {
    char digits[24];
    int n = 0;
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    do {
        digits[n++] = set[value % base];
        value /= base;
    } while (value);
    int len = n + (negative ? 1 : 0);
    if (!zeroPad)
        for (; width > len; --width) sink.Put(' ');
    if (negative) sink.Put('-');
    if (zeroPad)
        for (; width > len; --width) sink.Put('0');
    while (n) sink.Put(digits[--n]);
}

}  // namespace

int FormatText(char* pszOut, int nSize, const char* pszFormat, va_list args) {
    Sink sink{pszOut, nSize, 0};
    for (const char* f = pszFormat; *f; ++f) {
        if (*f != '%') {
            sink.Put(*f);
            continue;
        }
        ++f;
        bool zeroPad = false;
        if (*f == '0') zeroPad = true, ++f;
        int width = 0;
        while (*f >= '0' && *f <= '9') width = width * 10 + (*f++ - '0');
        if (*f == 'l') ++f;
        switch (*f) {
        case 's': {
            const char* s = va_arg(args, const char*);
            if (!s) s = "(null)";
            int len = 0;
            while (s[len]) ++len;
            for (; width > len; --width) sink.Put(' ');
            while (*s) sink.Put(*s++);
            break;
        }
        case 'c':
            sink.Put((char)va_arg(args, int));
            break;
        case 'd':
        case 'i': {
            int v = va_arg(args, int);
            unsigned long magnitude = v < 0 ? 0ul - (unsigned long)v : (unsigned long)v;
            PutNumber(sink, magnitude, v < 0, 10, false, width, zeroPad);
            break;
        }
        case 'u':
            PutNumber(sink, va_arg(args, unsigned int), false, 10, false, width, zeroPad);
            break;
        case 'x':
        case 'X':
            PutNumber(sink, va_arg(args, unsigned int), false, 16, *f == 'X', width, zeroPad);
            break;
        case '%':
            sink.Put('%');
            break;
        default:  // unknown conversion: shown as written
            sink.Put('%');
            if (!*f) --f; else sink.Put(*f);
            break;
        }
    }
    if (sink.size > 0) pszOut[sink.length < sink.size ? sink.length : sink.size - 1] = 0;
    return sink.length;
}
