#include "kit/check/rules/Package.h"

#include "msi/MsiPackage.h"
#include "platform/linux/Cp1252.h"
#include "platform/linux/ShortcutPrograms.h"

const CheckRule kRulePackageUnopenable = {
    "BX0401", "package-unopenable", false, "SetupMSI names a file that does not open as an installer package.",
    "name the product's .msi package; or, for a product without one, remove the line"};
const CheckRule kRulePackageNoProductCode = {
    "BX0402", "package-no-productcode", false, "The package has no ProductCode, so the product never counts as installed.",
    "build the package with a ProductCode (WiX: Product Id)"};
const CheckRule kRulePackageNoShortcutTable = {
    "BX0403", "package-no-shortcut-table", false,
    "The package has no Shortcut table, so the product never counts as installed.",
    "give the product's program a shortcut in the package, its file the key path of the shortcut's component"};
const CheckRule kRulePackageNoProgram = {
    "BX0404", "package-no-program-shortcut", false,
    "No shortcut of the package leads to a program ending in .exe, so Run is never offered.",
    "give the product's program a shortcut in the package, its file the key path of the shortcut's component"};
const CheckRule kRuleExeNameUnmatched = {
    "BX0405", "exename-unmatched", false,
    "ExeName ends no program that a shortcut of the package leads to, so Run is never offered.",
    "set ExeName to the end of the program's name (e.g. Product.exe), or remove it to take the first program with a "
    "shortcut"};

void CheckPackage(CCheckContext& context, const std::string& path) {
    Where where = context.AtKey(SetupMSI, context.Relative(path));
    std::string quoted = context.Quoted(SetupMSI);
    CMsiPackage package(path.c_str());
    if (!package.IsOpen()) {
        context.Add(kRulePackageUnopenable, where, quoted + " does not open as an installer package");
        return;
    }
    if (package.GetProperty("ProductCode").IsEmpty()) {
        context.Add(kRulePackageNoProductCode, where, quoted + " has no ProductCode: the product never counts as installed");
        return;
    }
    ShortcutPrograms shortcuts = ReadShortcutPrograms(path);
    if (!shortcuts.hasShortcutTable) {
        context.Add(kRulePackageNoShortcutTable, where, quoted + " has no Shortcut table: the product never counts as installed");
        return;
    }
    if (!package.FindInstalledExe(*context.disc().params()).IsEmpty()) return;

    std::string programs;
    for (const std::string& p : shortcuts.paths)
        programs += (programs.empty() ? "" : ", ") + Cp1252ToUtf8(p.substr(p.rfind('\\') + 1));
    if (programs.empty()) programs = "none";
    if (context.Value(ExeName).empty())
        context.Add(kRulePackageNoProgram, where,
                    quoted + " has no shortcut to a program ending in .exe (shortcuts to: " + programs + ")");
    else
        context.Add(kRuleExeNameUnmatched, context.AtKey(ExeName),
                    context.Quoted(ExeName) + " ends no shortcut's .exe in the package (shortcuts to: " + programs + ")");
}
