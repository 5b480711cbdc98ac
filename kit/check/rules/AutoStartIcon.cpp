#include "kit/check/rules/AutoStartIcon.h"

#include <cstdlib>

#include "kit/disc/DiscFolder.h"
#include "kit/disc/DiscText.h"
#include "kit/disc/WindowsFile.h"

const int kIconSizes[] = {16, 32, 48};

const CheckRule kRuleIconNotOnDisc = {"BX0208", "icon-not-on-disc", false, "icon= names a file that is not on the disc.",
                                      "put the icon there, or name the launcher: icon={launcher}"};
const CheckRule kRuleIconUnreadable = {"BX0209", "icon-unreadable", false, "The file that icon= names cannot be read.",
                                       "make it a readable file, or name the launcher: icon={launcher}"};
const CheckRule kRuleIconDamaged = {
    "BX0210", "icon-damaged", false, "The .ico file that icon= names is damaged: an image lies outside the file.",
    "make the icon again (icotool -c), or name the launcher: icon={launcher}"};
const CheckRule kRuleIconSizes = {
    "BX0211", "icon-sizes", true, "The .ico file lacks a 16, 32 or 48 pixel image, and Explorer scales another.",
    "make it of 16, 32 and 48 pixel images (icotool -c)"};
const CheckRule kRuleIconResources = {"BX0212", "icon-resources-unreadable", false,
                                      "The program that icon= names has resources that cannot be read.",
                                      "name an .ico file, or the launcher: icon={launcher}"};
const CheckRule kRuleIconNone = {"BX0213", "icon-program-without-icon", false, "The program that icon= names has no icon.",
                                 "name an .ico file, or the launcher: icon={launcher}"};
const CheckRule kRuleIconIndex = {"BX0214", "icon-index-out-of-range", false,
                                  "icon= asks for an icon past the program's last, counted from 0.",
                                  "give an index below the number of the program's icons, or none"};
const CheckRule kRuleIconNotIcon = {"BX0215", "icon-not-an-icon", false,
                                    "icon= names a file that is neither an .ico file nor a program.",
                                    "name an .ico file, or the launcher: icon={launcher}"};

static void CheckIconFile(CCheckContext& context, const Where& where, const std::string& quoted,
                          const std::vector<unsigned char>& bytes) {
    std::vector<int> sizes;
    if (!ReadIconSizes(bytes, &sizes)) {
        context.Add(kRuleIconDamaged, where, quoted + " is a damaged icon: an image lies outside the file");
        return;
    }
    std::string lacking;
    for (int want : kIconSizes) {
        bool bHas = false;
        for (int size : sizes) bHas = bHas || size == want;
        if (!bHas) lacking += (lacking.empty() ? "" : ", ") + std::to_string(want) + " x " + std::to_string(want);
    }
    if (!lacking.empty())
        context.Add(kRuleIconSizes, where, quoted + " has no " + lacking + " image: Explorer scales another, which looks poor");
}

static void CheckProgramIcon(CCheckContext& context, const Where& where, const std::string& quoted,
                             const std::vector<unsigned char>& bytes, const std::string& name, long index) {
    std::vector<std::string> icons;
    if (!ReadPeResources(bytes, kResourceGroupIcon, &icons))
        context.Add(kRuleIconResources, where, quoted + ": the program's resources cannot be read, so Explorer finds no icon");
    else if (icons.empty())
        context.Add(kRuleIconNone, where, quoted + " is a program without an icon");
    else if (index >= (long)icons.size())
        context.Add(kRuleIconIndex, where, quoted + ": the program has " + std::to_string(icons.size()) + " icon(s), counted from 0",
                    "icon=" + Cp1252ToUtf8(name));
}

void CheckIcon(CCheckContext& context, const std::string& section, const std::string& value) {
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
    DiscEntry entry = context.disc().Find(name);
    if (!entry.IsFile()) {
        context.Add(kRuleIconNotOnDisc, context.AtAutorun(section, "icon"),
                    quoted + " is not a file in the disc folder: Explorer shows a plain icon");
        return;
    }
    Where where = context.AtAutorun(section, "icon", context.Relative(entry.path));
    std::vector<unsigned char> bytes;
    if (!ReadFileHead(entry.path, kMaxProgramRead, &bytes)) {
        context.Add(kRuleIconUnreadable, where, quoted + " cannot be read");
        return;
    }
    if (bytes.size() >= 4 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1 && bytes[3] == 0)
        CheckIconFile(context, where, quoted, bytes);
    else if (IsPeFile(bytes))
        CheckProgramIcon(context, where, quoted, bytes, name, index);
    // A file of "MZ" alone stands in for a program yet to come.
    else if (bytes.size() < 2 || bytes[0] != 'M' || bytes[1] != 'Z')
        context.Add(kRuleIconNotIcon, where, quoted + " is not an icon: icon= takes an .ico file or a program with an icon");
}
