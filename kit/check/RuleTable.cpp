#include "kit/check/RuleTable.h"

#include "kit/check/rules/Artwork.h"
#include "kit/check/rules/AutoStart.h"
#include "kit/check/rules/AutoStartIcon.h"
#include "kit/check/rules/DiscFiles.h"
#include "kit/check/rules/LauncherManifest.h"
#include "kit/check/rules/NamesAndSizes.h"
#include "kit/check/rules/Package.h"
#include "kit/check/rules/Settings.h"
#include "kit/check/rules/Signatures.h"
#include "kit/check/rules/Windows9x.h"

// Ids group the rules: BX00 the disc's own files, BX01 the settings, BX02 the
// automatic start, BX03 the artwork, BX04 the package, BX05 Windows 95/98,
// BX06 names and sizes, BX07 what Windows 10 and 11 ask of programs. The list
// keeps the order in which rules came, so that a rule keeps its place in
// every log; a new rule goes at the end.
const CheckRule* const kCheckRules[] = {
    &kRuleLauncherMissing, &kRuleInfMissing, &kRuleInfUnreadable, &kRuleParamsMissing, &kRuleInfWide,

    &kRuleSetupExeMissing, &kRuleSetupExeToFill, &kRuleSetupMsiToFill, &kRuleBackdropUnset, &kRuleButtonsUnset,
    &kRuleProductNameUnset, &kRuleNameNotOnDisc, &kRuleNameLeavesDisc, &kRuleNameWrongKind,

    &kRuleStartMissing, &kRuleStartsOther, &kRuleStartWithoutSwitch, &kRuleShellExecuteOnly,
    &kRuleSectionIconMissing, &kRuleSectionLabelMissing, &kRuleActionIgnored, &kRuleIconNotOnDisc,
    &kRuleIconUnreadable, &kRuleIconDamaged, &kRuleIconSizes, &kRuleIconResources, &kRuleIconNone, &kRuleIconIndex,
    &kRuleIconNotIcon, &kRuleLabelLong, &kRuleAutoPlayOff,

    &kRuleBitmapUnreadable, &kRuleBitmapRefused, &kRuleBitmapMisread, &kRuleStripGrid, &kRuleStripColours,
    &kRuleButtonsLayout,

    &kRulePackageUnopenable, &kRulePackageNoProductCode, &kRulePackageNoShortcutTable, &kRulePackageNoProgram,
    &kRuleExeNameUnmatched,

    &kRuleDcomInstallerUnset, &kRuleDcomVersionUnset, &kRuleDcomVersionZero, &kRuleUpdateUnreadable,
    &kRuleUpdateSubfolder, &kRuleUpdateLongName, &kRuleUpdateEmpty,

    &kRuleNamesDifferInCase, &kRuleNameTooLong, &kRuleFileTooLarge, &kRuleFolderTooDeep,

    &kRuleLauncherDamaged, &kRuleLauncherNotAsInvoker, &kRuleUnsigned, &kRuleSignatureUntrusted, &kRuleVerifierMissing,
    &kRuleVerifierUnconfined, &kRuleVerifierCrashed, &kRuleVerifierTimedOut, &kRuleSignatureChainUnknown,

    // Those that came later.
    &kRuleLinkOnDisc, &kRuleLauncherNotDpiAware,
};

const size_t kCheckRuleCount = sizeof kCheckRules / sizeof kCheckRules[0];

size_t RuleIndex(const CheckRule& rule) {
    size_t i = 0;
    while (i < kCheckRuleCount && kCheckRules[i] != &rule) ++i;
    return i;
}
