#include "framework/String.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "framework/Format.h"
#include "platform/Text.h"

namespace {

// Out of memory has no recovery in a launcher: end the process, as an
// uncaught allocation failure would.
void* CheckedRealloc(void* p, size_t n) {
    void* q = realloc(p, n);
    if (!q) abort();
    return q;
}

}  // namespace

CString::CString() : m_pData(nullptr), m_nLength(0), m_nCapacity(0) {}

CString::CString(const char* psz) : CString() {
    if (psz) Assign(psz, (int)strlen(psz));
}

CString::CString(const char* p, int nLength) : CString() {
    if (p && nLength > 0) Assign(p, nLength);
}

CString::CString(const CString& other) : CString() {
    Assign(other.m_pData, other.m_nLength);
}

CString::CString(CString&& other) noexcept
    : m_pData(other.m_pData), m_nLength(other.m_nLength), m_nCapacity(other.m_nCapacity) {
    other.m_pData = nullptr;
    other.m_nLength = other.m_nCapacity = 0;
}

CString::~CString() { free(m_pData); }

CString& CString::operator=(const CString& other) {
    if (this != &other) Assign(other.m_pData, other.m_nLength);
    return *this;
}

CString& CString::operator=(CString&& other) noexcept {
    if (this != &other) {
        free(m_pData);
        m_pData = other.m_pData;
        m_nLength = other.m_nLength;
        m_nCapacity = other.m_nCapacity;
        other.m_pData = nullptr;
        other.m_nLength = other.m_nCapacity = 0;
    }
    return *this;
}

CString& CString::operator=(const char* psz) {
    if (!psz) {
        Empty();
    } else if (m_pData && psz >= m_pData && psz <= m_pData + m_nLength) {
        *this = CString(psz);  // assigning a piece of ourselves
    } else {
        Assign(psz, (int)strlen(psz));
    }
    return *this;
}

CString& CString::operator+=(const CString& other) {
    Append(other.m_pData, other.m_nLength);
    return *this;
}

CString& CString::operator+=(const char* psz) {
    if (psz) {
        if (m_pData && psz >= m_pData && psz <= m_pData + m_nLength)
            return *this += CString(psz);
        Append(psz, (int)strlen(psz));
    }
    return *this;
}

CString& CString::operator+=(char ch) {
    Append(&ch, 1);
    return *this;
}

void CString::Empty() {
    m_nLength = 0;
    if (m_pData) m_pData[0] = 0;
}

CString CString::Left(int nCount) const {
    if (nCount < 0) nCount = 0;
    if (nCount > m_nLength) nCount = m_nLength;
    return CString(GetString(), nCount);
}

CString CString::Mid(int nFirst) const { return Mid(nFirst, m_nLength); }

CString CString::Mid(int nFirst, int nCount) const {
    if (nFirst < 0) nFirst = 0;
    if (nFirst > m_nLength) nFirst = m_nLength;
    if (nCount < 0) nCount = 0;
    if (nCount > m_nLength - nFirst) nCount = m_nLength - nFirst;
    return CString(GetString() + nFirst, nCount);
}

CString CString::Right(int nCount) const {
    if (nCount < 0) nCount = 0;
    if (nCount > m_nLength) nCount = m_nLength;
    return CString(GetString() + m_nLength - nCount, nCount);
}

int CString::Find(const char* pszSub, int nStart) const {
    if (!pszSub || nStart < 0 || nStart > m_nLength) return -1;
    int nSub = (int)strlen(pszSub);
    const char* s = GetString();
    // Matches start on character boundaries only, never on a trail byte.
    for (int i = nStart; i + nSub <= m_nLength; ++i) {
        if (memcmp(s + i, pszSub, nSub) == 0) return i;
        if (platform::IsLeadByte((unsigned char)s[i])) ++i;
    }
    return -1;
}

int CString::Find(char ch, int nStart) const {
    char sz[2] = {ch, 0};
    return Find(sz, nStart);
}

int CString::ReverseFindOneOf(const char* pszChars) const {
    int nFound = -1;
    const char* s = GetString();
    for (int i = 0; i < m_nLength; ++i) {
        if (platform::IsLeadByte((unsigned char)s[i]) && i + 1 < m_nLength) {
            ++i;
        } else if (strchr(pszChars, s[i]) && s[i]) {
            nFound = i;
        }
    }
    return nFound;
}

