#include "kit/check/rules/DiscFiles.h"

const CheckRule kRuleLauncherMissing = {
    "BX0001", "launcher-missing", false, "The launcher is not at the disc's root.",
    "copy bxdisc's launcher (share/bxdisc/setup.exe) to the disc's root, or give your launcher's name with --launcher"};

DiscEntry CheckLauncherThere(CCheckContext& context) {
    const std::string& name = context.options().launcher;
    DiscEntry launcher = context.disc().Find(name);
    if (!launcher.IsFile()) context.Add(kRuleLauncherMissing, context.AtFile(name), "the launcher is not in the folder");
    return launcher;
}

const CheckRule kRuleInfMissing = {
    "BX0002", "autorun-inf-missing", false, "The disc has no Autorun.inf, from which the launcher takes every setting.",
    "write one beside the launcher; bxdisc new DISC --product NAME starts a disc with one"};
const CheckRule kRuleInfUnreadable = {"BX0003", "autorun-inf-unreadable", false, "Autorun.inf cannot be read.",
                                      "make it a readable file (chmod a+r Autorun.inf)"};

bool CheckInfRead(CCheckContext& context) {
    const CDisc& disc = context.disc();
    if (!disc.inf().Found()) {
        context.Add(kRuleInfMissing, context.AtFile(context.infName()), "missing: the launcher takes every setting from it");
        return false;
    }
    context.SetInfName(disc.inf().Relative(context.folder()));
    if (!disc.infRead()) {
        context.Add(kRuleInfUnreadable, context.AtFile(context.infName(), "Autorun.inf"), "cannot be read");
        return false;
    }
    return true;
}

const CheckRule kRuleParamsMissing = {
    "BX0004", "bxparam-missing", false, "Autorun.inf has no [BXPARAM] section, so the launcher finds none of its settings.",
    "add a [BXPARAM] section with at least SetupExe=; bxdisc new writes one with every key explained"};
const CheckRule kRuleInfWide = {"BX0005", "autorun-inf-utf16", false,
                                "Autorun.inf is UTF-16 text; the launcher reads 8-bit text.",
                                "save it as 8-bit text in code page 1252 (iconv -f UTF-16 -t CP1252)"};

bool CheckParamsSection(CCheckContext& context) {
    if (context.HasSection("BXPARAM")) return true;
    const std::vector<unsigned char>& text = context.disc().infText();
    bool bWide = text.size() >= 2 && text[0] == 0xFF && text[1] == 0xFE;
    if (bWide)
        context.Add(kRuleInfWide, context.AtFile(context.infName(), "[BXPARAM]"),
                    "missing: the file is UTF-16, the launcher reads 8-bit text");
    else
        context.Add(kRuleParamsMissing, context.AtFile(context.infName(), "[BXPARAM]"),
                    "missing: the launcher finds none of its settings");
    return false;
}
