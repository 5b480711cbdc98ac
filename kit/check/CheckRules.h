// The check's rules: each finding and note a disc can get, under an id and a
// name that scripts and CI systems may keep (never reuse or renumber one),
// with what it finds and the way out.
#pragma once

#include <cstddef>

struct CheckRule {
    const char* id;       // "BX0101"
    const char* name;     // "setupexe-missing"
    bool note;            // the launcher copes: counts only with --strict
    const char* summary;  // what it finds, in one sentence
    const char* remedy;   // every way out, in general words
};

// Named places in the table, in its order.
enum RuleIndex {
    kRuleLauncherMissing,
    kRuleInfMissing,
    kRuleInfUnreadable,
    kRuleParamsMissing,
    kRuleInfWide,
    kRuleSetupExeMissing,
    kRuleSetupExeToFill,
    kRuleSetupMsiToFill,
    kRuleBackdropUnset,
    kRuleButtonsUnset,
    kRuleProductNameUnset,
    kRuleNameNotOnDisc,
    kRuleNameLeavesDisc,
    kRuleNameWrongKind,
    kRuleStartMissing,
    kRuleStartsOther,
    kRuleStartWithoutSwitch,
    kRuleShellExecuteOnly,
    kRuleSectionIconMissing,
    kRuleSectionLabelMissing,
    kRuleActionIgnored,
    kRuleIconNotOnDisc,
    kRuleIconUnreadable,
    kRuleIconDamaged,
    kRuleIconSizes,
    kRuleIconResources,
    kRuleIconNone,
    kRuleIconIndex,
    kRuleIconNotIcon,
    kRuleLabelLong,
    kRuleAutoPlayOff,
    kRuleBitmapUnreadable,
    kRuleBitmapRefused,
    kRuleBitmapMisread,
    kRuleStripGrid,
    kRuleStripColours,
    kRuleButtonsLayout,
    kRulePackageUnopenable,
    kRulePackageNoProductCode,
    kRulePackageNoShortcutTable,
    kRulePackageNoProgram,
    kRuleExeNameUnmatched,
    kRuleDcomInstallerUnset,
    kRuleDcomVersionUnset,
    kRuleDcomVersionZero,
    kRuleUpdateUnreadable,
    kRuleUpdateSubfolder,
    kRuleUpdateLongName,
    kRuleUpdateEmpty,
    kRuleNamesDifferInCase,
    kRuleNameTooLong,
    kRuleFileTooLarge,
    kRuleFolderTooDeep,
    kRuleLauncherDamaged,
    kRuleLauncherNotAsInvoker,
    kRuleUnsigned,
    kRuleSignatureUntrusted,
    kRuleVerifierMissing,
    kRuleVerifierUnconfined,
    kRuleVerifierCrashed,
    kRuleVerifierTimedOut,
    kRuleSignatureChainUnknown,
    kRuleLinkOnDisc,
    kRuleLauncherNotDpiAware,
    kRuleCount
};

extern const CheckRule kCheckRules[kRuleCount];

inline const CheckRule& Rule(RuleIndex index) { return kCheckRules[index]; }
