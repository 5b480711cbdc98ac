#include "kit/check/rules/Windows9x.h"

#include "kit/disc/DiscFolder.h"
#include "kit/disc/DiscText.h"
#include "prereq/VersionInfo.h"

const CheckRule kRuleDcomInstallerUnset = {
    "BX0501", "dcom-installer-unset", false,
    "DCOM95VerNeeded is set, but InstDCOM95 is not: Distributed COM is never installed.",
    "name the installer, such as InstDCOM95=DCOM\\DCOM95.EXE, or remove DCOM95VerNeeded"};
const CheckRule kRuleDcomVersionUnset = {
    "BX0502", "dcom-version-unset", false,
    "InstDCOM95 is set, but DCOM95VerNeeded is not: Distributed COM is never installed.",
    "add the version the product needs, such as DCOM95VerNeeded=4,71,0,1120, or remove InstDCOM95"};
const CheckRule kRuleDcomVersionZero = {
    "BX0503", "dcom-version-zero", false,
    "DCOM95VerNeeded does not start with a number above 0: Distributed COM is never installed.",
    "give four numbers separated by commas, such as DCOM95VerNeeded=4,71,0,1120"};

void CheckDistributedCom(CCheckContext& context) {
    bool bInstaller = !context.Value(InstDCOM95).empty();
    std::string needed = context.Value(DCOM95VerNeeded);
    if (!bInstaller) {
        if (!needed.empty())
            context.Add(kRuleDcomInstallerUnset, context.AtKey(InstDCOM95),
                        "missing: DCOM95VerNeeded is set, but Distributed COM is never installed");
        return;
    }
    // The launcher reads only the first number, and a 0 never asks for the installer.
    if (needed.empty())
        context.Add(kRuleDcomVersionUnset, context.AtKey(DCOM95VerNeeded), "missing: Distributed COM is never installed");
    else if (ReadVersionNumbers(needed.c_str()).n[0] <= 0)
        context.Add(kRuleDcomVersionZero, context.AtKey(DCOM95VerNeeded),
                    context.Quoted(DCOM95VerNeeded) + " does not start with a number above 0: Distributed COM is never installed");
}

const CheckRule kRuleUpdateUnreadable = {
    "BX0504", "update-folder-unreadable", false, "The OleAut32_Win9X folder cannot be read.",
    "make it a readable folder (chmod a+rx), or leave OleAut32_Win9X empty for no update"};
const CheckRule kRuleUpdateSubfolder = {"BX0505", "update-subfolder", false,
                                        "The OleAut32_Win9X folder holds a folder, which is not staged.",
                                        "move the files up into the folder itself"};
const CheckRule kRuleUpdateLongName = {
    "BX0506", "update-long-name", false,
    "A file of the OleAut32_Win9X folder has no 8.3 name, which wininit.ini on Windows 9x ignores.",
    "rename it to 8.3 (at most 8 characters, a dot and 3), as the system's own file is named"};
const CheckRule kRuleUpdateEmpty = {
    "BX0507", "update-folder-empty", false,
    "The OleAut32_Win9X folder holds no file the launcher stages: on Windows 95 and 98 it asks for a restart, and "
    "again after it, for ever.",
    "put the automation library's files (OLEAUT32.DLL and those that come with it) in the folder itself, or leave "
    "OleAut32_Win9X empty for no update"};

void CheckUpdateFolder(CCheckContext& context, const std::string& path) {
    std::string quoted = context.Quoted(OleAut32_Win9X);
    std::vector<std::string> names;
    if (!ListFolder(path, &names)) {
        context.Add(kRuleUpdateUnreadable, context.AtKey(OleAut32_Win9X, context.Relative(path)), quoted + " cannot be read");
        return;
    }
    // The launcher stages every file but those of dot names; with none it renames nothing at the restart
    // it asks for, and so asks again.
    bool bStaged = false, bFolders = false;
    for (const std::string& name : names)
        if (name[0] != '.') (IsFolder(path + "/" + name) ? bFolders : bStaged) = true;
    if (!bStaged) {
        context.Add(kRuleUpdateEmpty, context.AtKey(OleAut32_Win9X, context.Relative(path)),
                    quoted + (bFolders ? " holds only folders, which are not staged" : " holds no file") +
                        ": on Windows 95 and 98 the launcher stages nothing, yet asks for a restart, and again after it, for ever");
        return;
    }
    for (const std::string& name : names) {
        // Dot names are passed over by the launcher anyway.
        if (name[0] == '.') continue;
        std::string strAnsi;
        Where where = context.AtKey(OleAut32_Win9X, context.Relative(path + "/" + name));
        if (IsFolder(path + "/" + name))
            context.Add(kRuleUpdateSubfolder, where, quoted + ": \"" + name + "\" is a folder and is not staged");
        else if (!Utf8ToCp1252(name, &strAnsi) || !IsShortName(strAnsi))
            context.Add(kRuleUpdateLongName, where,
                        quoted + ": \"" + name + "\" is not an 8.3 name; wininit.ini on Windows 9x ignores it");
    }
}
