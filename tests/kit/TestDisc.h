// Disc folders made for a test: a disc the kit finds clean, which each case
// then changes in one way.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Graphics.h"

struct BmpSpec {
    int width = 400, height = 300;  // a negative height: rows top-down
    int bitCount = 8;
    uint32_t clrUsed = 0;
    uint32_t infoSize = 40;     // what the header says; the layout stays that of 40
    uint32_t compression = 0;
    uint32_t tableXor = 0;      // flips bits of every colour table entry
    int offBitsDelta = 0;  // added to the right bfOffBits
    size_t cut = 0;        // bytes left off the end
    // Colour table index of each pixel (top row first).
    std::function<uint8_t(int x, int y)> index = [](int, int) { return (uint8_t)0; };
};

// The colour table every test bitmap has: entry i is (i, 255 - i, 7 * i).
uint32_t TestColour(uint8_t index);
std::vector<unsigned char> MakeBmp(const BmpSpec& desc);

// An RGBA PNG of the pixels given as 0xAARRGGBB; false when it cannot be written.
bool WriteRgbaPng(const std::string& path, int width, int height, const std::function<uint32_t(int x, int y)>& argb);

struct PackageSpec {
    bool productCode = true;
    bool shortcutTable = true;
    std::string installDir = "BRINDLE|Brindle Product";  // DefaultDir of the shortcuts' folder
    // Shortcut id and the long file name of its component's key file.
    std::vector<std::pair<std::string, std::string>> shortcuts = {{"Main", "Brindle.exe"}};
};

// Writes an installer package with libmsi; false when it could not.
bool MakePackage(const std::string& path, const PackageSpec& desc);

// The bounding box of the pixels of one colour; empty when it is absent.
RECT FindColour(const std::vector<uint32_t>& pixels, int width, uint32_t rgb);

// An .ico file with an image of each width (square, 256 written as 0).
std::vector<unsigned char> MakeIco(const std::vector<int>& widths);

// A 32-bit (or 64-bit, PE32+) program of headers and a resource section
// only: each resource its own type, name 1, language 0x409.
struct PeResource {
    unsigned type;
    std::string data;
};
std::vector<unsigned char> MakePe(const std::vector<PeResource>& resources, bool b64Bit = false);
// Manifests for MakePe: the execution level, and what windowsSettings holds.
std::string Manifest(const char* level, const std::string& settings = "");

// Signing for the tests, with openssl and osslsigncode: false when a tool is missing or fails.
// A code-signing certificate NAME.pem and its key NAME.key in folder, subject /CN=SUBJECT: self-signed, or
// issued by the certificate and key of issuer; extra: more of openssl req's arguments.
bool MakeCertificate(const std::string& folder, const std::string& name, const std::string& subject,
                     const std::string& issuer = "", const std::string& extra = "");
// in, a path in folder, signed into out with NAME's certificate and key.
bool SignWith(const std::string& folder, const std::string& name, const std::string& in, const std::string& out);
// Whether bubblewrap, which verifies signatures, can make its namespaces here.
bool SandboxWorks();

// Every file below root, as paths relative to it with '/' separators.
bool ListFilesBelow(const std::string& root, std::vector<std::string>* paths);

// A file of /proc, or what of it could be read: its process may end meanwhile, which stdio
// tells as a short read, where GCC 14's streams throw.
std::string ReadProcFile(const std::string& path);

class TestDisc {
public:
    TestDisc();
    ~TestDisc();

    // A clean disc: launcher, both bitmaps, package, setup program,
    // Distributed COM installer and update folder, all named by Autorun.inf.
    void LayOutClean();

    // Sets a [BXPARAM] key (null: removes it); written by Finish.
    void SetKey(const std::string& key, const char* value);
    std::string autorunSection = "[autorun]\r\nopen=setup.exe /autorun\r\nicon=setup.exe\r\n";
    bool writeInf = true;

    void Write(const std::string& relative, const std::vector<unsigned char>& bytes);
    void Write(const std::string& relative, const std::string& text);
    void Remove(const std::string& relative);
    // A symbolic link at relative that reads target.
    void Link(const std::string& relative, const std::string& target);
    // A file of that size that takes no room: a hole.
    void WriteSparse(const std::string& relative, long long size);
    // Writes Autorun.inf from the keys, unless writeInf was cleared.
    void Finish();

    const std::string& folder() const { return m_folder; }

private:
    std::string m_folder;
    std::vector<std::pair<std::string, std::string>> m_keys;
};
