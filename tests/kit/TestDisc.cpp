#include "TestDisc.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kit/disc/BmpFile.h"
#include "kit/disc/DiscFolder.h"
#include "kit/disc/LittleEndian.h"

// After the launcher's types, whose TRUE and FALSE glib then keeps.
#include "platform/Types.h"
#include <libmsi.h>

namespace {

bool Exec(LibmsiDatabase* db, const std::string& sql) {
    LibmsiQuery* q = libmsi_query_new(db, sql.c_str(), nullptr);
    if (!q) return false;
    bool ok = libmsi_query_execute(q, nullptr, nullptr);
    libmsi_query_close(q, nullptr);
    g_object_unref(q);
    return ok;
}

void MakeFolders(const std::string& path) {
    for (size_t i = 1; i < path.size(); ++i)
        if (path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
}

}  // namespace

uint32_t TestColour(uint8_t i) { return (uint32_t)i << 16 | (uint32_t)(255 - i) << 8 | (uint8_t)(7 * i); }

std::vector<unsigned char> MakeBmp(const BmpSpec& desc) {
    uint32_t nColors = desc.clrUsed ? desc.clrUsed : desc.bitCount <= 8 ? 1u << desc.bitCount : 0;
    int height = desc.height < 0 ? -desc.height : desc.height;
    size_t cbRow = ((size_t)desc.width * desc.bitCount + 31) / 32 * 4;
    std::vector<uint32_t> table;
    for (uint32_t i = 0; i < nColors; ++i) table.push_back(TestColour((uint8_t)i) ^ desc.tableXor);
    std::vector<unsigned char> bits(cbRow * height, 0);
    if (desc.bitCount == 8) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < desc.width; ++x)
                bits[cbRow * (desc.height < 0 ? y : height - 1 - y) + x] = desc.index(x, y);
    }
    BmpFields fields;
    fields.width = desc.width;
    fields.height = desc.height;
    fields.bitCount = (uint16_t)desc.bitCount;
    fields.infoSize = desc.infoSize;
    fields.compression = desc.compression;
    fields.clrUsed = desc.clrUsed;
    fields.offBitsDelta = desc.offBitsDelta;
    std::vector<unsigned char> b = EncodeBmp(fields, table, bits);
    b.resize(b.size() - desc.cut);
    return b;
}

bool WriteRgbaPng(const std::string& path, int width, int height, const std::function<uint32_t(int x, int y)>& argb) {
    std::vector<unsigned char> rgba((size_t)width * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t p = argb(x, y);
            unsigned char* d = &rgba[((size_t)y * width + x) * 4];
            d[0] = (unsigned char)(p >> 16), d[1] = (unsigned char)(p >> 8), d[2] = (unsigned char)p;
            d[3] = (unsigned char)(p >> 24);
        }
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    png.width = (png_uint_32)width;
    png.height = (png_uint_32)height;
    png.format = PNG_FORMAT_RGBA;
    return png_image_write_to_file(&png, path.c_str(), 0, rgba.data(), 0, nullptr) != 0;
}

