#include "kit/check/DiscCheck.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <strings.h>

#include "kit/check/BitmapAdvice.h"
#include "kit/check/SignatureVerifier.h"
#include "kit/disc/DiscBitmap.h"
#include "kit/disc/DiscFolder.h"
#include "kit/disc/DiscText.h"
#include "kit/disc/ButtonLayout.h"
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
// Windows of these processors read their own section instead of [autorun], and nothing else of the file.
const char* const kArchitectureSections[] = {"AutoRun.Amd64", "AutoRun.Ia64", "AutoRun.Alpha", "AutoRun.Mips",
                                             "AutoRun.Ppc"};

// UTF-16 code units of a UTF-8 name, as Joliet counts them.
size_t Ucs2Length(const std::string& name) {
    size_t n = 0;
    for (unsigned char c : name) n += (c & 0xC0) != 0x80 ? (c >= 0xF0 ? 2 : 1) : 0;
    return n;
}

std::string Trim(const std::string& s, const char* blanks = " \t") {
    size_t b = s.find_first_not_of(blanks), e = s.find_last_not_of(blanks);
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

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
    std::string value = Trim(text, " \t\r\n");
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

class CDiscChecker {
public:
    CDiscChecker(const CDisc& disc, const DiscCheckOptions& options, std::vector<Finding>* findings)
        : m_disc(disc), m_folder(disc.folder()), m_options(options), m_findings(findings) {}

    CheckResult Run();

private:
    // Where a finding points: its key, the file, and the key's line of Autorun.inf.
    struct Where {
        std::string key;
        std::string file;
        int line = 0;
    };
    void Add(RuleIndex rule, const Where& where, const std::string& reason, const std::string& remedy = "") {
        const CheckRule& r = Rule(rule);
        m_findings->push_back({rule, where.key, reason, remedy.empty() ? r.remedy : remedy, where.file, where.line, r.note});
    }
    const std::string& InfName() const { return m_infName; }
    int InfLine(const char* section, const char* key) const {
        const std::vector<unsigned char>& text = m_disc.infText();
        int line = ProfileLine((const char*)text.data(), text.size(), section, key);
        return line ? line : ProfileLine((const char*)text.data(), text.size(), section, nullptr);
    }
    // A [BXPARAM] key, in Autorun.inf; file: the file it names, when the finding is about that file.
    Where AtKey(ParamKey key, const std::string& file = "") const {
        return {GetParamKeyName(key), file.empty() ? InfName() : file, InfLine("BXPARAM", GetParamKeyName(key))};
    }
    // A key of an [autorun] section (or of an architecture's), shown as "[autorun] open".
    Where AtAutorun(const std::string& section, const char* key, const std::string& file = "") const {
        std::string label = strcasecmp(section.c_str(), "autorun") == 0 ? "autorun" : section;
        return {"[" + label + "] " + key, file.empty() ? InfName() : file, InfLine(section.c_str(), key)};
    }
    // A file of the disc, relative to its root.
    Where AtFile(const std::string& relative, const std::string& key = "") const { return {key.empty() ? relative : key, relative, 0}; }
    std::string Relative(const std::string& path) const {
        return path.compare(0, m_folder.size() + 1, m_folder + "/") == 0 ? path.substr(m_folder.size() + 1) : path;
    }
    // A key's value in a section of Autorun.inf; false when the key is not there.
    bool AutorunValue(const std::vector<unsigned char>& text, const char* section, const char* key, std::string* value) const {
        char sz[1024];
        ReadProfileString((const char*)text.data(), text.size(), section, key, "\x01", sz, sizeof sz);
        *value = sz;
        return sz[0] != '\x01';
    }
    std::string Value(ParamKey key) const { return m_disc.Value(key); }
    std::string Quoted(ParamKey key) const { return "\"" + Cp1252ToUtf8(Value(key)) + "\""; }
    // Whether [BXPARAM] has the key at all, be its value empty or not.
    bool Written(ParamKey key) const {
        std::string value;
        return AutorunValue(m_disc.infText(), "BXPARAM", GetParamKeyName(key), &value);
    }
    std::string SignCommand() const { return "bxdisc sign " + m_folder + " --pkcs12 FILE"; }
    std::string LauncherStart() const { return "open=" + m_options.launcher + " /autorun"; }

    bool CheckAutorunSection(const std::vector<unsigned char>& text, const std::string& section);
    bool CheckStarts(const std::vector<unsigned char>& text, const std::string& section, const std::string& reader);
    bool CheckStart(const std::string& section, const char* key, const std::string& command, const std::string& prefix);
    void CheckArchitectureSection(const std::vector<unsigned char>& text, const std::string& section);
    // The Linux path of the key's file or folder; "" (and a finding) when absent.
    std::string FindNamed(ParamKey key, bool bFolder);
    bool LoadBitmap(ParamKey key, const std::string& path, DiscBitmap* bitmap);
    void CheckFront(const std::string& backdropPath, const std::string& stripPath);
    void CheckPackage(const std::string& path);
    void CheckDistributedCom();
    void CheckUpdateFolder(const std::string& path);
    void CheckAutorunKeys(const std::vector<unsigned char>& text, const std::string& section);
    void CheckIcon(const std::string& section, const std::string& value);
    void CheckNames();
    void CheckManifest(const std::string& path);
    void CheckSignature(const Where& where, const std::string& what, const std::string& path);

    const CDisc& m_disc;
    std::string m_folder;
    DiscCheckOptions m_options;
    std::vector<Finding>* m_findings;
    std::string m_infName = "Autorun.inf";
    // Said once for the disc, not for each file.
    bool m_bVerifierUnusable = false;
};

CheckResult CDiscChecker::Run() {
    DiscEntry launcher = m_disc.Find(m_options.launcher);
    if (!launcher.IsFile()) Add(kRuleLauncherMissing, AtFile(m_options.launcher), "the launcher is not in the folder");
    CheckNames();

    if (m_disc.inf().Found()) m_infName = m_disc.inf().Relative(m_folder);
    if (!m_disc.inf().Found()) {
        Add(kRuleInfMissing, AtFile(m_infName), "missing: the launcher takes every setting from it");
        return kDiscFindings;
    }
    if (!m_disc.infRead()) {
        Add(kRuleInfUnreadable, AtFile(m_infName, "Autorun.inf"), "cannot be read");
        return kDiscFindings;
    }
    const std::vector<unsigned char>& text = m_disc.infText();

    bool bAutorun = CheckAutorunSection(text, "autorun");
    for (const char* section : kArchitectureSections)
        if (HasProfileSection((const char*)text.data(), text.size(), section)) CheckArchitectureSection(text, section);
    if (!HasProfileSection((const char*)text.data(), text.size(), "BXPARAM")) {
        bool bWide = text.size() >= 2 && text[0] == 0xFF && text[1] == 0xFE;
        if (bWide)
            Add(kRuleInfWide, AtFile(m_infName, "[BXPARAM]"), "missing: the file is UTF-16, the launcher reads 8-bit text");
        else
            Add(kRuleParamsMissing, AtFile(m_infName, "[BXPARAM]"), "missing: the launcher finds none of its settings");
        return kDiscFindings;
    }

    // A key written without its value is one the author has still to fill (bxdisc new writes them so).
    if (Value(SetupExe).empty()) {
        if (Written(SetupExe))
            Add(kRuleSetupExeToFill, AtKey(SetupExe), "still to fill: the product's setup program is not named");
        else
            Add(kRuleSetupExeMissing, AtKey(SetupExe), "missing: setup stops with \"Could not find SetupExe in param file\"");
    }
    if (Value(SetupMSI).empty() && Written(SetupMSI))
        Add(kRuleSetupMsiToFill, AtKey(SetupMSI), "still to fill: without a package the front window never offers Run");
    if (bAutorun) {
        if (Value(AutorunBackdrop).empty())
            Add(kRuleBackdropUnset, AtKey(AutorunBackdrop), "missing: the front window cannot open", ArtCommand(m_folder, false));
        if (Value(AutorunButtons).empty())
            Add(kRuleButtonsUnset, AtKey(AutorunButtons), "missing: the front window has no buttons", ArtCommand(m_folder, false));
        if (Value(ProductName).empty()) Add(kRuleProductNameUnset, AtKey(ProductName), "missing: the front window has no caption");
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
        CheckSignature(AtFile(Relative(launcher.path), m_options.launcher), "the launcher", launcher.path);
    }
    if (!setup.empty()) CheckSignature(AtKey(SetupExe, Relative(setup)), Quoted(SetupExe), setup);
    if (!dcom.empty()) CheckSignature(AtKey(InstDCOM95, Relative(dcom)), Quoted(InstDCOM95), dcom);
    if (!package.empty()) CheckSignature(AtKey(SetupMSI, Relative(package)), Quoted(SetupMSI), package);
    if (bAutorun) {
        Where where = AtAutorun("autorun", "open");
        where.key = "AutoPlay";
        Add(kRuleAutoPlayOff, where,
            "where it is off, as on many machines, people double-click " + m_options.launcher +
                ", which then goes straight to setup, without the front window",
            "tell them on the disc's label or in its README to start the disc from AutoPlay");
    }
    for (const Finding& f : *m_findings)
        if (!f.note || m_options.strict) return kDiscFindings;
    return kDiscClean;
}

void CDiscChecker::CheckAutorunKeys(const std::vector<unsigned char>& text, const std::string& section) {
    std::string value;
    if (AutorunValue(text, section.c_str(), "action", &value))
        Add(kRuleActionIgnored, AtAutorun(section, "action"),
            "a CD or DVD ignores it (Windows takes action= only from removable and fixed drives); AutoPlay offers \"Run " +
                m_options.launcher + "\" with the publisher of a signed launcher instead");
    if (AutorunValue(text, section.c_str(), "icon", &value) && !Trim(value).empty())
        CheckIcon(section, Trim(value));
    else
        Add(kRuleSectionIconMissing, AtAutorun(section, "icon"), "missing: Explorer shows the drive with a plain icon",
            "icon=" + m_options.launcher + " (the launcher's own icon)");
    if (AutorunValue(text, section.c_str(), "label", &value) && value.size() > kExplorerLabel)
        Add(kRuleLabelLong, AtAutorun(section, "label"),
            "\"" + Cp1252ToUtf8(value) + "\" has " + std::to_string(value.size()) + " characters: Explorer shows " +
                std::to_string(kExplorerLabel) + " of a drive's name");
}

void CDiscChecker::CheckIcon(const std::string& section, const std::string& value) {
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
    const std::string launcherIcon = "icon=" + m_options.launcher;
    DiscEntry entry = m_disc.Find(name);
    if (!entry.IsFile()) {
        Add(kRuleIconNotOnDisc, AtAutorun(section, "icon"), quoted + " is not a file in the disc folder: Explorer shows a plain icon",
            "put the icon there, or name the launcher: " + launcherIcon);
        return;
    }
    Where where = AtAutorun(section, "icon", Relative(entry.path));
    std::vector<unsigned char> bytes;
    if (!ReadFileHead(entry.path, kMaxProgramRead, &bytes)) {
        Add(kRuleIconUnreadable, where, quoted + " cannot be read", "make it a readable file, or name the launcher: " + launcherIcon);
        return;
    }
    std::vector<int> sizes;
    if (bytes.size() >= 4 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1 && bytes[3] == 0) {
        if (!ReadIconSizes(bytes, &sizes)) {
            Add(kRuleIconDamaged, where, quoted + " is a damaged icon: an image lies outside the file",
                "make the icon again (icotool -c), or name the launcher: " + launcherIcon);
            return;
        }
        std::string lacking;
        for (int want : kIconSizes) {
            bool bHas = false;
            for (int size : sizes) bHas = bHas || size == want;
            if (!bHas) lacking += (lacking.empty() ? "" : ", ") + std::to_string(want) + " x " + std::to_string(want);
        }
        if (!lacking.empty())
            Add(kRuleIconSizes, where, quoted + " has no " + lacking + " image: Explorer scales another, which looks poor");
        return;
    }
    if (IsPeFile(bytes)) {
        std::vector<std::string> icons;
        if (!ReadPeResources(bytes, kResourceGroupIcon, &icons))
            Add(kRuleIconResources, where, quoted + ": the program's resources cannot be read, so Explorer finds no icon",
                "name an .ico file, or the launcher: " + launcherIcon);
        else if (icons.empty())
            Add(kRuleIconNone, where, quoted + " is a program without an icon", "name an .ico file, or the launcher: " + launcherIcon);
        else if (index >= (long)icons.size())
            Add(kRuleIconIndex, where,
                quoted + ": the program has " + std::to_string(icons.size()) + " icon(s), counted from 0",
                "icon=" + Cp1252ToUtf8(name));
        return;
    }
    // A file of "MZ" alone stands in for a program yet to come.
    if (bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z') return;
    Add(kRuleIconNotIcon, where, quoted + " is not an icon: icon= takes an .ico file or a program with an icon",
        "name an .ico file, or the launcher: " + launcherIcon);
}

void CDiscChecker::CheckNames() {
    const size_t nLimit = m_options.large ? kJolietLongName : kJolietName;
    std::map<std::string, std::string> folded;  // parent and folded name: the first name seen
    WalkDisc(m_folder, [&](const DiscWalkEntry& e) {
        if (e.link) {
            Add(kRuleLinkOnDisc, AtFile(e.relative),
                "a symbolic link: the image records it as a Rock Ridge link and leaves it out of the Joliet names that "
                "Windows reads, so Windows sees no such file or folder");
            return;
        }
        std::string parent = e.relative.substr(0, e.relative.size() - e.name.size());
        auto twin = folded.insert({parent + FoldName(e.name), e.relative});
        if (!twin.second)
            Add(kRuleNamesDifferInCase, AtFile(e.relative),
                "\"" + twin.first->second + "\" and it differ only in case: Windows sees one name, and one of the two is lost");
        size_t n = Ucs2Length(e.name);
        if (n > nLimit)
            Add(kRuleNameTooLong, AtFile(e.relative),
                "a name of " + std::to_string(n) + " characters: Joliet, which Windows reads, holds " + std::to_string(nLimit),
                m_options.large ? "shorten it" : "shorten it, or up to 103 with bxdisc image --large");
        if (!e.folder && e.size > kPlainIsoFile && !m_options.large)
            Add(kRuleFileTooLarge, AtFile(e.relative), "a file of 4 GiB or more, which plain ISO 9660 cannot hold");
        if (e.folder && e.depth + 2 == kIsoLevels + 1)
            Add(kRuleFolderTooDeep, AtFile(e.relative),
                "a folder " + std::to_string(kIsoLevels + 1) + " levels deep, counting the disc's root: ISO 9660 holds " +
                    std::to_string(kIsoLevels) + ", and some readers miss what lies deeper");
    });
}

void CDiscChecker::CheckManifest(const std::string& path) {
    std::vector<unsigned char> bytes;
    if (!ReadFileHead(path, kMaxProgramRead, &bytes) || !IsPeFile(bytes)) return;
    std::vector<std::string> manifests;
    Where where = AtFile(Relative(path), m_options.launcher);
    if (!ReadPeResources(bytes, kResourceManifest, &manifests)) {
        Add(kRuleLauncherDamaged, where, "the launcher's resources cannot be read: it is damaged");
        return;
    }
    bool bAsInvoker = false, bDpiAware = false;
    for (const std::string& m : manifests) {
        std::string text = WithoutComments(m);
        bAsInvoker = bAsInvoker || text.find("\"asInvoker\"") != std::string::npos || text.find("'asInvoker'") != std::string::npos;
        bDpiAware = bDpiAware || DpiAware(text);
    }
    if (!bAsInvoker)
        Add(kRuleLauncherNotAsInvoker, where,
            "the launcher's manifest does not ask for asInvoker: Windows takes a program of its name for an installer and "
            "asks for an administrator before the front window opens");
    if (!bDpiAware)
        Add(kRuleLauncherNotDpiAware, where,
            "the launcher's manifest does not declare it DPI-aware: at 125 to 200% scaling Windows 8.1 to 11 stretch its "
            "front window and blur it");
}

void CDiscChecker::CheckSignature(const Where& where, const std::string& what, const std::string& path) {
    std::vector<unsigned char> head;
    ReadFileHead(path, 64 * 1024, &head);
    bool bPackage = IsCompoundFile(head);
    if (!bPackage && !PeHasSignature(head)) {
        Add(kRuleUnsigned, where,
            what + " is not signed: from a downloaded ISO, SmartScreen stops it with \"Windows protected your PC\", and UAC "
                   "names an \"Unknown publisher\"",
            SignCommand());
        return;
    }
    if (m_bVerifierUnusable) return;
    SignatureVerdict verdict = VerifySignature(path, m_options.verifyTimeout);
    // The author's authorities come after the system's, so that both kinds of chain are followed.
    if (verdict.state == SignatureState::kChainUnknown && !m_options.caFile.empty())
        verdict = VerifySignature(path, m_options.caFile, m_options.verifyTimeout);
    switch (verdict.state) {
    case SignatureState::kVerified:
        return;
    case SignatureState::kUnsigned:
        Add(kRuleUnsigned, where, what + " is not signed: SmartScreen and UAC name an \"Unknown publisher\"", SignCommand());
        return;
    case SignatureState::kUntrusted:
        Add(kRuleSignatureUntrusted, where,
            what + " is signed, but the signature does not verify (" + verdict.reason +
                "): Windows names an \"Unknown publisher\"",
            "sign it with a code-signing certificate that Windows trusts: " + SignCommand());
        return;
    case SignatureState::kChainUnknown:
        Add(kRuleSignatureChainUnknown, where,
            what + " matches its signature, but the chain leads to \"" + verdict.issuer +
                "\", an authority this machine does not know (" + verdict.reason + "), so it was not followed",
            "name that authority's certificate: bxdisc check --ca-file FILE");
        return;
    case SignatureState::kNoVerifier:
        m_bVerifierUnusable = true;
        Add(kRuleVerifierMissing, where, "osslsigncode is not installed, so no signature was verified");
        return;
    case SignatureState::kNoSandbox:
        m_bVerifierUnusable = true;
        Add(kRuleVerifierUnconfined, where,
            "no signature was verified: a disc's files meet osslsigncode only inside bubblewrap, which cannot run here (" +
                verdict.reason + ")",
            std::string("apt-get install bubblewrap, and ") + kSandboxRemedy);
        return;
    case SignatureState::kCrashed:
        Add(kRuleVerifierCrashed, where,
            "osslsigncode crashed (" + verdict.reason + ") on the signature of " + what + ", so it was not verified");
        return;
    case SignatureState::kTimedOut:
        Add(kRuleVerifierTimedOut, where,
            "osslsigncode did not finish verifying " + what + " within " + std::to_string(m_options.verifyTimeout) +
                " s, so it was not verified");
        return;
    }
}

// True when the disc's automatic start runs the launcher's front window.
bool CDiscChecker::CheckAutorunSection(const std::vector<unsigned char>& text, const std::string& section) {
    if (!HasProfileSection((const char*)text.data(), text.size(), section.c_str())) return false;
    CheckAutorunKeys(text, section);
    return CheckStarts(text, section, "");
}

// The section's open= and shellexecute=; reader: who reads this section alone, for an architecture's.
bool CDiscChecker::CheckStarts(const std::vector<unsigned char>& text, const std::string& section, const std::string& reader) {
    std::string open, shell;
    bool bOpen = AutorunValue(text, section.c_str(), "open", &open) && !Trim(open).empty();
    bool bShell = AutorunValue(text, section.c_str(), "shellexecute", &shell) && !Trim(shell).empty();
    std::string prefix = reader.empty() ? "" : reader + " reads only this section: ";
    if (!bOpen && !bShell) {
        Add(kRuleStartMissing, AtAutorun(section, "open"), prefix + "missing: the disc's automatic start does not run the launcher",
            "add " + LauncherStart() + " to the section");
        return false;
    }
    bool bStarts = (!bOpen || CheckStart(section, "open", open, prefix)) && (!bShell || CheckStart(section, "shellexecute", shell, prefix));
    // 64-bit Windows came after XP SP2: only [autorun] meets older systems.
    if (bStarts && !bOpen && reader.empty())
        Add(kRuleShellExecuteOnly, AtAutorun(section, "shellexecute"),
            "Windows XP SP2 and later read shellexecute=; older systems read only open=, and do not start the launcher",
            "add " + LauncherStart() + ", which every Windows reads");
    return bStarts;
}

bool CDiscChecker::CheckStart(const std::string& section, const char* key, const std::string& command, const std::string& prefix) {
    AutorunOpen start = ReadAutorunOpen(command.c_str());
    std::string fix = std::string(key) + "=" + m_options.launcher + " /autorun";
    if (!NamesLauncher(start.program, m_options.launcher)) {
        Add(kRuleStartsOther, AtAutorun(section, key),
            prefix + "starts \"" + Cp1252ToUtf8(start.program) + "\", not the launcher " + m_options.launcher,
            "start the launcher: " + fix);
        return false;
    }
    if (!start.autorunSwitch) {
        Add(kRuleStartWithoutSwitch, AtAutorun(section, key),
            prefix + "starts the launcher without /autorun: it goes straight to setup", "add the switch: " + fix);
        return false;
    }
    return true;
}

void CDiscChecker::CheckArchitectureSection(const std::vector<unsigned char>& text, const std::string& section) {
    std::string reader = strcasecmp(section.c_str(), "AutoRun.Amd64") == 0 ? "64-bit Windows (x64)"
                         : strcasecmp(section.c_str(), "AutoRun.Ia64") == 0 ? "Windows on Itanium"
                                                                             : "Windows on that processor";
    CheckStarts(text, section, reader);
    CheckAutorunKeys(text, section);
    std::string value;
    if (!AutorunValue(text, section.c_str(), "label", &value) && AutorunValue(text, "autorun", "label", &value))
        Add(kRuleSectionLabelMissing, AtAutorun(section, "label"),
            "missing: " + reader + " reads only this section and shows the disc's volume label instead of \"" +
                Cp1252ToUtf8(value) + "\"",
            "copy label=" + Cp1252ToUtf8(value) + " into the section");
}

std::string CDiscChecker::FindNamed(ParamKey key, bool bFolder) {
    DiscEntry entry = m_disc.Named(key);
    if (entry.value.empty()) return std::string();
    if (entry.leaves) {
        Add(kRuleNameLeavesDisc, AtKey(key), Quoted(key) + " climbs out of the disc folder, which a disc's root does not allow");
        return std::string();
    }
    if (!entry.Found()) {
        // Each key's own way out beside putting the file there.
        const char* other = key == SetupMSI                                   ? "; or remove the line for a product without a package"
                            : key == InstDCOM95 || key == OleAut32_Win9X       ? "; or leave it empty for none"
                            : key == AutorunBackdrop || key == AutorunButtons ? "; or make the artwork: bxdisc art DISC --backdrop IMAGE.png --update-inf"
                                                                              : "";
        Add(kRuleNameNotOnDisc, AtKey(key), Quoted(key) + " is not in the disc folder",
            std::string("put it on the disc at that place, or correct the name (relative to the launcher's folder)") + other);
        return std::string();
    }
    if (entry.folder != bFolder) {
        Add(kRuleNameWrongKind, AtKey(key), Quoted(key) + (bFolder ? " is a file, not a folder" : " is a folder, not a file"),
            bFolder ? "name a folder" : "name a file");
        return std::string();
    }
    return entry.path;
}

bool CDiscChecker::LoadBitmap(ParamKey key, const std::string& path, DiscBitmap* bitmap) {
    std::vector<unsigned char> file;
    Where where = AtKey(key, Relative(path));
    std::string art = ArtCommand(m_folder, key == AutorunButtons);
    if (!ReadWholeFile(path, &file)) {
        Add(kRuleBitmapUnreadable, where, Quoted(key) + " cannot be read", "make it a readable file, or make the artwork again: " + art);
        return false;
    }
    BitmapReading reading = ReadDiscBitmap(file, bitmap);
    if (!reading.loaded) {
        std::string cause = RefusalCause(file);
        if (!cause.empty()) reading.rejection += ": " + cause + ", which the launcher does not read";
        Add(kRuleBitmapRefused, where, Quoted(key) + ": " + reading.rejection, art);
        return false;
    }
    for (const std::string& misread : reading.misreads) Add(kRuleBitmapMisread, where, Quoted(key) + ": " + misread, art);
    return true;
}

void CDiscChecker::CheckFront(const std::string& backdropPath, const std::string& stripPath) {
    DiscBitmap backdrop, strip;
    bool bBackdrop = !backdropPath.empty() && LoadBitmap(AutorunBackdrop, backdropPath, &backdrop);
    bool bStrip = !stripPath.empty() && LoadBitmap(AutorunButtons, stripPath, &strip);
    if (!bStrip) return;
    Where where = AtKey(AutorunButtons, Relative(stripPath));
    char sz[200];
    if (strip.width % kFaceColumns || strip.height % kFrontButtons) {
        SIZE face = StripFaceSize(strip);
        snprintf(sz, sizeof sz, ": %d x %d is not %d x %d faces; each face is %d x %d and the rest is never shown",
                 (int)strip.width, (int)strip.height, kFaceColumns, kFrontButtons, (int)face.cx, (int)face.cy);
        Add(kRuleStripGrid, where, Quoted(AutorunButtons) + sz, "make the strip 5 x 4 faces of equal size: " + ArtCommand(m_folder, true));
    }
    if (!bBackdrop) return;
    if (size_t n = ColoursOutsideTable(backdrop, strip)) {
        snprintf(sz, sizeof sz,
                 ": %zu of its colours are not in the backdrop's colour table, so a 256-colour screen shows them as others", n);
        Add(kRuleStripColours, where, Quoted(AutorunButtons) + sz, ArtCommand(m_folder, true));
    }
    std::string problems;
    for (const std::string& problem : LayoutProblems(backdrop.width, backdrop.height, StripFaceSize(strip)))
        problems += (problems.empty() ? "" : "; ") + problem;
    if (!problems.empty()) Add(kRuleButtonsLayout, AtKey(AutorunButtons), problems);
}

void CDiscChecker::CheckPackage(const std::string& path) {
    Where where = AtKey(SetupMSI, Relative(path));
    CMsiPackage package(path.c_str());
    if (!package.IsOpen()) {
        Add(kRulePackageUnopenable, where, Quoted(SetupMSI) + " does not open as an installer package");
        return;
    }
    if (package.GetProperty("ProductCode").IsEmpty()) {
        Add(kRulePackageNoProductCode, where, Quoted(SetupMSI) + " has no ProductCode: the product never counts as installed");
        return;
    }
    ShortcutPrograms shortcuts = ReadShortcutPrograms(path);
    if (!shortcuts.hasShortcutTable) {
        Add(kRulePackageNoShortcutTable, where, Quoted(SetupMSI) + " has no Shortcut table: the product never counts as installed");
        return;
    }
    if (!package.FindInstalledExe(*m_disc.params()).IsEmpty()) return;

    std::string programs;
    for (const std::string& p : shortcuts.paths)
        programs += (programs.empty() ? "" : ", ") + Cp1252ToUtf8(p.substr(p.rfind('\\') + 1));
    if (programs.empty()) programs = "none";
    std::string exeName = Value(ExeName);
    if (exeName.empty())
        Add(kRulePackageNoProgram, where,
            Quoted(SetupMSI) + " has no shortcut to a program ending in .exe (shortcuts to: " + programs + ")");
    else
        Add(kRuleExeNameUnmatched, AtKey(ExeName),
            Quoted(ExeName) + " ends no shortcut's .exe in the package (shortcuts to: " + programs + ")");
}

void CDiscChecker::CheckDistributedCom() {
    bool bInstaller = !Value(InstDCOM95).empty();
    std::string needed = Value(DCOM95VerNeeded);
    if (!bInstaller) {
        if (!needed.empty())
            Add(kRuleDcomInstallerUnset, AtKey(InstDCOM95), "missing: DCOM95VerNeeded is set, but Distributed COM is never installed");
        return;
    }
    // The launcher reads only the first number, and a 0 never asks for the installer.
    if (needed.empty())
        Add(kRuleDcomVersionUnset, AtKey(DCOM95VerNeeded), "missing: Distributed COM is never installed");
    else if (ReadVersionNumbers(needed.c_str()).n[0] <= 0)
        Add(kRuleDcomVersionZero, AtKey(DCOM95VerNeeded),
            Quoted(DCOM95VerNeeded) + " does not start with a number above 0: Distributed COM is never installed");
}

void CDiscChecker::CheckUpdateFolder(const std::string& path) {
    std::vector<std::string> names;
    if (!ListFolder(path, &names)) {
        Add(kRuleUpdateUnreadable, AtKey(OleAut32_Win9X, Relative(path)), Quoted(OleAut32_Win9X) + " cannot be read");
        return;
    }
    // The launcher stages every file but those of dot names; with none it renames nothing at the restart
    // it asks for, and so asks again.
    bool bStaged = false, bFolders = false;
    for (const std::string& name : names)
        if (name[0] != '.') (IsFolder(path + "/" + name) ? bFolders : bStaged) = true;
    if (!bStaged) {
        Add(kRuleUpdateEmpty, AtKey(OleAut32_Win9X, Relative(path)),
            Quoted(OleAut32_Win9X) + (bFolders ? " holds only folders, which are not staged" : " holds no file") +
                ": on Windows 95 and 98 the launcher stages nothing, yet asks for a restart, and again after it, for ever");
        return;
    }
    for (const std::string& name : names) {
        // Dot names are passed over by the launcher anyway.
        if (name[0] == '.') continue;
        std::string strAnsi;
        Where where = AtKey(OleAut32_Win9X, Relative(path + "/" + name));
        if (IsFolder(path + "/" + name))
            Add(kRuleUpdateSubfolder, where, Quoted(OleAut32_Win9X) + ": \"" + name + "\" is a folder and is not staged");
        else if (!Utf8ToCp1252(name, &strAnsi) || !IsShortName(strAnsi))
            Add(kRuleUpdateLongName, where,
                Quoted(OleAut32_Win9X) + ": \"" + name + "\" is not an 8.3 name; wininit.ini on Windows 9x ignores it");
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
    return (finding.note ? "note: " : "") + finding.key + ": " + finding.reason + "; fix: " + finding.remedy;
}
