#include "kit/check/rules/LauncherManifest.h"

#include "kit/disc/DiscFolder.h"
#include "kit/disc/WindowsFile.h"

const CheckRule kRuleLauncherDamaged = {
    "BX0701", "launcher-damaged", false, "The launcher's resources cannot be read: it is damaged.",
    "put bxdisc's own launcher on the disc (share/bxdisc/setup.exe; bxdisc new --force)"};
const CheckRule kRuleLauncherNotAsInvoker = {
    "BX0702", "launcher-not-asinvoker", false,
    "The launcher's manifest does not ask for asInvoker, so Windows takes it for an installer and asks for an "
    "administrator first.",
    "put bxdisc's own launcher on the disc (share/bxdisc/setup.exe)"};
const CheckRule kRuleLauncherNotDpiAware = {
    "BX0710", "launcher-not-dpi-aware", true,
    "The launcher's manifest does not declare it DPI-aware: at 125 to 200% scaling Windows 8.1 to 11 stretch its "
    "front window and blur it.",
    "use the launcher bxdisc ships (bxdisc new, or copy share/bxdisc/setup.exe), or add <dpiAware>true</dpiAware> to "
    "its manifest"};

void CheckManifest(CCheckContext& context, const std::string& path) {
    std::vector<unsigned char> bytes;
    if (!ReadFileHead(path, kMaxProgramRead, &bytes) || !IsPeFile(bytes)) return;
    std::vector<std::string> manifests;
    Where where = context.AtFile(context.Relative(path), context.options().launcher);
    if (!ReadPeResources(bytes, kResourceManifest, &manifests)) {
        context.Add(kRuleLauncherDamaged, where, "the launcher's resources cannot be read: it is damaged");
        return;
    }
    ManifestRequests requests = ReadManifests(manifests);
    if (!requests.asInvoker)
        context.Add(kRuleLauncherNotAsInvoker, where,
                    "the launcher's manifest does not ask for asInvoker: Windows takes a program of its name for an "
                    "installer and asks for an administrator before the front window opens");
    if (!requests.dpiAware)
        context.Add(kRuleLauncherNotDpiAware, where,
                    "the launcher's manifest does not declare it DPI-aware: at 125 to 200% scaling Windows 8.1 to 11 "
                    "stretch its front window and blur it");
}
