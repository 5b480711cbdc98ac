// CString: an 8-bit text in the ANSI code page with value semantics.
// Small on purpose: libstdc++'s string would cost more than the whole launcher.
#pragma once

#include <cstddef>

class CString {
public:
    CString();
    CString(const char* psz);
    CString(const char* p, int nLength);
    CString(const CString& other);
    CString(CString&& other) noexcept;
    ~CString();

    CString& operator=(const CString& other);
    CString& operator=(CString&& other) noexcept;
    CString& operator=(const char* psz);
    CString& operator+=(const CString& other);
    CString& operator+=(const char* psz);
    CString& operator+=(char ch);

    int GetLength() const { return m_nLength; }
    bool IsEmpty() const { return m_nLength == 0; }
    const char* GetString() const { return m_pData ? m_pData : ""; }
    operator const char*() const { return GetString(); }
    char operator[](int i) const { return GetString()[i]; }

    void Empty();
    CString Left(int nCount) const;
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Right(int nCount) const;
    // Byte offset of the first occurrence, -1 when there is none; a match
    // never starts inside a double-byte character. nStart must be a boundary.
    int Find(const char* pszSub, int nStart = 0) const;
    int Find(char ch, int nStart = 0) const;

    // Offset of the last single-byte character that is one of pszChars,
    // double-byte characters skipped as units; -1 when there is none.
    int ReverseFindOneOf(const char* pszChars) const;
    // True when the last character (a double-byte one counting as one) is ch.
    bool EndsWithChar(char ch) const;

    // Multibyte-aware, case-insensitive comparison: <0, 0 or >0.
    int CompareNoCase(const char* psz) const;
    // True when the text ends with pszSuffix compared as CompareNoCase does;
    // the suffix must start on a character, not inside a double-byte one.
    bool EndsWithNoCase(const char* pszSuffix) const;
    // Upper-cases single-byte characters in place; double-byte ones stay.
    CString& MakeUpper();

    // Room for nMinLength bytes and a NUL, to be filled by a platform call;
    // ReleaseBuffer then takes the text up to its first NUL.
    char* GetBuffer(int nMinLength);
    void ReleaseBuffer();

    // printf-style formatting (the C runtime's rules).
    void Format(const char* pszFormat, ...);

private:
    void Assign(const char* p, int nLength);
    void Append(const char* p, int nLength);
    void Reserve(int nCapacity);

    char* m_pData;
    int m_nLength;
    int m_nCapacity;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const char* b);
CString operator+(const char* a, const CString& b);
bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, const char* b);
inline bool operator!=(const CString& a, const CString& b) { return !(a == b); }
inline bool operator!=(const CString& a, const char* b) { return !(a == b); }

// The one home of the multibyte-aware, case-insensitive rules: a double-byte
// character is one unit compared as it stands, single-byte letters are folded.
int CompareNoCase(const char* a, const char* b);
// Copy of p[0..n) upper-cased the same way; its length in bytes is n.
void UpperCopy(const char* p, int n, char* out);
