#include "kit/check/DiscCheck.h"

#include "kit/check/CheckContext.h"
#include "kit/check/rules/Artwork.h"
#include "kit/check/rules/AutoStart.h"
#include "kit/check/rules/DiscFiles.h"
#include "kit/check/rules/LauncherManifest.h"
#include "kit/check/rules/NamesAndSizes.h"
#include "kit/check/rules/Package.h"
#include "kit/check/rules/Settings.h"
#include "kit/check/rules/Signatures.h"
#include "kit/check/rules/Windows9x.h"

CheckResult CheckDisc(const CDisc& disc, const DiscCheckOptions& options, std::vector<Finding>* findings) {
    CCheckContext context(disc, options, findings);
    DiscEntry launcher = CheckLauncherThere(context);
    CheckNames(context);
    if (!CheckInfRead(context)) return kDiscFindings;
    bool bFrontWindow = CheckAutoStart(context);
    if (!CheckParamsSection(context)) return kDiscFindings;
    CheckSettings(context, bFrontWindow);

    std::string backdrop = FindNamed(context, AutorunBackdrop, false);
    std::string strip = FindNamed(context, AutorunButtons, false);
    std::string package = FindNamed(context, SetupMSI, false);
    std::string setup = FindNamed(context, SetupExe, false);
    std::string dcom = FindNamed(context, InstDCOM95, false);
    std::string update = FindNamed(context, OleAut32_Win9X, true);

    CheckArtwork(context, backdrop, strip);
    if (!package.empty()) CheckPackage(context, package);
    CheckDistributedCom(context);
    if (!update.empty()) CheckUpdateFolder(context, update);
    if (launcher.IsFile()) {
        CheckManifest(context, launcher.path);
        CheckSignature(context, context.AtFile(context.Relative(launcher.path), options.launcher), "the launcher",
                       launcher.path);
    }
    if (!setup.empty())
        CheckSignature(context, context.AtKey(SetupExe, context.Relative(setup)), context.Quoted(SetupExe), setup);
    if (!dcom.empty())
        CheckSignature(context, context.AtKey(InstDCOM95, context.Relative(dcom)), context.Quoted(InstDCOM95), dcom);
    if (!package.empty())
        CheckSignature(context, context.AtKey(SetupMSI, context.Relative(package)), context.Quoted(SetupMSI), package);
    if (bFrontWindow) CheckAutoPlay(context);
    for (const Finding& f : *findings)
        if (!f.note || options.strict) return kDiscFindings;
    return kDiscClean;
}

CheckResult CheckDisc(const std::string& folder, const DiscCheckOptions& options, std::vector<Finding>* findings) {
    CDisc disc;
    if (!disc.Open(folder)) return kDiscUnreadable;
    return CheckDisc(disc, options, findings);
}

std::string FormatFinding(const Finding& finding) {
    return (finding.note ? "note: " : "") + finding.key + ": " + finding.reason + "; fix: " + finding.remedy;
}
