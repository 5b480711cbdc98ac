#include "kit/disc/WindowsFile.h"

#include <cctype>
#include <cstring>
#include <sstream>

#include "kit/disc/LittleEndian.h"

namespace {

const size_t kMaxResources = 4096;  // a program's resources of one type: far fewer

bool Fits(const std::vector<unsigned char>& b, uint64_t at, uint64_t n) { return at <= b.size() && n <= b.size() - at; }
uint16_t U16(const std::vector<unsigned char>& b, uint64_t at) { return Fits(b, at, 2) ? Get16(&b[at]) : 0; }
uint32_t U32(const std::vector<unsigned char>& b, uint64_t at) { return Fits(b, at, 4) ? Get32(&b[at]) : 0; }

struct PeHeaders {
    uint64_t dataDirs = 0;  // offset of the data directories
    uint32_t dirCount = 0;
    uint64_t sections = 0;
    unsigned sectionCount = 0;
};

bool ReadHeaders(const std::vector<unsigned char>& b, PeHeaders* h) {
    if (!Fits(b, 0, 64) || b[0] != 'M' || b[1] != 'Z') return false;
    uint64_t pe = U32(b, 0x3C);
    if (!Fits(b, pe, 24) || memcmp(&b[pe], "PE\0\0", 4) != 0) return false;
    uint64_t opt = pe + 24;
    unsigned optSize = U16(b, pe + 20);
    uint16_t magic = U16(b, opt);
    uint64_t dirs = magic == 0x10b ? 96 : magic == 0x20b ? 112 : 0;
    if (!dirs || optSize < dirs || !Fits(b, opt, dirs)) return false;
    h->dataDirs = opt + dirs;
    h->dirCount = U32(b, opt + dirs - 4);
    if (h->dirCount > (optSize - dirs) / 8) h->dirCount = (uint32_t)((optSize - dirs) / 8);
    h->sections = opt + optSize;
    h->sectionCount = U16(b, pe + 6);
    return true;
}

bool DataDir(const std::vector<unsigned char>& b, const PeHeaders& h, unsigned index, uint32_t* at, uint32_t* size) {
    if (index >= h.dirCount || !Fits(b, h.dataDirs + 8 * index, 8)) return false;
    *at = U32(b, h.dataDirs + 8 * index);
    *size = U32(b, h.dataDirs + 8 * index + 4);
    return *size != 0;
}

// The file offset of a virtual address, inside its section's raw data.
bool RvaToOffset(const std::vector<unsigned char>& b, const PeHeaders& h, uint32_t rva, uint64_t* offset,
                 uint64_t* room) {
    for (unsigned i = 0; i < h.sectionCount; ++i) {
        uint64_t s = h.sections + 40 * (uint64_t)i;
        if (!Fits(b, s, 40)) return false;
        uint32_t va = U32(b, s + 12), raw = U32(b, s + 16), ptr = U32(b, s + 20);
        if (rva >= va && rva - va < raw) {
            *offset = (uint64_t)ptr + (rva - va);
            *room = raw - (rva - va);
            return Fits(b, *offset, 0);
        }
    }
    return false;
}

class CResourceReader {
public:
    CResourceReader(const std::vector<unsigned char>& b, const PeHeaders& h, uint64_t root, uint64_t size)
        : m_b(b), m_h(h), m_root(root), m_size(size) {}

    // The entries of the directory at the offset (from the root): id and target.
    bool Entries(uint32_t dir, std::vector<std::pair<uint32_t, uint32_t>>* entries) const {
        entries->clear();
        if (dir > m_size || m_size - dir < 16 || !Fits(m_b, m_root + dir, 16)) return false;
        uint64_t n = (uint64_t)U16(m_b, m_root + dir + 12) + U16(m_b, m_root + dir + 14);
        if (n > kMaxResources || 16 + 8 * n > m_size - dir || !Fits(m_b, m_root + dir + 16, 8 * n)) return false;
        for (uint64_t i = 0; i < n; ++i)
            entries->push_back({U32(m_b, m_root + dir + 16 + 8 * i), U32(m_b, m_root + dir + 20 + 8 * i)});
        return true;
    }

    bool Data(uint32_t entry, std::string* data) const {
        if (entry > m_size || m_size - entry < 16) return false;
        uint32_t rva = U32(m_b, m_root + entry), size = U32(m_b, m_root + entry + 4);
        uint64_t offset, room;
        if (!RvaToOffset(m_b, m_h, rva, &offset, &room) || size > room || !Fits(m_b, offset, size)) return false;
        data->assign((const char*)m_b.data() + offset, size);
        return true;
    }

private:
    const std::vector<unsigned char>& m_b;
    const PeHeaders& m_h;
    uint64_t m_root, m_size;
};

const uint32_t kSubdirectory = 0x80000000u;

}  // namespace

bool IsPeFile(const std::vector<unsigned char>& head) {
    PeHeaders h;
    return ReadHeaders(head, &h);
}

bool PeHasSignature(const std::vector<unsigned char>& head) {
    PeHeaders h;
    uint32_t at, size;
    return ReadHeaders(head, &h) && DataDir(head, h, 4, &at, &size);
}

