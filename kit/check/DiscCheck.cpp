#include "kit/check/DiscCheck.h"

#include <cstdio>
#include <cstdlib>
#include <map>

#include "kit/check/BitmapAdvice.h"
#include "kit/disc/DiscBitmap.h"
#include "kit/disc/DiscFolder.h"
#include "kit/disc/DiscText.h"
#include "kit/disc/ButtonLayout.h"
#include "kit/disc/ToolRun.h"
#include "kit/disc/WindowsFile.h"
#include "platform/linux/ShortcutPrograms.h"
#include "ui/ButtonFace.h"
#include "msi/MsiPackage.h"
#include "params/ParamFile.h"
#include "params/ProfileText.h"
#include "prereq/VersionInfo.h"

namespace {

const size_t kJolietName = 64, kJolietLongName = 103;  // UCS-2 characters
const uint64_t kPlainIsoFile = 0xFFFFFFFFull;
const int kIsoLevels = 8;                // the root is the first
const size_t kExplorerLabel = 32;        // what Explorer shows of a drive's name
const size_t kMaxProgramRead = 256u << 20;  // a program's resources are read from at most this much
const int kIconSizes[] = {16, 32, 48};

// UTF-16 code units of a UTF-8 name, as Joliet counts them.
size_t Ucs2Length(const std::string& name) {
    size_t n = 0;
    for (unsigned char c : name) n += (c & 0xC0) != 0x80 ? (c >= 0xF0 ? 2 : 1) : 0;
    return n;
}

// The name as Windows compares names: without regard to case in code page 1252.
std::string FoldName(const std::string& name) {
    std::string strCp;
    bool bCp = Utf8ToCp1252(name, &strCp);
    if (!bCp) strCp = name;  // outside the code page: only ASCII folds
    for (char& c : strCp)
        if (bCp || (unsigned char)c < 0x80) c = (char)UpperCp1252((unsigned char)c);
    return strCp;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

class CDiscChecker {
public:
    CDiscChecker(const CDisc& disc, const DiscCheckOptions& options, std::vector<Finding>* findings)
        : m_disc(disc), m_folder(disc.folder()), m_options(options), m_findings(findings) {}

    CheckResult Run();

private:
    void Add(const std::string& key, const std::string& reason) { m_findings->push_back({key, reason}); }
    void Note(const std::string& key, const std::string& reason) { m_findings->push_back({key, reason, true}); }
    // The [autorun] key's value; false when the key is not there.
    bool AutorunValue(const std::vector<unsigned char>& text, const char* key, std::string* value) const {
        char sz[1024];
        ReadProfileString((const char*)text.data(), text.size(), "autorun", key, "\x01", sz, sizeof sz);
        *value = sz;
        return sz[0] != '\x01';
    }
    std::string Value(ParamKey key) const { return m_disc.Value(key); }
    std::string Quoted(ParamKey key) const { return "\"" + Cp1252ToUtf8(Value(key)) + "\""; }
    // Whether [BXPARAM] has the key at all, be its value empty or not.
    bool Written(ParamKey key) const {
        char sz[2];
        const std::vector<unsigned char>& text = m_disc.infText();
        ReadProfileString((const char*)text.data(), text.size(), "BXPARAM", GetParamKeyName(key), "\x01", sz, sizeof sz);
        return sz[0] != '\x01';
    }

    bool CheckAutorunSection(const std::vector<unsigned char>& text);
    // The Linux path of the key's file or folder; "" (and a finding) when absent.
    std::string FindNamed(ParamKey key, bool bFolder);
    bool LoadBitmap(ParamKey key, const std::string& path, DiscBitmap* bitmap);
    void CheckFront(const std::string& backdropPath, const std::string& stripPath);
    void CheckPackage(const std::string& path);
    void CheckDistributedCom();
    void CheckUpdateFolder(const std::string& path);
    void CheckAutorunKeys(const std::vector<unsigned char>& text);
    void CheckIcon(const std::string& value);
    void CheckNames();
    void CheckManifest(const std::string& path);
    void CheckSignature(const std::string& key, const std::string& what, const std::string& path);

    const CDisc& m_disc;
    std::string m_folder;
    DiscCheckOptions m_options;
    std::vector<Finding>* m_findings;
    bool m_bNoVerifier = false;
};

CheckResult CDiscChecker::Run() {
    DiscEntry launcher = m_disc.Find(m_options.launcher);
    if (!launcher.IsFile()) Add(m_options.launcher, "the launcher is not in the folder");
    CheckNames();

    if (!m_disc.inf().Found()) {
        Add("Autorun.inf", "missing: the launcher takes every setting from it");
        return kDiscFindings;
    }
    if (!m_disc.infRead()) {
        Add("Autorun.inf", "cannot be read");
        return kDiscFindings;
    }
    const std::vector<unsigned char>& text = m_disc.infText();

    bool bAutorun = CheckAutorunSection(text);
    if (HasProfileSection((const char*)text.data(), text.size(), "autorun")) CheckAutorunKeys(text);
    if (!HasProfileSection((const char*)text.data(), text.size(), "BXPARAM")) {
        bool bWide = text.size() >= 2 && text[0] == 0xFF && text[1] == 0xFE;
        Add("[BXPARAM]", bWide ? "missing: the file is UTF-16, the launcher reads 8-bit text"
                               : "missing: the launcher finds none of its settings");
        return kDiscFindings;
    }

    // A key written without its value is one the author has still to fill (bxdisc new writes them so).
    if (Value(SetupExe).empty())
        Add("SetupExe", Written(SetupExe) ? "still to fill: put the product's setup program on the disc and name it "
                                            "here, such as SetupExe=Setup\\setup.exe"
                                          : "missing: setup stops with \"Could not find SetupExe in param file\"");
    if (Value(SetupMSI).empty() && Written(SetupMSI))
        Add("SetupMSI", "still to fill: put the product's installer package on the disc and name it here, such as "
                        "SetupMSI=Product.msi; without it the front window never offers Run");
    if (bAutorun) {
        if (Value(AutorunBackdrop).empty()) Add("AutorunBackdrop", "missing: the front window cannot open");
        if (Value(AutorunButtons).empty()) Add("AutorunButtons", "missing: the front window has no buttons");
        if (Value(ProductName).empty()) Add("ProductName", "missing: the front window has no caption");
    }

    std::string backdrop = FindNamed(AutorunBackdrop, false);
    std::string strip = FindNamed(AutorunButtons, false);
    std::string package = FindNamed(SetupMSI, false);
    std::string setup = FindNamed(SetupExe, false);
    std::string dcom = FindNamed(InstDCOM95, false);
    std::string update = FindNamed(OleAut32_Win9X, true);

    CheckFront(backdrop, strip);
    if (!package.empty()) CheckPackage(package);
    CheckDistributedCom();
    if (!update.empty()) CheckUpdateFolder(update);
    if (launcher.IsFile()) {
        CheckManifest(launcher.path);
        CheckSignature(m_options.launcher, "the launcher", launcher.path);
    }
    if (!setup.empty()) CheckSignature("SetupExe", Quoted(SetupExe), setup);
    if (!dcom.empty()) CheckSignature("InstDCOM95", Quoted(InstDCOM95), dcom);
    if (!package.empty()) CheckSignature("SetupMSI", Quoted(SetupMSI), package);
    if (bAutorun)
        Note("AutoPlay", "where it is off, as on many machines, people double-click " + m_options.launcher +
                             ", which then goes straight to setup, without the front window; the disc's label or "
                             "README can tell them so");
    for (const Finding& f : *m_findings)
        if (!f.note || m_options.strict) return kDiscFindings;
    return kDiscClean;
}

void CDiscChecker::CheckAutorunKeys(const std::vector<unsigned char>& text) {
    std::string value;
    if (AutorunValue(text, "action", &value))
        Note("[autorun] action", "a CD or DVD ignores it (Windows takes action= only from removable and fixed "
                                 "drives); AutoPlay offers \"Run " + m_options.launcher +
                                     "\" with the publisher of a signed launcher instead; fix: remove it, unless "
                                     "the disc is also copied to USB sticks");
    if (AutorunValue(text, "icon", &value) && !Trim(value).empty())
        CheckIcon(Trim(value));
    else
        Note("[autorun] icon", "missing: Explorer shows the drive with a plain icon; fix: icon=" + m_options.launcher +
                                   " (the launcher's own icon)");
    if (AutorunValue(text, "label", &value) && value.size() > kExplorerLabel)
        Note("[autorun] label", "\"" + Cp1252ToUtf8(value) + "\" has " + std::to_string(value.size()) +
                                    " characters: Explorer shows " + std::to_string(kExplorerLabel) +
                                    " of a drive's name; fix: shorten it");
}

void CDiscChecker::CheckIcon(const std::string& value) {
    // "file,index": the index of a program's icon.
    std::string name = value;
    long index = 0;
    size_t comma = value.rfind(',');
    if (comma != std::string::npos) {
        std::string tail = Trim(value.substr(comma + 1));
        char* end = nullptr;
        long n = strtol(tail.c_str(), &end, 10);
        if (!tail.empty() && end && !*end) name = Trim(value.substr(0, comma)), index = n;
    }
    std::string quoted = "\"" + Cp1252ToUtf8(value) + "\"";
    DiscEntry entry = m_disc.Find(name);
    if (!entry.IsFile()) {
        Add("[autorun] icon", quoted + " is not a file in the disc folder: Explorer shows a plain icon; fix: icon=" +
                                  m_options.launcher);
        return;
    }
    std::vector<unsigned char> bytes;
    if (!ReadFileHead(entry.path, kMaxProgramRead, &bytes)) {
        Add("[autorun] icon", quoted + " cannot be read");
        return;
    }
    std::vector<int> sizes;
    if (bytes.size() >= 4 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1 && bytes[3] == 0) {
        if (!ReadIconSizes(bytes, &sizes)) {
            Add("[autorun] icon", quoted + " is a damaged icon: an image lies outside the file");
            return;
        }
        std::string lacking;
        for (int want : kIconSizes) {
            bool bHas = false;
            for (int size : sizes) bHas = bHas || size == want;
            if (!bHas) lacking += (lacking.empty() ? "" : ", ") + std::to_string(want) + " x " + std::to_string(want);
        }
        if (!lacking.empty())
            Note("[autorun] icon", quoted + " has no " + lacking + " image: Explorer scales another, which looks "
                                            "poor; fix: make it of 16, 32 and 48 pixel images (icotool -c)");
        return;
    }
    if (IsPeFile(bytes)) {
        std::vector<std::string> icons;
        if (!ReadPeResources(bytes, kResourceGroupIcon, &icons))
            Add("[autorun] icon", quoted + ": the program's resources cannot be read, so Explorer finds no icon");
        else if (icons.empty())
            Add("[autorun] icon", quoted + " is a program without an icon; fix: icon=" + m_options.launcher);
        else if (index >= (long)icons.size())
            Add("[autorun] icon", quoted + ": the program has " + std::to_string(icons.size()) +
                                      " icon(s), counted from 0; fix: icon=" + Cp1252ToUtf8(name));
        return;
    }
    // A file of "MZ" alone stands in for a program yet to come.
    if (bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z') return;
    Add("[autorun] icon", quoted + " is not an icon: icon= takes an .ico file or a program with an icon; fix: icon=" +
                              m_options.launcher);
}

void CDiscChecker::CheckNames() {
    const size_t nLimit = m_options.large ? kJolietLongName : kJolietName;
    std::map<std::string, std::string> folded;  // parent and folded name: the first name seen
    WalkDisc(m_folder, [&](const DiscWalkEntry& e) {
        std::string parent = e.relative.substr(0, e.relative.size() - e.name.size());
        auto twin = folded.insert({parent + FoldName(e.name), e.relative});
        if (!twin.second)
            Add(e.relative, "\"" + twin.first->second + "\" and it differ only in case: Windows sees one name, "
                            "and one of the two is lost; fix: rename one");
        size_t n = Ucs2Length(e.name);
        if (n > nLimit)
            Add(e.relative, "a name of " + std::to_string(n) + " characters: Joliet, which Windows reads, holds " +
                                std::to_string(nLimit) +
                                (m_options.large ? "; fix: shorten it" : "; fix: shorten it, or up to 103 with bxdisc image --large"));
        if (!e.folder && e.size > kPlainIsoFile && !m_options.large)
            Add(e.relative, "a file of 4 GiB or more, which plain ISO 9660 cannot hold; fix: bxdisc image --large "
                            "(ISO 9660 level 3)");
        if (e.folder && e.depth + 2 == kIsoLevels + 1)
            Note(e.relative, "a folder " + std::to_string(kIsoLevels + 1) + " levels deep, counting the disc's "
                             "root: ISO 9660 holds " + std::to_string(kIsoLevels) +
                             ", and some readers miss what lies deeper; fix: move it up");
    });
}

void CDiscChecker::CheckManifest(const std::string& path) {
    std::vector<unsigned char> bytes;
    if (!ReadFileHead(path, kMaxProgramRead, &bytes) || !IsPeFile(bytes)) return;
    std::vector<std::string> manifests;
    if (!ReadPeResources(bytes, kResourceManifest, &manifests)) {
        Add(m_options.launcher, "the launcher's resources cannot be read: it is damaged; fix: bxdisc new --force "
                                "puts bxdisc's own launcher on the disc");
        return;
    }
    for (const std::string& m : manifests)
        if (m.find("\"asInvoker\"") != std::string::npos || m.find("'asInvoker'") != std::string::npos) return;
    Add(m_options.launcher, "the launcher's manifest does not ask for asInvoker: Windows takes a program of its "
                            "name for an installer and asks for an administrator before the front window opens; "
                            "fix: put bxdisc's own launcher on the disc (share/bxdisc/setup.exe)");
}

void CDiscChecker::CheckSignature(const std::string& key, const std::string& what, const std::string& path) {
    const std::string sign = "bxdisc sign " + m_folder + " --pkcs12 FILE";
    std::vector<unsigned char> head;
    ReadFileHead(path, 64 * 1024, &head);
    bool bPackage = IsCompoundFile(head);
    if (!bPackage && !PeHasSignature(head)) {
        Note(key, what + " is not signed: from a downloaded ISO, SmartScreen stops it with \"Windows protected "
                         "your PC\", and UAC names an \"Unknown publisher\"; fix: " + sign);
        return;
    }
    if (m_bNoVerifier) return;
    ToolRun run = RunTool({"osslsigncode", "verify", "-in", path});
    if (!run.started) {
        m_bNoVerifier = true;
        Note("osslsigncode", "not installed, so no signature was verified; fix: apt-get install osslsigncode");
        return;
    }
    if (run.status == 0) return;
    // osslsigncode's words for a package without a signature.
    if (run.output.find("No signature found") != std::string::npos ||
        run.output.find("Unable to extract existing signature") != std::string::npos)
        Note(key, what + " is not signed: SmartScreen and UAC name an \"Unknown publisher\"; fix: " + sign);
    else
        Note(key, what + " is signed, but the signature does not verify (" + ToolReason(run.output) +
                      "): Windows names an \"Unknown publisher\"; fix: sign it with a code-signing "
                      "certificate that Windows trusts: " + sign);
}

// True when the disc's automatic start runs the launcher's front window.
bool CDiscChecker::CheckAutorunSection(const std::vector<unsigned char>& text) {
    const char* p = (const char*)text.data();
    if (!HasProfileSection(p, text.size(), "autorun")) return false;
    char szOpen[260];
    ReadProfileString(p, text.size(), "autorun", "open", "", szOpen, sizeof szOpen);
    AutorunOpen open = ReadAutorunOpen(szOpen);
    if (!szOpen[0]) {
        Add("[autorun] open", "missing: the disc's automatic start does not run the launcher");
        return false;
    }
    if (!NamesLauncher(open.program, m_options.launcher)) {
        Add("[autorun] open", "starts \"" + Cp1252ToUtf8(open.program) + "\", not the launcher " +
                                  m_options.launcher);
        return false;
    }
    if (!open.autorunSwitch) {
        Add("[autorun] open", "starts the launcher without /autorun: it goes straight to setup");
        return false;
    }
    return true;
}

std::string CDiscChecker::FindNamed(ParamKey key, bool bFolder) {
    DiscEntry entry = m_disc.Named(key);
    if (entry.value.empty()) return std::string();
    if (entry.leaves) {
        Add(GetParamKeyName(key), Quoted(key) + " climbs out of the disc folder, which a disc's root does not allow");
        return std::string();
    }
    if (!entry.Found()) {
        Add(GetParamKeyName(key), Quoted(key) + " is not in the disc folder");
        return std::string();
    }
    if (entry.folder != bFolder) {
        Add(GetParamKeyName(key), Quoted(key) + (bFolder ? " is a file, not a folder" : " is a folder, not a file"));
        return std::string();
    }
    return entry.path;
}

bool CDiscChecker::LoadBitmap(ParamKey key, const std::string& path, DiscBitmap* bitmap) {
    std::vector<unsigned char> file;
    if (!ReadWholeFile(path, &file)) {
        Add(GetParamKeyName(key), Quoted(key) + " cannot be read");
        return false;
    }
    BitmapReading reading = ReadDiscBitmap(file, bitmap);
    if (!reading.loaded) {
        std::string cause = RefusalCause(file);
        if (!cause.empty())
            reading.rejection += ": " + cause + ", which the launcher does not read; fix: " +
                                 ArtCommand(m_folder, key == AutorunButtons);
        Add(GetParamKeyName(key), Quoted(key) + ": " + reading.rejection);
        return false;
    }
    for (const std::string& misread : reading.misreads) Add(GetParamKeyName(key), Quoted(key) + ": " + misread);
    return true;
}

void CDiscChecker::CheckFront(const std::string& backdropPath, const std::string& stripPath) {
    DiscBitmap backdrop, strip;
    bool bBackdrop = !backdropPath.empty() && LoadBitmap(AutorunBackdrop, backdropPath, &backdrop);
    bool bStrip = !stripPath.empty() && LoadBitmap(AutorunButtons, stripPath, &strip);
    if (!bStrip) return;
    char sz[200];
    if (strip.width % kFaceColumns || strip.height % kFrontButtons) {
        SIZE face = StripFaceSize(strip);
        snprintf(sz, sizeof sz,
                 ": %d x %d is not %d x %d faces; each face is %d x %d and the rest is never shown",
                 (int)strip.width, (int)strip.height, kFaceColumns, kFrontButtons, (int)face.cx, (int)face.cy);
        Add("AutorunButtons", Quoted(AutorunButtons) + sz);
    }
    if (!bBackdrop) return;
    if (size_t n = ColoursOutsideTable(backdrop, strip)) {
        snprintf(sz, sizeof sz,
                 ": %zu of its colours are not in the backdrop's colour table, so a 256-colour screen "
                 "shows them as others; fix: ",
                 n);
        Add("AutorunButtons", Quoted(AutorunButtons) + sz + ArtCommand(m_folder, true));
    }
    std::string problems;
    for (const std::string& problem : LayoutProblems(backdrop.width, backdrop.height, StripFaceSize(strip)))
        problems += (problems.empty() ? "" : "; ") + problem;
    if (!problems.empty()) Add("AutorunButtons", problems);
}

void CDiscChecker::CheckPackage(const std::string& path) {
    CMsiPackage package(path.c_str());
    if (!package.IsOpen()) {
        Add("SetupMSI", Quoted(SetupMSI) + " does not open as an installer package");
        return;
    }
    if (package.GetProperty("ProductCode").IsEmpty()) {
        Add("SetupMSI", Quoted(SetupMSI) + " has no ProductCode: the product never counts as installed");
        return;
    }
    ShortcutPrograms shortcuts = ReadShortcutPrograms(path);
    if (!shortcuts.hasShortcutTable) {
        Add("SetupMSI", Quoted(SetupMSI) + " has no Shortcut table: the product never counts as installed");
        return;
    }
    if (!package.FindInstalledExe(*m_disc.params()).IsEmpty()) return;

    std::string programs;
    for (const std::string& p : shortcuts.paths)
        programs += (programs.empty() ? "" : ", ") + Cp1252ToUtf8(p.substr(p.rfind('\\') + 1));
    if (programs.empty()) programs = "none";
    std::string exeName = Value(ExeName);
    if (exeName.empty())
        Add("SetupMSI", Quoted(SetupMSI) + " has no shortcut to a program ending in .exe (shortcuts to: " +
                            programs + ")");
    else
        Add("ExeName", Quoted(ExeName) + " ends no shortcut's .exe in the package (shortcuts to: " +
                           programs + ")");
}

void CDiscChecker::CheckDistributedCom() {
    bool bInstaller = !Value(InstDCOM95).empty();
    std::string needed = Value(DCOM95VerNeeded);
    if (!bInstaller) {
        if (!needed.empty()) Add("InstDCOM95", "missing: DCOM95VerNeeded is set, but Distributed COM is never installed");
        return;
    }
    // The launcher reads only the first number, and a 0 never asks for the installer.
    if (needed.empty())
        Add("DCOM95VerNeeded", "missing: Distributed COM is never installed");
    else if (ReadVersionNumbers(needed.c_str()).n[0] <= 0)
        Add("DCOM95VerNeeded", Quoted(DCOM95VerNeeded) +
                                   " does not start with a number above 0: Distributed COM is never installed");
}

void CDiscChecker::CheckUpdateFolder(const std::string& path) {
    std::vector<std::string> names;
    if (!ListFolder(path, &names)) {
        Add("OleAut32_Win9X", Quoted(OleAut32_Win9X) + " cannot be read");
        return;
    }
    for (const std::string& name : names) {
        // Dot names are passed over by the launcher anyway.
        if (name[0] == '.') continue;
        std::string strAnsi;
        if (IsFolder(path + "/" + name))
            Add("OleAut32_Win9X", Quoted(OleAut32_Win9X) + ": \"" + name + "\" is a folder and is not staged");
        else if (!Utf8ToCp1252(name, &strAnsi) || !IsShortName(strAnsi))
            Add("OleAut32_Win9X", Quoted(OleAut32_Win9X) + ": \"" + name +
                                      "\" is not an 8.3 name; wininit.ini on Windows 9x ignores it");
    }
}

}  // namespace

CheckResult CheckDisc(const CDisc& disc, const DiscCheckOptions& options, std::vector<Finding>* findings) {
    return CDiscChecker(disc, options, findings).Run();
}

CheckResult CheckDisc(const std::string& folder, const DiscCheckOptions& options, std::vector<Finding>* findings) {
    CDisc disc;
    if (!disc.Open(folder)) return kDiscUnreadable;
    return CheckDisc(disc, options, findings);
}

std::string FormatFinding(const Finding& finding) {
    return (finding.note ? "note: " : "") + finding.key + ": " + finding.reason;
}
