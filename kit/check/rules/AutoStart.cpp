#include "kit/check/rules/AutoStart.h"

#include <strings.h>

#include "kit/check/rules/AutoStartIcon.h"
#include "kit/disc/DiscText.h"

const size_t kExplorerLabel = 32;  // what Explorer shows of a drive's name
// Windows of these processors read their own section instead of [autorun], and nothing else of the file.
const char* const kArchitectureSections[] = {"AutoRun.Amd64", "AutoRun.Ia64", "AutoRun.Alpha", "AutoRun.Mips",
                                             "AutoRun.Ppc"};

const CheckRule kRuleStartsOther = {"BX0202", "autorun-starts-other", false,
                                    "The disc's automatic start runs another program than the launcher.",
                                    "start the launcher: {key}={launcher} /autorun"};
const CheckRule kRuleStartWithoutSwitch = {
    "BX0203", "autorun-start-without-switch", false,
    "The disc's automatic start runs the launcher without /autorun, which goes straight to setup.",
    "add the switch: {key}={launcher} /autorun"};

static bool CheckStart(CCheckContext& context, const std::string& section, const char* key, const std::string& command,
                const std::string& prefix) {
    AutorunOpen start = ReadAutorunOpen(command.c_str());
    const std::string& launcher = context.options().launcher;
    if (!NamesLauncher(start.program, launcher)) {
        context.Add(kRuleStartsOther, context.AtAutorun(section, key),
                    prefix + "starts \"" + Cp1252ToUtf8(start.program) + "\", not the launcher " + launcher,
                    context.Remedy(kRuleStartsOther, key));
        return false;
    }
    if (!start.autorunSwitch) {
        context.Add(kRuleStartWithoutSwitch, context.AtAutorun(section, key),
                    prefix + "starts the launcher without /autorun: it goes straight to setup",
                    context.Remedy(kRuleStartWithoutSwitch, key));
        return false;
    }
    return true;
}

const CheckRule kRuleStartMissing = {
    "BX0201", "autorun-start-missing", false,
    "An [autorun] section has neither open= nor shellexecute=: the disc's automatic start does not run the launcher.",
    "add open={launcher} /autorun to the section"};
const CheckRule kRuleShellExecuteOnly = {
    "BX0204", "autorun-shellexecute-only", true,
    "The automatic start is given by shellexecute= alone, which only Windows XP SP2 and later read.",
    "add open={launcher} /autorun, which every Windows reads"};

// The section's open= and shellexecute=; reader: who reads this section alone, for an architecture's.
static bool CheckStarts(CCheckContext& context, const std::string& section, const std::string& reader) {
    std::string open, shell;
    bool bOpen = context.AutorunValue(section.c_str(), "open", &open) && !Trim(open).empty();
    bool bShell = context.AutorunValue(section.c_str(), "shellexecute", &shell) && !Trim(shell).empty();
    std::string prefix = reader.empty() ? "" : reader + " reads only this section: ";
    if (!bOpen && !bShell) {
        context.Add(kRuleStartMissing, context.AtAutorun(section, "open"),
                    prefix + "missing: the disc's automatic start does not run the launcher");
        return false;
    }
    bool bStarts = (!bOpen || CheckStart(context, section, "open", open, prefix)) &&
                   (!bShell || CheckStart(context, section, "shellexecute", shell, prefix));
    // 64-bit Windows came after XP SP2: only [autorun] meets older systems.
    if (bStarts && !bOpen && reader.empty())
        context.Add(kRuleShellExecuteOnly, context.AtAutorun(section, "shellexecute"),
                    "Windows XP SP2 and later read shellexecute=; older systems read only open=, and do not start the launcher");
    return bStarts;
}

const CheckRule kRuleActionIgnored = {"BX0207", "autorun-action-ignored", true,
                                      "[autorun] has action=, which a CD or DVD ignores.",
                                      "remove it, unless the disc is also copied to USB sticks"};
