#include "kit/check/DiscCheck.h"

#include <cstdio>

#include "kit/check/BitmapAdvice.h"
#include "kit/disc/DiscBitmap.h"
#include "kit/disc/DiscFolder.h"
#include "kit/disc/DiscText.h"
#include "kit/disc/ButtonLayout.h"
#include "platform/linux/ShortcutPrograms.h"
#include "ui/ButtonFace.h"
#include "msi/MsiPackage.h"
#include "params/ParamFile.h"
#include "params/ProfileText.h"
#include "prereq/VersionInfo.h"

namespace {

class CDiscChecker {
public:
    CDiscChecker(const CDisc& disc, const DiscCheckOptions& options, std::vector<Finding>* findings)
        : m_disc(disc), m_folder(disc.folder()), m_options(options), m_findings(findings) {}

    CheckResult Run();

private:
    void Add(const std::string& key, const std::string& reason) { m_findings->push_back({key, reason}); }
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

    const CDisc& m_disc;
    std::string m_folder;
    DiscCheckOptions m_options;
    std::vector<Finding>* m_findings;
};

CheckResult CDiscChecker::Run() {
    if (!m_disc.Find(m_options.launcher).IsFile()) Add(m_options.launcher, "the launcher is not in the folder");

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
    FindNamed(SetupExe, false);
    FindNamed(InstDCOM95, false);
    std::string update = FindNamed(OleAut32_Win9X, true);

    CheckFront(backdrop, strip);
    if (!package.empty()) CheckPackage(package);
    CheckDistributedCom();
    if (!update.empty()) CheckUpdateFolder(update);
    return m_findings->empty() ? kDiscClean : kDiscFindings;
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

std::string FormatFinding(const Finding& finding) { return finding.key + ": " + finding.reason; }
