#include "kit/check/rules/NamesAndSizes.h"

#include <map>

#include "kit/disc/DiscFolder.h"
#include "kit/disc/DiscText.h"

const size_t kJolietName = 64, kJolietLongName = 103;  // UCS-2 characters
const uint64_t kPlainIsoFile = 0xFFFFFFFFull;
const int kIsoLevels = 8;  // the root is the first

// UTF-16 code units of a UTF-8 name, as Joliet counts them.
static size_t Ucs2Length(const std::string& name) {
    size_t n = 0;
    for (unsigned char c : name) n += (c & 0xC0) != 0x80 ? (c >= 0xF0 ? 2 : 1) : 0;
    return n;
}

const CheckRule kRuleNamesDifferInCase = {
    "BX0601", "names-differ-in-case", false,
    "Two names in one folder differ only in case: Windows sees one name, and one of the files is lost.",
    "rename one of them"};
const CheckRule kRuleNameTooLong = {"BX0602", "name-too-long", false,
                                    "A name is longer than Joliet, which Windows reads, holds (64 characters).",
                                    "shorten it, or up to 103 characters with bxdisc image --large"};
const CheckRule kRuleFileTooLarge = {"BX0603", "file-too-large", false,
                                     "A file of 4 GiB or more, which plain ISO 9660 cannot hold.",
                                     "make the image with bxdisc image --large (ISO 9660 level 3), or split the file"};
const CheckRule kRuleFolderTooDeep = {"BX0604", "folder-too-deep", true,
                                      "A folder lies deeper than ISO 9660's 8 levels, and some readers miss what is in it.",
                                      "move it up"};
const CheckRule kRuleLinkOnDisc = {
    "BX0605", "symbolic-link", true,
    "A symbolic link: the image records it as a Rock Ridge link, which Windows does not read, and leaves it out of the "
    "Joliet names that Windows reads, so Windows sees no such file or folder.",
    "put the file or folder itself in the link's place (cp -rL copies what a link leads to)"};

void CheckNames(CCheckContext& context) {
    bool bLarge = context.options().large;
    const size_t nLimit = bLarge ? kJolietLongName : kJolietName;
    std::map<std::string, std::string> folded;  // parent and folded name: the first name seen
    WalkDisc(context.folder(), [&](const DiscWalkEntry& e) {
        Where where = context.AtFile(e.relative);
        if (e.link) {
            context.Add(kRuleLinkOnDisc, where,
                        "a symbolic link: the image records it as a Rock Ridge link and leaves it out of the Joliet names "
                        "that Windows reads, so Windows sees no such file or folder");
            return;
        }
        std::string parent = e.relative.substr(0, e.relative.size() - e.name.size());
        auto twin = folded.insert({parent + FoldName(e.name), e.relative});
        if (!twin.second)
            context.Add(kRuleNamesDifferInCase, where,
                        "\"" + twin.first->second + "\" and it differ only in case: Windows sees one name, and one of the two is lost");
        size_t n = Ucs2Length(e.name);
        if (n > nLimit)
            context.Add(kRuleNameTooLong, where,
                        "a name of " + std::to_string(n) + " characters: Joliet, which Windows reads, holds " + std::to_string(nLimit),
                        bLarge ? "shorten it" : "shorten it, or up to 103 with bxdisc image --large");
        if (!e.folder && e.size > kPlainIsoFile && !bLarge)
            context.Add(kRuleFileTooLarge, where, "a file of 4 GiB or more, which plain ISO 9660 cannot hold");
        if (e.folder && e.depth + 2 == kIsoLevels + 1)
            context.Add(kRuleFolderTooDeep, where,
                        "a folder " + std::to_string(kIsoLevels + 1) + " levels deep, counting the disc's root: ISO 9660 holds " +
                            std::to_string(kIsoLevels) + ", and some readers miss what lies deeper");
    });
}
