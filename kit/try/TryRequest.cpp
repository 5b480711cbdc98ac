#include "kit/try/TryRequest.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "kit/cli/Version.h"
#include "kit/disc/Disc.h"
#include "kit/disc/DiscBitmap.h"
#include "kit/disc/DiscFolder.h"
#include "kit/try/TrySchema.h"

namespace {

// The length of the well-formed UTF-8 sequence at p (Unicode's table of
// them: no overlong forms, no surrogates, nothing past U+10FFFF), 0 if none.
size_t Utf8Length(const unsigned char* p, size_t left) {
    unsigned char c = p[0];
    size_t n;
    unsigned char least = 0x80, most = 0xBF;  // the second byte's range
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) n = 2;
    else if (c >= 0xE0 && c <= 0xEF) n = 3, least = c == 0xE0 ? 0xA0 : 0x80, most = c == 0xED ? 0x9F : 0xBF;
    else if (c >= 0xF0 && c <= 0xF4) n = 4, least = c == 0xF0 ? 0x90 : 0x80, most = c == 0xF4 ? 0x8F : 0xBF;
    else return 0;
    if (left < n || p[1] < least || p[1] > most) return 0;
    for (size_t i = 2; i < n; ++i)
        if (p[i] < 0x80 || p[i] > 0xBF) return 0;
    return n;
}

std::string JsonList(const std::vector<std::string>& items) {
    std::string text = "[";
    for (const std::string& item : items) text += (text.size() > 1 ? ", " : "") + JsonString(item);
    return text + "]";
}