bool MakePackage(const std::string& path, const PackageSpec& desc) {
    remove(path.c_str());
    LibmsiDatabase* db = libmsi_database_new(path.c_str(), LIBMSI_DB_FLAGS_CREATE, path.c_str(), nullptr);
    if (!db) return false;
    bool ok = Exec(db,
                   "CREATE TABLE `Property` (`Property` CHAR(72) NOT NULL, `Value` LONGCHAR NOT NULL "
                   "PRIMARY KEY `Property`)") &&
              Exec(db, "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductName', 'Brindle')") &&
              Exec(db,
                   "CREATE TABLE `Directory` (`Directory` CHAR(72) NOT NULL, `Directory_Parent` "
                   "CHAR(72), `DefaultDir` CHAR(255) NOT NULL PRIMARY KEY `Directory`)") &&
              Exec(db, "INSERT INTO `Directory` (`Directory`, `DefaultDir`) VALUES ('TARGETDIR', 'SourceDir')") &&
              Exec(db,
                   "INSERT INTO `Directory` (`Directory`, `Directory_Parent`, `DefaultDir`) VALUES "
                   "('INSTALLDIR', 'TARGETDIR', '" + desc.installDir + "')") &&
              Exec(db,
                   "CREATE TABLE `Component` (`Component` CHAR(72) NOT NULL, `ComponentId` CHAR(38), "
                   "`Directory_` CHAR(72) NOT NULL, `Attributes` SHORT NOT NULL, `KeyPath` CHAR(72) "
                   "PRIMARY KEY `Component`)") &&
              Exec(db,
                   "CREATE TABLE `File` (`File` CHAR(72) NOT NULL, `Component_` CHAR(72) NOT NULL, "
                   "`FileName` CHAR(255) NOT NULL, `Sequence` SHORT NOT NULL PRIMARY KEY `File`)");
    if (ok && desc.productCode)
        ok = Exec(db,
                  "INSERT INTO `Property` (`Property`, `Value`) VALUES ('ProductCode', "
                  "'{B41D1E00-0000-4C3E-9B1D-000000000001}')");
    if (ok && desc.shortcutTable)
        ok = Exec(db,
                  "CREATE TABLE `Shortcut` (`Shortcut` CHAR(72) NOT NULL, `Directory_` CHAR(72) NOT "
                  "NULL, `Name` CHAR(128) NOT NULL, `Component_` CHAR(72) NOT NULL PRIMARY KEY "
                  "`Shortcut`)");
    int n = 0;
    for (const auto& s : desc.shortcuts) {
        ++n;
        char sz[600];
        snprintf(sz, sizeof sz,
                 "INSERT INTO `Component` (`Component`, `ComponentId`, `Directory_`, `Attributes`, "
                 "`KeyPath`) VALUES ('C%d', '{B41D1E00-0000-4C3E-9B1D-0000000001%02d}', 'INSTALLDIR', 0, 'F%d')",
                 n, n, n);
        ok = ok && Exec(db, sz);
        snprintf(sz, sizeof sz,
                 "INSERT INTO `File` (`File`, `Component_`, `FileName`, `Sequence`) VALUES ('F%d', "
                 "'C%d', 'FILE%d|%s', %d)",
                 n, n, n, s.second.c_str(), n);
        ok = ok && Exec(db, sz);
        if (desc.shortcutTable) {
            snprintf(sz, sizeof sz,
                     "INSERT INTO `Shortcut` (`Shortcut`, `Directory_`, `Name`, `Component_`) VALUES "
                     "('%s', 'TARGETDIR', 'Brindle', 'C%d')",
                     s.first.c_str(), n);
            ok = ok && Exec(db, sz);
        }
    }
    LibmsiSummaryInfo* si = ok ? libmsi_summary_info_new(db, 10, nullptr) : nullptr;
    ok = si && libmsi_summary_info_set_string(si, LIBMSI_PROPERTY_TITLE, "Installation Database", nullptr) &&
         libmsi_summary_info_persist(si, nullptr) && libmsi_database_commit(db, nullptr);
    if (si) g_object_unref(si);
    g_object_unref(db);
    return ok;
}

std::vector<unsigned char> MakeIco(const std::vector<int>& widths) {
    const size_t kImage = 40;
    std::vector<unsigned char> b(6 + 16 * widths.size());
    Put16(b, 2, 1);
    Put16(b, 4, (unsigned)widths.size());
    for (size_t i = 0; i < widths.size(); ++i) {
        size_t e = 6 + 16 * i;
        b[e] = b[e + 1] = (unsigned char)(widths[i] & 0xFF);
        Put32(b, e + 8, kImage);
        Put32(b, e + 12, (uint32_t)b.size());
        b.resize(b.size() + kImage, 0);
    }
    return b;
}

