#include "kit/check/rules/Settings.h"

#include "kit/check/BitmapAdvice.h"

const CheckRule kRuleSetupExeMissing = {
    "BX0101", "setupexe-missing", false,
    "[BXPARAM] has no SetupExe: setup stops with \"Could not find SetupExe in param file\".",
    "add SetupExe= naming the product's setup program, such as SetupExe=Setup\\setup.exe"};
const CheckRule kRuleSetupExeToFill = {
    "BX0102", "setupexe-to-fill", false, "SetupExe is written without a value, as bxdisc new leaves it.",
    "put the product's setup program on the disc and name it, such as SetupExe=Setup\\setup.exe"};
const CheckRule kRuleSetupMsiToFill = {
    "BX0103", "setupmsi-to-fill", false, "SetupMSI is written without a value, as bxdisc new leaves it.",
    "put the product's installer package on the disc and name it, such as SetupMSI=Product.msi; or, for a product "
    "without one, remove the line: the front window then always offers Install"};
const CheckRule kRuleBackdropUnset = {
    "BX0104", "backdrop-unset", false, "The disc starts the front window, but AutorunBackdrop is not set.",
    "make the artwork and name it: bxdisc art DISC --backdrop IMAGE.png --update-inf"};
const CheckRule kRuleButtonsUnset = {
    "BX0105", "buttons-unset", false, "The disc starts the front window, but AutorunButtons is not set.",
    "make the artwork and name it: bxdisc art DISC --backdrop IMAGE.png --update-inf"};
const CheckRule kRuleProductNameUnset = {
    "BX0106", "productname-unset", false, "The disc starts the front window, but ProductName, its caption, is not set.",
    "add ProductName= with the product's name"};

void CheckSettings(CCheckContext& context, bool bFrontWindow) {
    // A key written without its value is one the author has still to fill (bxdisc new writes them so).
    if (context.Value(SetupExe).empty()) {
        if (context.Written(SetupExe))
            context.Add(kRuleSetupExeToFill, context.AtKey(SetupExe), "still to fill: the product's setup program is not named");
        else
            context.Add(kRuleSetupExeMissing, context.AtKey(SetupExe),
                        "missing: setup stops with \"Could not find SetupExe in param file\"");
    }
    if (context.Value(SetupMSI).empty() && context.Written(SetupMSI))
        context.Add(kRuleSetupMsiToFill, context.AtKey(SetupMSI),
                    "still to fill: without a package the front window never offers Run");
    if (!bFrontWindow) return;
    std::string art = ArtCommand(context.folder(), false);
    if (context.Value(AutorunBackdrop).empty())
        context.Add(kRuleBackdropUnset, context.AtKey(AutorunBackdrop), "missing: the front window cannot open", art);
    if (context.Value(AutorunButtons).empty())
        context.Add(kRuleButtonsUnset, context.AtKey(AutorunButtons), "missing: the front window has no buttons", art);
    if (context.Value(ProductName).empty())
        context.Add(kRuleProductNameUnset, context.AtKey(ProductName), "missing: the front window has no caption");
}

const CheckRule kRuleNameNotOnDisc = {
    "BX0107", "name-not-on-disc", false, "A setting names a file or folder that is not on the disc.",
    "put it on the disc at that place, or correct the name (relative to the launcher's folder)"};
const CheckRule kRuleNameLeavesDisc = {
    "BX0108", "name-leaves-disc", false, "A setting names a place above the disc's root.",
    "name a place inside the disc folder, relative to the launcher's folder, without ..\\ past the root"};
const CheckRule kRuleNameWrongKind = {
    "BX0109", "name-wrong-kind", false,
    "A setting names a folder where a file belongs, or a file where a folder belongs.",
    "name a file for the files' keys and a folder for OleAut32_Win9X"};

std::string FindNamed(CCheckContext& context, ParamKey key, bool bFolder) {
    DiscEntry entry = context.disc().Named(key);
    if (entry.value.empty()) return std::string();
    if (entry.leaves) {
        context.Add(kRuleNameLeavesDisc, context.AtKey(key),
                    context.Quoted(key) + " climbs out of the disc folder, which a disc's root does not allow");
        return std::string();
    }
    if (!entry.Found()) {
        // Each key's own way out beside putting the file there.
        const char* other = key == SetupMSI                                   ? "; or remove the line for a product without a package"
                            : key == InstDCOM95 || key == OleAut32_Win9X       ? "; or leave it empty for none"
                            : key == AutorunBackdrop || key == AutorunButtons ? "; or make the artwork: bxdisc art DISC --backdrop IMAGE.png --update-inf"
                                                                              : "";
        context.Add(kRuleNameNotOnDisc, context.AtKey(key), context.Quoted(key) + " is not in the disc folder",
                    context.Remedy(kRuleNameNotOnDisc) + other);
        return std::string();
    }
    if (entry.folder != bFolder) {
        context.Add(kRuleNameWrongKind, context.AtKey(key),
                    context.Quoted(key) + (bFolder ? " is a file, not a folder" : " is a folder, not a file"),
                    bFolder ? "name a folder" : "name a file");
        return std::string();
    }
    return entry.path;
}
