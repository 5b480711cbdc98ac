// Code page 1252, the launcher's ANSI code page on a Western European
// Windows, as the kit meets it on Linux: Autorun.inf's bytes beside UTF-8
// file names.
#pragma once

#include <string>

// Code page 1252 to UTF-8; every byte has a character.
std::string Cp1252ToUtf8(const std::string& text);
// UTF-8 to code page 1252; false for bad UTF-8 or a character the code page lacks.
bool Utf8ToCp1252(const std::string& text, std::string* out);

// The upper case of a byte as CharUpper gives it: ASCII and the Latin-1 letters.
inline unsigned char UpperCp1252(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return (unsigned char)(c - 32);
    if (c == 0x9A || c == 0x9C || c == 0x9E) return (unsigned char)(c - 16);
    if (c == 0xFF) return 0x9F;
    return c;
}