bool ReadPeResources(const std::vector<unsigned char>& file, unsigned type, std::vector<std::string>* data) {
    data->clear();
    PeHeaders h;
    if (!ReadHeaders(file, &h)) return false;
    uint32_t rva, size;
    if (!DataDir(file, h, 2, &rva, &size)) return true;
    uint64_t root, room;
    if (!RvaToOffset(file, h, rva, &root, &room)) return false;
    CResourceReader reader(file, h, root, size < room ? size : room);
    std::vector<std::pair<uint32_t, uint32_t>> types, names, languages;
    if (!reader.Entries(0, &types)) return false;
    // Type, name, language: three levels, each a directory but the last.
    for (const auto& t : types) {
        if (t.first != type || !(t.second & kSubdirectory)) continue;
        if (!reader.Entries(t.second & ~kSubdirectory, &names)) return false;
        for (const auto& n : names) {
            if (!(n.second & kSubdirectory) || !reader.Entries(n.second & ~kSubdirectory, &languages)) return false;
            for (const auto& l : languages) {
                std::string blob;
                if ((l.second & kSubdirectory) || !reader.Data(l.second, &blob)) return false;
                if (data->size() >= kMaxResources) return false;
                data->push_back(blob);
            }
        }
    }
    return true;
}

bool IsCompoundFile(const std::vector<unsigned char>& head) {
    static const unsigned char kMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    return Fits(head, 0, 8) && memcmp(head.data(), kMagic, 8) == 0;
}

bool ReadIconSizes(const std::vector<unsigned char>& file, std::vector<int>* sizes) {
    sizes->clear();
    if (U16(file, 0) != 0 || U16(file, 2) != 1 || !Fits(file, 0, 6)) return false;
    unsigned count = U16(file, 4);
    if (count == 0 || !Fits(file, 6, 16 * (uint64_t)count)) return false;
    for (unsigned i = 0; i < count; ++i) {
        uint64_t e = 6 + 16 * (uint64_t)i;
        uint32_t bytes = U32(file, e + 8), offset = U32(file, e + 12);
        if (bytes == 0 || !Fits(file, offset, bytes)) return false;
        sizes->push_back(file[e] ? file[e] : 256);
    }
    return true;
}

namespace {

// A manifest's text without its comments, which Windows does not read:
// templates carry settings commented out.
std::string WithoutComments(const std::string& xml) {
    std::string text;
    size_t at = 0;
    for (size_t open; (open = xml.find("<!--", at)) != std::string::npos;) {
        text.append(xml, at, open - at);
        size_t close = xml.find("-->", open + 4);
        if (close == std::string::npos) return text;
        at = close + 3;
    }
    return text + xml.substr(at);
}

// The text after each start tag of that local name, whatever its prefix, up
// to the next tag.
std::vector<std::string> ElementTexts(const std::string& xml, const std::string& name) {
    std::vector<std::string> texts;
    for (size_t at = 0; (at = xml.find('<', at)) != std::string::npos; ++at) {
        size_t end = xml.find_first_of(" \t\r\n/>", at + 1);
        if (end == std::string::npos) break;
        std::string tag = xml.substr(at + 1, end - at - 1);
        if (tag.find(':') != std::string::npos) tag.erase(0, tag.find(':') + 1);
        size_t close = xml.find('>', end);
        if (tag != name || close == std::string::npos) continue;
        size_t next = xml.find('<', close);
        texts.push_back(xml.substr(close + 1, (next == std::string::npos ? xml.size() : next) - close - 1));
    }
    return texts;
}

// A manifest's value as Windows compares it: without its blanks, in any case.
std::string ManifestValue(const std::string& text) {
    const char* blanks = " \t\r\n";
    size_t b = text.find_first_not_of(blanks), e = text.find_last_not_of(blanks);
    std::string value = b == std::string::npos ? std::string() : text.substr(b, e - b + 1);
    for (char& c : value) c = (char)tolower((unsigned char)c);
    return value;
}

// Windows 10 1607 and later take dpiAwareness's first value they know; without
// one, dpiAware, which Windows 8.1 reads too.
bool DpiAware(const std::string& manifest) {
    for (const std::string& text : ElementTexts(manifest, "dpiAwareness")) {
        std::istringstream list(text);
        for (std::string item; std::getline(list, item, ',');) {
            std::string value = ManifestValue(item);
            if (value == "unaware") return false;
            if (value == "system" || value == "permonitor" || value == "permonitorv2") return true;
        }
    }
    for (const std::string& text : ElementTexts(manifest, "dpiAware")) {
        std::string value = ManifestValue(text);
        if (value == "true" || value == "true/pm" || value == "per monitor") return true;
    }
    return false;
}

}  // namespace

ManifestRequests ReadManifests(const std::vector<std::string>& manifests) {
    ManifestRequests requests;
    for (const std::string& m : manifests) {
        std::string text = WithoutComments(m);
        requests.asInvoker = requests.asInvoker || text.find("\"asInvoker\"") != std::string::npos ||
                             text.find("'asInvoker'") != std::string::npos;
        requests.dpiAware = requests.dpiAware || DpiAware(text);
    }
    return requests;
}