std::vector<unsigned char> MakePe(const std::vector<PeResource>& resources, bool b64Bit) {
    // PE32+ has 8-byte image base and stack and heap sizes: its data directories lie 16 bytes further on.
    const uint32_t kOpt = 0x58, kRaw = 0x200, kVa = 0x1000, dirs = b64Bit ? 112 : 96, optSize = dirs + 16 * 8;
    std::vector<unsigned char> b(kRaw, 0);
    b[0] = 'M', b[1] = 'Z';
    Put32(b, 0x3C, 0x40);
    memcpy(&b[0x40], "PE\0\0", 4);
    Put16(b, 0x44, b64Bit ? 0x8664 : 0x14C);
    Put16(b, 0x46, 1);
    Put16(b, 0x54, optSize);
    Put16(b, 0x56, b64Bit ? 0x0022 : 0x0102);
    Put16(b, kOpt, b64Bit ? 0x20B : 0x10B);
    Put32(b, kOpt + dirs - 4, 16);
    // The resource tree: root, then for each a name and a language directory, its entry and its data.
    size_t n = resources.size();
    std::vector<unsigned char> r(16 + 8 * n, 0);
    Put16(r, 14, (unsigned)n);
    for (size_t i = 0; i < n; ++i) {
        uint32_t names = (uint32_t)r.size(), languages = names + 24, entry = languages + 24;
        uint32_t data = entry + 16;
        Put32(r, 16 + 8 * i, resources[i].type);
        Put32(r, 20 + 8 * i, names | 0x80000000u);
        r.resize(data + ((resources[i].data.size() + 3) & ~(size_t)3), 0);
        Put16(r, names + 14, 1), Put32(r, names + 16, 1), Put32(r, names + 20, languages | 0x80000000u);
        Put16(r, languages + 14, 1), Put32(r, languages + 16, 0x409), Put32(r, languages + 20, entry);
        Put32(r, entry, kVa + data), Put32(r, entry + 4, (uint32_t)resources[i].data.size());
        memcpy(&r[data], resources[i].data.data(), resources[i].data.size());
    }
    Put32(b, kOpt + dirs + 16, kVa);
    Put32(b, kOpt + dirs + 20, (uint32_t)r.size());
    const uint32_t section = kOpt + optSize;
    memcpy(&b[section], ".rsrc", 5);
    Put32(b, section + 8, (uint32_t)r.size());
    Put32(b, section + 12, kVa);
    Put32(b, section + 16, (uint32_t)r.size());
    Put32(b, section + 20, kRaw);
    b.insert(b.end(), r.begin(), r.end());
    return b;
}

std::string Manifest(const char* level, const std::string& settings) {
    return std::string("<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\"><trustInfo><security><requestedPrivileges>"
                       "<requestedExecutionLevel level=\"") + level + "\"/></requestedPrivileges></security></trustInfo>"
                       "<application xmlns=\"urn:schemas-microsoft-com:asm.v3\"><windowsSettings>" + settings +
           "</windowsSettings></application></assembly>";
}

RECT FindColour(const std::vector<uint32_t>& pixels, int width, uint32_t rgb) {
    RECT rc = {0, 0, 0, 0};
    bool bFound = false;
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (pixels[i] != rgb) continue;
        LONG x = (LONG)(i % width), y = (LONG)(i / width);
        if (!bFound) rc = {x, y, x + 1, y + 1};
        bFound = true;
        rc.left = std::min(rc.left, x), rc.top = std::min(rc.top, y);
        rc.right = std::max(rc.right, x + 1), rc.bottom = std::max(rc.bottom, y + 1);
    }
    return rc;
}

bool MakeCertificate(const std::string& folder, const std::string& name, const std::string& subject,
                     const std::string& issuer, const std::string& extra) {
    const std::string w = folder + "/";
    std::string command = "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -addext extendedKeyUsage=codeSigning -subj "
                          "/CN=" + subject + " -keyout " + w + name + ".key -out " + w + name + ".pem " + extra;
    if (!issuer.empty()) command += " -CA " + w + issuer + ".pem -CAkey " + w + issuer + ".key";
    return system((command + " >/dev/null 2>&1").c_str()) == 0;
}

bool SignWith(const std::string& folder, const std::string& name, const std::string& in, const std::string& out) {
    const std::string w = folder + "/";
    return system(("osslsigncode sign -certs " + w + name + ".pem -key " + w + name + ".key -h sha256 -in " + w + in +
                   " -out " + w + out + " >/dev/null 2>&1").c_str()) == 0;
}

