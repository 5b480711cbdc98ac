#include "kit/art/InfEdit.h"

#include "framework/String.h"

namespace {

// The launcher's reader's blanks, 0x1A (an old editor's end mark) among them.
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == 0x1A; }

struct Line {
    size_t begin, end;  // the text without its line break
    size_t next;        // where the next line starts
};

std::vector<Line> SplitLines(const std::string& text) {
    std::vector<Line> lines;
    size_t p = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (p < text.size()) {
        size_t e = text.find_first_of("\r\n", p);
        if (e == std::string::npos) e = text.size();
        size_t next = e;
        // A break is \r\n, \n or \r alone, as editors write them.
        if (next < text.size() && text[next] == '\r') ++next;
        if (next < text.size() && text[next] == '\n') ++next;
        lines.push_back({p, e, next});
        p = next;
    }
    return lines;
}

void Trim(const std::string& text, size_t& b, size_t& e) {
    while (b < e && IsSpace(text[b])) ++b;
    while (e > b && IsSpace(text[e - 1])) --e;
}

bool EqualsNoCase(const std::string& text, size_t b, size_t e, const std::string& name) {
    return CompareNoCase(text.substr(b, e - b).c_str(), name.c_str()) == 0;
}

// True for a header line, with the trimmed name between '[' and the last ']'.
bool IsHeader(const std::string& text, const Line& line, size_t* nb, size_t* ne) {
    size_t b = line.begin, e = line.end;
    Trim(text, b, e);
    if (b == e || text[b] != '[') return false;
    size_t close = e;
    while (close > b && text[close - 1] != ']') --close;
    if (close == b) return false;
    *nb = b + 1;
    *ne = close - 1;
    if (*ne < *nb) *ne = *nb;
    Trim(text, *nb, *ne);
    return true;
}

std::string LineBreak(const std::string& text) {
    size_t n = text.find('\n');
    if (n == std::string::npos) return text.find('\r') != std::string::npos ? "\r" : "\r\n";
    return n > 0 && text[n - 1] == '\r' ? "\r\n" : "\n";
}

std::string SetOne(const std::string& text, const std::string& section, const std::string& key,
                   const std::string& value) {
    std::vector<Line> lines = SplitLines(text);
    std::string br = LineBreak(text);
    size_t header = lines.size();
    size_t nb, ne;
    for (size_t i = 0; i < lines.size() && header == lines.size(); ++i)
        if (IsHeader(text, lines[i], &nb, &ne) && EqualsNoCase(text, nb, ne, section)) header = i;
    if (header == lines.size()) {
        std::string out = text;
        if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += br;
        if (!out.empty()) out += br;
        return out + "[" + section + "]" + br + key + "=" + value + br;
    }
    size_t last = header;  // the section's last line that is not blank
    for (size_t i = header + 1; i < lines.size(); ++i) {
        if (IsHeader(text, lines[i], &nb, &ne)) break;
        size_t b = lines[i].begin, e = lines[i].end;
        Trim(text, b, e);
        if (b == e) continue;
        last = i;
        size_t eq = text.find('=', b);
        size_t ke = eq == std::string::npos || eq > e ? e : eq;
        Trim(text, b, ke);
        if (!EqualsNoCase(text, b, ke, key)) continue;
        // The key's own spelling and spacing stay; only the value changes.
        if (ke == e) return text.substr(0, lines[i].end) + "=" + value + text.substr(lines[i].end);
        return text.substr(0, eq + 1) + value + text.substr(lines[i].end);
    }
    const Line& after = lines[last];
    if (after.next == after.end)  // the last line has no break of its own
        return text.substr(0, after.end) + br + key + "=" + value + text.substr(after.end);
    return text.substr(0, after.next) + key + "=" + value + br + text.substr(after.next);
}

}  // namespace

bool SetProfileKeys(const std::string& text, const char* section,
                    const std::vector<std::pair<std::string, std::string>>& keys, std::string* out) {
    if (text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF')))
        return false;
    std::string result = text;
    for (const auto& k : keys) {
        if (k.second.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return false;
        result = SetOne(result, section, k.first, k.second);
    }
    *out = result;
    return true;
}