// "a,b" as its items; none for "".
std::vector<std::string> Items(const std::string& list) {
    std::vector<std::string> items;
    for (size_t start = 0; !list.empty();) {
        size_t comma = list.find(',', start);
        items.push_back(list.substr(start, comma == std::string::npos ? comma : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return items;
}

// The path from the root, so that the runner need not know bxdisc's folder.
bool Absolute(const std::string& path, std::string* absolute) {
    if (!path.empty() && path[0] == '/') {
        *absolute = path;
        return true;
    }
    char* cwd = getcwd(nullptr, 0);
    if (!cwd) return false;
    std::string folder = cwd;
    free(cwd);
    std::string rest = path;
    while (rest.compare(0, 2, "./") == 0) rest.erase(0, 2);
    if (rest == "." || rest.empty()) *absolute = folder;
    else *absolute = (folder == "/" ? "" : folder) + "/" + rest;
    return true;
}

// {"width": W, "height": H, "samples": [[x, y, 0xRRGGBB], ...]} at nine
// points spread over the backdrop; null when the launcher could not load
// it either.
std::string BackdropSamples(const DiscEntry& entry) {
    std::vector<unsigned char> file;
    DiscBitmap bitmap;
    if (!entry.IsFile() || !ReadWholeFile(entry.path, &file) || !ReadDiscBitmap(file, &bitmap).loaded ||
        bitmap.width <= 0 || bitmap.height <= 0)
        return "null";
    std::vector<uint32_t> pixels = DecodePixels(bitmap);
    char sz[96];
    snprintf(sz, sizeof sz, "{\"width\": %ld, \"height\": %ld, \"samples\": [", (long)bitmap.width,
             (long)bitmap.height);
    std::string text = sz;
    for (int i : {1, 3, 5}) {
        for (int j : {1, 3, 5}) {
            long x = bitmap.width * i / 6, y = bitmap.height * j / 8;
            snprintf(sz, sizeof sz, "%s[%ld, %ld, %lu]", text.back() == '[' ? "" : ", ", x, y,
                     (unsigned long)pixels[(size_t)y * bitmap.width + x]);
            text += sz;
        }
    }
    return text + "]}";
}

const TryNumber* FindNumber(const std::string& option) {
    for (const TryNumber& n : kTryNumbers)
        if (option == n.option) return &n;
    return nullptr;
}

// The one check of a numeric option: what is wrong with its value, or "" for
// a whole number in its range. A value that is no number at all says so.
std::string NumberFault(const TryNumber& number, const std::string& value) {
    bool bDigits = !value.empty() && value.find_first_not_of("0123456789") == std::string::npos;
    errno = 0;
    long n = strtol(value.c_str(), nullptr, 10);
    if (bDigits && errno != ERANGE && n >= number.least && n <= number.most) return std::string();
    size_t sign = value.find_first_of("+-") == 0 ? 1 : 0;
    bool bNumber = value.size() > sign && value.find_first_not_of("0123456789", sign) == std::string::npos;
    return std::string(number.option) + " takes " + (bNumber ? "" : "a whole number, ") +
           std::to_string(number.least) + " to " + std::to_string(number.most) + ", not \"" + value + "\"";
}

// The options given, each under its name without the dashes ("no_sandbox").
bool Options(const Command& command, const ParsedArgs& args, std::string* json, std::string* error) {
    std::string text;
    for (const OptionRule& o : command.options) {
        std::string name = o.name;
        if (!args.Has(o.name) || name == "--launcher") continue;  // the request's "launcher"
        std::string key = name.substr(name.find_first_not_of('-')), value = args.Get(o.name), item;
        for (char& c : key)
            if (c == '-') c = '_';
        if (o.optionalValue) {
            item = JsonList(Items(value));
        } else if (!o.value) {
            item = "true";
        } else if (const TryNumber* number = FindNumber(name)) {
            *error = NumberFault(*number, value);
            if (!error->empty()) return false;
            item = std::to_string(strtol(value.c_str(), nullptr, 10));
        } else {
            item = JsonString(value);
        }
        text += (text.empty() ? "" : ", ") + JsonString(key) + ": " + item;
    }
    *json = "{" + text + "}";
    return true;
}

}  // namespace

std::string JsonString(const std::string& bytes) {
    static const char kHex[] = "0123456789abcdef";
    const unsigned char* p = (const unsigned char*)bytes.data();
    std::string text = "\"";
    for (size_t i = 0; i < bytes.size();) {
        unsigned char c = p[i];
        size_t n = Utf8Length(p + i, bytes.size() - i);
        if (n == 0) {
            // One byte of an invalid sequence: Python's surrogateescape.
            text += std::string("\\udc") + kHex[c >> 4] + kHex[c & 15];
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            text += std::string("\\u00") + kHex[c >> 4] + kHex[c & 15];
            ++i;
        } else {
            if (c == '"' || c == '\\') text += '\\';
            text.append(bytes, i, n);
            i += n;
        }
    }
    return text + "\"";
}

std::string TryRequestJson(const Command& command, const ParsedArgs& args, std::string* error, bool* bUsage) {
    // The command line first: a usage error, whatever the disc.
    std::string options;
    if (!Options(command, args, &options, error)) {
        if (bUsage) *bUsage = true;
        return std::string();
    }
    CDisc disc;
    if (!disc.Open(args.operands[0])) {
        *error = "cannot read the folder " + args.operands[0];
        return std::string();
    }
    std::string name = args.Get("--launcher", "setup.exe");
    DiscEntry launcher = disc.Find(name);
    if (!launcher.IsFile()) {
        *error = "no " + name + " in " + disc.folder() + ": the disc has no launcher to try";
        return std::string();
    }
    std::string folder;
    if (!Absolute(disc.folder(), &folder)) {
        *error = "cannot tell the current folder, in which " + disc.folder() + " is";
        return std::string();
    }
    // The runner stands recorders in for the programs and installs the package with --installed.
    auto relative = [&](ParamKey key) {
        DiscEntry entry = disc.Named(key);
        return entry.IsFile() ? JsonString(entry.Relative(disc.folder())) : std::string("null");
    };
    std::string buttons;
    for (const TryButton& b : kTryButtons)
        buttons += (buttons.empty() ? "{" : ", ") + JsonString(b.name) + ": " + std::to_string(b.id);
    buttons += "}";
    const std::pair<const char*, std::string> fields[] = {
        {"format", "1"},
        {"bxdisc_version", JsonString(kBxdiscVersion)},
        {"disc", JsonString(folder)},
        {"launcher", JsonString(launcher.Relative(disc.folder()))},
        {"buttons", buttons},
        {"setup_exe", relative(SetupExe)},
        {"dcom", relative(InstDCOM95)},
        {"package", relative(SetupMSI)},
        {"look_for_title", disc.Value(Look4Title).empty() ? "null" : JsonString(disc.Value(Look4Title))},
        {"backdrop", BackdropSamples(disc.Named(AutorunBackdrop))},
        {"options", options},
        {"tail", args.bTail ? JsonList(args.tail) : "null"},
    };
    std::string json = "{\n";
    for (const auto& f : fields) json += std::string("  \"") + f.first + "\": " + f.second + ",\n";
    json.erase(json.size() - 2, 1);  // the last field's comma
    return json + "}\n";
}