bool CString::EndsWithChar(char ch) const {
    const char* s = GetString();
    int nLast = -1;
    for (int i = 0; i < m_nLength; ++i) {
        nLast = i;
        if (platform::IsLeadByte((unsigned char)s[i]) && i + 1 < m_nLength) ++i;
    }
    return nLast >= 0 && nLast == m_nLength - 1 && s[nLast] == ch;
}

int CString::CompareNoCase(const char* psz) const {
    return ::CompareNoCase(GetString(), psz ? psz : "");
}

bool CString::EndsWithNoCase(const char* pszSuffix) const {
    if (!pszSuffix) pszSuffix = "";
    int nStart = m_nLength - (int)strlen(pszSuffix);
    if (nStart < 0) return false;
    const char* s = GetString();
    int i = 0;
    while (i < nStart) i += platform::IsLeadByte((unsigned char)s[i]) && i + 1 < m_nLength ? 2 : 1;
    return i == nStart && ::CompareNoCase(s + nStart, pszSuffix) == 0;
}

CString& CString::MakeUpper() {
    if (m_nLength) UpperCopy(m_pData, m_nLength, m_pData);
    return *this;
}

char* CString::GetBuffer(int nMinLength) {
    if (nMinLength < m_nLength) nMinLength = m_nLength;
    Reserve(nMinLength);
    m_pData[nMinLength] = 0;
    return m_pData;
}

void CString::ReleaseBuffer() {
    if (!m_pData) return;
    int n = 0;
    while (n < m_nCapacity && m_pData[n]) ++n;
    m_nLength = n;
    m_pData[m_nLength] = 0;
}

void CString::Format(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    va_list copy;
    va_copy(copy, args);
    int n = FormatText(nullptr, 0, pszFormat, copy);
    va_end(copy);
    Reserve(n);
    FormatText(m_pData, n + 1, pszFormat, args);
    va_end(args);
    m_nLength = n;
}

void CString::Assign(const char* p, int nLength) {
    Reserve(nLength);
    if (nLength) memmove(m_pData, p, (size_t)nLength);
    m_nLength = nLength;
    m_pData[nLength] = 0;
}

void CString::Append(const char* p, int nLength) {
    if (!p || nLength <= 0) return;
    Reserve(m_nLength + nLength);
    memcpy(m_pData + m_nLength, p, (size_t)nLength);
    m_nLength += nLength;
    m_pData[m_nLength] = 0;
}

void CString::Reserve(int nCapacity) {
    if (m_pData && nCapacity <= m_nCapacity) return;
    int nNew = m_nCapacity ? m_nCapacity : 15;
    while (nNew < nCapacity) nNew = nNew * 2 + 1;
    m_pData = (char*)CheckedRealloc(m_pData, (size_t)nNew + 1);
    if (m_nCapacity == 0) m_pData[0] = 0;
    m_nCapacity = nNew;
}

CString operator+(const CString& a, const CString& b) {
    CString s(a);
    s += b;
    return s;
}

CString operator+(const CString& a, const char* b) {
    CString s(a);
    s += b;
    return s;
}

CString operator+(const char* a, const CString& b) {
    CString s(a);
    s += b;
    return s;
}

bool operator==(const CString& a, const CString& b) {
    return a.GetLength() == b.GetLength() &&
           memcmp(a.GetString(), b.GetString(), (size_t)a.GetLength()) == 0;
}

bool operator==(const CString& a, const char* b) { return strcmp(a.GetString(), b ? b : "") == 0; }

int CompareNoCase(const char* a, const char* b) {
    const unsigned char* p = (const unsigned char*)a;
    const unsigned char* q = (const unsigned char*)b;
    for (;;) {
        // One unit from each side: a double-byte character as it stands
        // (a lead byte at the very end stands alone), else a folded byte.
        unsigned int u = *p, v = *q;
        if (u && platform::IsLeadByte(*p) && p[1]) {
            u = (u << 8) | p[1];
            p += 2;
        } else {
            if (u) u = platform::UpperChar(*p), ++p;
        }
        if (v && platform::IsLeadByte(*q) && q[1]) {
            v = (v << 8) | q[1];
            q += 2;
        } else {
            if (v) v = platform::UpperChar(*q), ++q;
        }
        if (u != v) return u < v ? -1 : 1;
        if (u == 0) return 0;
    }
}

void UpperCopy(const char* p, int n, char* out) {
    for (int i = 0; i < n; ++i) {
        unsigned char c = (unsigned char)p[i];
        if (platform::IsLeadByte(c) && i + 1 < n) {
            out[i] = p[i];
            out[i + 1] = p[i + 1];
            ++i;
        } else {
            out[i] = (char)platform::UpperChar(c);
        }
    }
}