const CheckRule kRuleSectionIconMissing = {
    "BX0205", "autorun-icon-missing", true,
    "An [autorun] section has no icon=: Explorer shows the drive with a plain icon.",
    "add icon={launcher} (the launcher's own icon) to the section"};
const CheckRule kRuleLabelLong = {"BX0216", "label-too-long", true,
                                  "label= is longer than the 32 characters Explorer shows of a drive's name.",
                                  "shorten it to 32 characters"};

static void CheckAutorunKeys(CCheckContext& context, const std::string& section) {
    const std::string& launcher = context.options().launcher;
    std::string value;
    if (context.AutorunValue(section.c_str(), "action", &value))
        context.Add(kRuleActionIgnored, context.AtAutorun(section, "action"),
                    "a CD or DVD ignores it (Windows takes action= only from removable and fixed drives); AutoPlay "
                    "offers \"Run " + launcher + "\" with the publisher of a signed launcher instead");
    if (context.AutorunValue(section.c_str(), "icon", &value) && !Trim(value).empty())
        CheckIcon(context, section, Trim(value));
    else
        context.Add(kRuleSectionIconMissing, context.AtAutorun(section, "icon"),
                    "missing: Explorer shows the drive with a plain icon", "icon=" + launcher + " (the launcher's own icon)");
    if (context.AutorunValue(section.c_str(), "label", &value) && value.size() > kExplorerLabel)
        context.Add(kRuleLabelLong, context.AtAutorun(section, "label"),
                    "\"" + Cp1252ToUtf8(value) + "\" has " + std::to_string(value.size()) + " characters: Explorer shows " +
                        std::to_string(kExplorerLabel) + " of a drive's name");
}

const CheckRule kRuleSectionLabelMissing = {
    "BX0206", "autorun-label-missing", true,
    "An architecture's [AutoRun.*] section has no label= though [autorun] has one: that Windows reads only its own "
    "section.",
    "copy the label= line into the section"};

static void CheckArchitectureSection(CCheckContext& context, const std::string& section) {
    std::string reader = strcasecmp(section.c_str(), "AutoRun.Amd64") == 0 ? "64-bit Windows (x64)"
                         : strcasecmp(section.c_str(), "AutoRun.Ia64") == 0 ? "Windows on Itanium"
                                                                             : "Windows on that processor";
    CheckStarts(context, section, reader);
    CheckAutorunKeys(context, section);
    std::string value;
    if (!context.AutorunValue(section.c_str(), "label", &value) && context.AutorunValue("autorun", "label", &value))
        context.Add(kRuleSectionLabelMissing, context.AtAutorun(section, "label"),
                    "missing: " + reader + " reads only this section and shows the disc's volume label instead of \"" +
                        Cp1252ToUtf8(value) + "\"",
                    "copy label=" + Cp1252ToUtf8(value) + " into the section");
}

bool CheckAutoStart(CCheckContext& context) {
    bool bFrontWindow = false;
    if (context.HasSection("autorun")) {
        CheckAutorunKeys(context, "autorun");
        bFrontWindow = CheckStarts(context, "autorun", "");
    }
    for (const char* section : kArchitectureSections)
        if (context.HasSection(section)) CheckArchitectureSection(context, section);
    return bFrontWindow;
}

const CheckRule kRuleAutoPlayOff = {
    "BX0217", "autoplay-off", true,
    "Where AutoPlay is off, as on many machines, a double-click on the launcher goes straight to setup.",
    "tell people on the disc's label or in its README to start the disc from AutoPlay, or that setup starts directly"};

void CheckAutoPlay(CCheckContext& context) {
    Where where = context.AtAutorun("autorun", "open");
    where.key = "AutoPlay";
    context.Add(kRuleAutoPlayOff, where,
                "where it is off, as on many machines, people double-click " + context.options().launcher +
                    ", which then goes straight to setup, without the front window",
                "tell them on the disc's label or in its README to start the disc from AutoPlay");
}