bool SandboxWorks() {
    static const bool works = system("bwrap --unshare-all --ro-bind / / true >/dev/null 2>&1") == 0;
    return works;
}

TestDisc::TestDisc() {
    char sz[] = "/tmp/bxdisc-test-XXXXXX";
    m_folder = mkdtemp(sz) ? sz : "";
}

TestDisc::~TestDisc() {
    if (!m_folder.empty()) {
        std::string command = "rm -rf '" + m_folder + "'";
        if (system(command.c_str()) != 0) perror("rm");
    }
}

void TestDisc::LayOutClean() {
    Write("setup.exe", "MZ");
    Write("back.bmp", MakeBmp(BmpSpec()));
    BmpSpec strip;
    strip.width = 500;
    strip.height = 160;
    Write("buttons.bmp", MakeBmp(strip));
    MakePackage(m_folder + "/Product.msi", PackageSpec());
    Write("Setup/setup32.exe", "MZ");
    Write("DCOM/DCOM95.EXE", "MZ");
    Write("OLE/OLEAUT32.DLL", "MZ");
    m_keys = {
        {"ProductName", "Brindle"},          {"AutorunBackdrop", "back.bmp"},
        {"AutorunButtons", "buttons.bmp"},   {"SetupMSI", "Product.msi"},
        {"ExeName", "Brindle.exe"},          {"SetupExe", "Setup\\setup32.exe"},
        {"InstDCOM95", "DCOM\\DCOM95.EXE"},  {"DCOM95VerNeeded", "4,71,0,1120"},
        {"OleAut32_Win9X", "OLE"},
    };
}

void TestDisc::SetKey(const std::string& key, const char* value) {
    for (auto it = m_keys.begin(); it != m_keys.end(); ++it) {
        if (it->first == key) {
            if (value) it->second = value;
            else m_keys.erase(it);
            return;
        }
    }
    if (value) m_keys.push_back({key, value});
}

void TestDisc::Write(const std::string& relative, const std::vector<unsigned char>& bytes) {
    std::string path = m_folder + "/" + relative;
    MakeFolders(path);
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return;
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

void TestDisc::Write(const std::string& relative, const std::string& text) {
    Write(relative, std::vector<unsigned char>(text.begin(), text.end()));
}

void TestDisc::Remove(const std::string& relative) {
    std::string command = "rm -rf '" + m_folder + "/" + relative + "'";
    if (system(command.c_str()) != 0) perror("rm");
}

void TestDisc::Link(const std::string& relative, const std::string& target) {
    std::string path = m_folder + "/" + relative;
    MakeFolders(path);
    if (symlink(target.c_str(), path.c_str()) != 0) perror("symlink");
}

void TestDisc::WriteSparse(const std::string& relative, long long size) {
    Write(relative, "");
    if (truncate((m_folder + "/" + relative).c_str(), size) != 0) perror("truncate");
}

void TestDisc::Finish() {
    if (!writeInf) return;
    std::string text = autorunSection + "\r\n[BXPARAM]\r\n";
    for (const auto& k : m_keys) text += k.first + "=" + k.second + "\r\n";
    Write("Autorun.inf", text);
}

bool ListFilesBelow(const std::string& root, std::vector<std::string>* paths) {
    std::vector<std::string> names;
    if (!ListFolder(root, &names)) return false;
    for (const std::string& name : names) {
        std::string full = root + "/" + name;
        if (IsFolder(full)) {
            std::vector<std::string> below;
            if (!ListFilesBelow(full, &below)) return false;
            for (const std::string& p : below) paths->push_back(name + "/" + p);
        } else {
            paths->push_back(name);
        }
    }
    return true;
}

std::string ReadProcFile(const std::string& path) {
    std::string text;
    if (FILE* in = fopen(path.c_str(), "rb")) {
        char chunk[4096];
        for (size_t n; (n = fread(chunk, 1, sizeof chunk, in)) > 0;) text.append(chunk, n);
        fclose(in);
    }
    return text;
}
