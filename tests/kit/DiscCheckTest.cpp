// One disc per finding: a clean disc changed in one way gives exactly that
// finding (or note), or none where the launcher copes as the author meant.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>

#include "TestDisc.h"
#include "kit/check/DiscCheck.h"
#include "kit/check/rules/Signatures.h"
#include "kit/disc/DiscFolder.h"

namespace {

struct DiscCase {
    const char* name;
    std::function<void(TestDisc&)> change;
    const char* key;     // null: the disc stays clean
    const char* reason;  // part of the finding's reason
    bool note = false;   // a note, beside those of the clean disc
};

// gtest names each case by its name, not by its bytes (padding among them).
void PrintTo(const DiscCase& c, std::ostream* os) { *os << c.name; }

std::string Big(char c, size_t n) { return std::string(n, c); }
const std::string kLongName = "Docs/" + Big('n', 65);
void Autorun(TestDisc& d, const std::string& keys) { d.autorunSection = "[autorun]\r\nopen=setup.exe /autorun\r\n" + keys; }
const PeResource kGroupIcon = {14, std::string(20, '\1')};
void Launcher(TestDisc& d, const std::string& manifest, bool b64Bit = false) {
    d.Write("setup.exe", MakePe({kGroupIcon, {24, manifest}}, b64Bit));
}
std::string DpiAware(const std::string& value) {
    return "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">" + value + "</dpiAware>";
}
std::string DpiAwareness(const std::string& value) {
    return "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">" + value + "</dpiAwareness>";
}

BmpSpec Strip(int width, int height) {
    BmpSpec desc;
    desc.width = width;
    desc.height = height;
    return desc;
}

void Package(TestDisc& d, const PackageSpec& desc) { MakePackage(d.folder() + "/Product.msi", desc); }

const DiscCase kCases[] = {
    {"Clean", [](TestDisc&) {}, nullptr, nullptr},
    // Names as Windows finds them on a disc.
    {"NameInOtherCase", [](TestDisc& d) { d.SetKey("AutorunBackdrop", "BACK.BMP"); }, nullptr, nullptr},
    {"FolderInOtherCase", [](TestDisc& d) { d.SetKey("SetupExe", "setup\\SETUP32.exe"); }, nullptr, nullptr},
    {"ForwardSlash", [](TestDisc& d) { d.SetKey("SetupExe", "Setup/setup32.exe"); }, nullptr, nullptr},
    {"QuotedValue", [](TestDisc& d) { d.SetKey("SetupExe", "\"Setup\\setup32.exe\""); }, nullptr, nullptr},
    {"UpdateFolderWithBackslash", [](TestDisc& d) { d.SetKey("OleAut32_Win9X", "OLE\\"); }, nullptr, nullptr},
    {"NameFoldedInCodePage", [](TestDisc& d) { d.Write("CAF\xC3\x89/x.exe", "MZ"), d.SetKey("SetupExe", "caf\xE9\\x.exe"); },
     nullptr, nullptr},
    // Only the exact name is a bitmap: it wins whichever is listed first. Windows, though, sees one name.
    {"ExactNameListedLast", [](TestDisc& d) { d.Write("BACK.BMP", "not a bitmap"); }, "back.bmp", "differ only in case"},
    {"ExactNameListedFirst",
     [](TestDisc& d) { d.Write("BACK.BMP", MakeBmp(BmpSpec())), d.Write("back.bmp", "x"), d.SetKey("AutorunBackdrop", "BACK.BMP"); },
     "back.bmp", "\"BACK.BMP\" and it differ only in case"},
    // Keys the author clearly needs.
    {"NoSetupExe", [](TestDisc& d) { d.SetKey("SetupExe", nullptr); }, "SetupExe", "missing"},
    // Keys written without a value, as bxdisc new leaves them for the author.
    {"SetupExeToFill", [](TestDisc& d) { d.SetKey("SetupExe", ""); }, "SetupExe",
     "still to fill: the product's setup program is not named; fix: put the product's setup program"},
    {"PackageToFill", [](TestDisc& d) { d.SetKey("SetupMSI", ""); }, "SetupMSI",
     "fix: put the product's installer package on the disc and name it, such as SetupMSI=Product.msi; or, for a product without one, "
     "remove the line: the front window then always offers Install"},
    {"NoBackdropKey", [](TestDisc& d) { d.SetKey("AutorunBackdrop", nullptr); }, "AutorunBackdrop", "missing"},
    {"NoButtonsKey", [](TestDisc& d) { d.SetKey("AutorunButtons", nullptr); }, "AutorunButtons", "missing"},
    {"NoProductName", [](TestDisc& d) { d.SetKey("ProductName", nullptr); }, "ProductName", "caption"},
    {"NoFrontWindowWithoutAutorun",
     [](TestDisc& d) {
         d.autorunSection = "";
         d.SetKey("ProductName", nullptr);
         d.SetKey("AutorunBackdrop", nullptr);
         d.SetKey("AutorunButtons", nullptr);
     },
     nullptr, nullptr},
    {"NoSection", [](TestDisc& d) { d.writeInf = false, d.Write("Autorun.inf", "[autorun]\r\nopen=setup.exe /autorun\r\n"); },
     "[BXPARAM]", "missing"},
    // Files and folders named by keys.
    {"BackdropAbsent", [](TestDisc& d) { d.Remove("back.bmp"); }, "AutorunBackdrop", "not in the disc folder"},
    {"SetupExeAbsent", [](TestDisc& d) { d.Remove("Setup/setup32.exe"); }, "SetupExe", "not in the disc folder"},
    {"PackageAbsent", [](TestDisc& d) { d.Remove("Product.msi"); }, "SetupMSI", "not in the disc folder"},
    {"DcomInstallerAbsent", [](TestDisc& d) { d.Remove("DCOM"); }, "InstDCOM95", "not in the disc folder"},
    {"UpdateFolderAbsent", [](TestDisc& d) { d.Remove("OLE"); }, "OleAut32_Win9X", "not in the disc folder"},
    {"UpdateFolderIsFile", [](TestDisc& d) { d.SetKey("OleAut32_Win9X", "setup.exe"); }, "OleAut32_Win9X", "not a folder"},
    // A pipe is read by no one: the check must not wait on it.
    {"SetupExeIsPipe", [](TestDisc& d) { d.Remove("Setup/setup32.exe"), mkfifo((d.folder() + "/Setup/setup32.exe").c_str(), 0600); },
     nullptr, nullptr},
    {"SetupExeIsFolder", [](TestDisc& d) { d.SetKey("SetupExe", "Setup"); }, "SetupExe", "not a file"},
    {"NameClimbsOut", [](TestDisc& d) { d.SetKey("SetupExe", "Setup\\..\\..\\setup.exe"); }, "SetupExe", "climbs out of the disc folder"},
    // Bitmaps as the loader reads them.
    {"EmptyBackdrop", [](TestDisc& d) { d.Write("back.bmp", ""); }, "AutorunBackdrop", "empty"},
    {"BackdropOfText", [](TestDisc& d) { d.Write("back.bmp", "not a bitmap at all, but text"); }, "AutorunBackdrop", "refuses"},
    // Only the strip's remedy makes faces.
    {"BackdropRemedyMakesNoFaces", [](TestDisc& d) { d.Write("back.bmp", "text"); }, "AutorunBackdrop",
     " --backdrop IMAGE.png --update-inf"},
    {"StripRemedyMakesFaces", [](TestDisc& d) { d.Write("buttons.bmp", "text"); }, "AutorunButtons",
     " --backdrop IMAGE.png --sheet FACES.png --update-inf"},
    {"TrueColourWithoutTable",
     [](TestDisc& d) {
         BmpSpec s;
         s.bitCount = 24;
         d.Write("back.bmp", MakeBmp(s));
     },
     "AutorunBackdrop", "24 bits per pixel without a colour table, which the launcher does not read; fix: bxdisc art "},
    {"ImageMagickDefaultBmp",
     [](TestDisc& d) {
         BmpSpec s;
         s.infoSize = 124;
         s.compression = 1;
         d.Write("back.bmp", MakeBmp(s));
     },
     "AutorunBackdrop", "a 124-byte information header (ImageMagick's and GIMP's default) and compression 1 (RLE8)"},
    {"VersionFourHeader",
     [](TestDisc& d) {
         BmpSpec s;
         s.infoSize = 108;
         d.Write("back.bmp", MakeBmp(s));
     },
     "AutorunBackdrop", "a 108-byte information header (ImageMagick's and GIMP's default), which"},
    {"StripWithItsOwnPalette",
     [](TestDisc& d) {
         BmpSpec s = Strip(500, 160);
         s.tableXor = 1;
         d.Write("buttons.bmp", MakeBmp(s));
     },
     "AutorunButtons", "1 of its colours are not in the backdrop's colour table"},
    {"BitsNotAfterTable",
     [](TestDisc& d) {
         BmpSpec s;
         s.offBitsDelta = 16;
         d.Write("back.bmp", MakeBmp(s));
     },
     "AutorunBackdrop", "right after the colour table"},
    {"BitsInsideTable",
     [](TestDisc& d) {
         BmpSpec s;
         s.offBitsDelta = -16;
         d.Write("back.bmp", MakeBmp(s));
     },
     "AutorunBackdrop", "right after the colour table"},
    {"TopDownBackdrop", [](TestDisc& d) { BmpSpec s; s.height = -300; d.Write("back.bmp", MakeBmp(s)); }, nullptr, nullptr},
    {"TopDownStripWithItsOwnPalette",
     [](TestDisc& d) {
         BmpSpec s = Strip(500, -160);
         s.tableXor = 1;
         d.Write("buttons.bmp", MakeBmp(s));
     },
     "AutorunButtons", "1 of its colours are not in the backdrop's colour table"},
    {"ShortFile",
     [](TestDisc& d) {
         BmpSpec s;
         s.cut = 100;
         d.Write("back.bmp", MakeBmp(s));
     },
     "AutorunBackdrop", "reads as zeros"},
    {"StripNotFiveByFour", [](TestDisc& d) { d.Write("buttons.bmp", MakeBmp(Strip(503, 163))); }, "AutorunButtons", "not 5 x 4 faces"},
    {"StripNotFiveAcross", [](TestDisc& d) { d.Write("buttons.bmp", MakeBmp(Strip(503, 160))); }, "AutorunButtons", "not 5 x 4 faces"},
    {"StripNotFourDown", [](TestDisc& d) { d.Write("buttons.bmp", MakeBmp(Strip(500, 163))); }, "AutorunButtons", "not 5 x 4 faces"},
    {"ButtonsOverlap", [](TestDisc& d) { d.Write("buttons.bmp", MakeBmp(Strip(750, 160))); }, "AutorunButtons",
     "the run button (10,250)-(160,290) and the setup again button (80,250)-(230,290) overlap when the product is installed"},
    {"ButtonsLeaveBackdrop", [](TestDisc& d) { d.Write("buttons.bmp", MakeBmp(Strip(500, 1280))); }, "AutorunButtons",
     "leaves the 400 x 300 backdrop"},
    // The package.
    {"PackageOfText", [](TestDisc& d) { d.Write("Product.msi", "MZ but no package"); }, "SetupMSI", "does not open"},
    {"NoProductCode", [](TestDisc& d) { PackageSpec s; s.productCode = false; Package(d, s); }, "SetupMSI", "no ProductCode"},
    {"NoShortcutTable", [](TestDisc& d) { PackageSpec s; s.shortcutTable = false; Package(d, s); }, "SetupMSI", "no Shortcut table"},
    {"ShortcutToReadmeOnly", [](TestDisc& d) { PackageSpec s; s.shortcuts = {{"Readme", "Readme.txt"}}; Package(d, s); },
     "ExeName", "shortcuts to: Readme.txt"},
    {"ExeNameOfOtherProgram", [](TestDisc& d) { d.SetKey("ExeName", "Other.exe"); }, "ExeName", "Brindle.exe"},
    {"NoExeNameTakesFirstProgram", [](TestDisc& d) { d.SetKey("ExeName", nullptr); }, nullptr, nullptr},
    {"NoExeNameNoProgram",
     [](TestDisc& d) {
         d.SetKey("ExeName", nullptr);
         PackageSpec s;
         s.shortcuts = {{"Readme", "Readme.txt"}};
         Package(d, s);
     },
     "SetupMSI", "no shortcut to a program"},
    {"ExeNameIsPlainEnding", [](TestDisc& d) { d.SetKey("ExeName", "DLE.EXE"); }, nullptr, nullptr},
    {"ExeNameWithFolder", [](TestDisc& d) { d.SetKey("ExeName", "Brindle Product\\Brindle.exe"); }, nullptr, nullptr},
    {"ExeNameWithFolderOfTargetAndSource",
     [](TestDisc& d) {
         PackageSpec s;
         s.installDir = "BRINDLE|Brindle Product:SRC|Source Files";
         Package(d, s);
         d.SetKey("ExeName", "Brindle Product\\Brindle.exe");
     },
     nullptr, nullptr},
    {"SecondShortcutMatches",
     [](TestDisc& d) {
         PackageSpec s;
         s.shortcuts = {{"A", "Readme.txt"}, {"B", "Brindle.exe"}};
         Package(d, s);
     },
     nullptr, nullptr},
    // Distributed COM.
    {"VersionNotANumber", [](TestDisc& d) { d.SetKey("DCOM95VerNeeded", "v4.71"); }, "DCOM95VerNeeded", "does not start with a number"},
    {"VersionZero", [](TestDisc& d) { d.SetKey("DCOM95VerNeeded", "0,0,0,1"); }, "DCOM95VerNeeded", "does not start with a number"},
    {"VersionWithDots", [](TestDisc& d) { d.SetKey("DCOM95VerNeeded", "4.71.0.1120"); }, nullptr, nullptr},
    {"NoVersion", [](TestDisc& d) { d.SetKey("DCOM95VerNeeded", nullptr); }, "DCOM95VerNeeded", "missing"},
    {"VersionWithoutInstaller", [](TestDisc& d) { d.SetKey("InstDCOM95", nullptr); }, "InstDCOM95", "never installed"},
    // The update folder.
    {"LongUpdateName", [](TestDisc& d) { d.Write("OLE/OleAutomation.dll", "MZ"); }, "OleAut32_Win9X", "\"OleAutomation.dll\" is not an 8.3 name"},
    {"BlankInUpdateName", [](TestDisc& d) { d.Write("OLE/OLE 32.DLL", "MZ"); }, "OleAut32_Win9X", "not an 8.3 name"},
    {"FolderInUpdateFolder", [](TestDisc& d) { d.Write("OLE/SUB/A.DLL", "MZ"); }, "OleAut32_Win9X", "is a folder"},
    {"DotNameInUpdateFolder", [](TestDisc& d) { d.Write("OLE/.directory", "x"); }, nullptr, nullptr},
    // Nothing staged, nothing renamed at the restart: the launcher asks for it again.
    {"EmptyUpdateFolder", [](TestDisc& d) { d.Remove("OLE/OLEAUT32.DLL"), d.Write("OLE/.directory", "x"); }, "OleAut32_Win9X",
     "\"OLE\" holds no file: on Windows 95 and 98 the launcher stages nothing"},
    {"UpdateFolderOfFolders", [](TestDisc& d) { d.Remove("OLE/OLEAUT32.DLL"), d.Write("OLE/SUB/A.DLL", "MZ"); }, "OleAut32_Win9X",
     "\"OLE\" holds only folders, which are not staged"},
    // The disc's automatic start and the launcher itself.
    {"OpenStartsOther", [](TestDisc& d) { d.autorunSection = "[autorun]\r\nopen=Setup\\setup32.exe\r\n"; }, "[autorun] open", "not the launcher"},
    {"OpenWithoutSwitch", [](TestDisc& d) { d.autorunSection = "[AutoRun]\r\nopen=setup.exe\r\n"; }, "[autorun] open", "without /autorun"},
    {"OpenMissing", [](TestDisc& d) { d.autorunSection = "[autorun]\r\nicon=setup.exe\r\n"; }, "[autorun] open", "missing"},
    {"OpenOtherSpelling", [](TestDisc& d) { d.autorunSection = "[autorun]\r\nopen=\\SETUP.EXE -AutoRun\r\nicon=setup.exe\r\n"; }, nullptr, nullptr},
    {"ShellExecuteOnly", [](TestDisc& d) { d.autorunSection = "[autorun]\r\nshellexecute=setup.exe /autorun\r\nicon=setup.exe\r\n"; },
     "[autorun] shellexecute", "older systems read only open=", true},
    {"ShellExecuteStartsOther", [](TestDisc& d) { Autorun(d, "icon=setup.exe\r\nshellexecute=other.exe\r\n"); }, "[autorun] shellexecute",
     "starts \"other.exe\", not the launcher setup.exe; fix: start the launcher: shellexecute=setup.exe /autorun"},
    // 64-bit Windows reads its own section alone.
    {"Amd64Whole", [](TestDisc& d) { Autorun(d, "icon=setup.exe\r\n[AutoRun.Amd64]\r\nshellexecute=setup.exe /autorun\r\nicon=setup.exe\r\n"); },
     nullptr, nullptr},
    {"Amd64StartsOther", [](TestDisc& d) { Autorun(d, "icon=setup.exe\r\n[AutoRun.Amd64]\r\nopen=other.exe\r\nicon=setup.exe\r\n"); },
     "[AutoRun.Amd64] open", "64-bit Windows (x64) reads only this section: starts \"other.exe\""},
    {"Amd64WithoutStart", [](TestDisc& d) { Autorun(d, "icon=setup.exe\r\n[autorun.amd64]\r\nicon=setup.exe\r\n"); },
     "[AutoRun.Amd64] open", "reads only this section: missing"},
    {"Amd64WithoutIcon", [](TestDisc& d) { Autorun(d, "icon=setup.exe\r\n[AutoRun.Amd64]\r\nopen=setup.exe /autorun\r\n"); },
     "[AutoRun.Amd64] icon", "missing", true},
    {"Amd64WithoutLabel",
     [](TestDisc& d) { Autorun(d, "icon=setup.exe\r\nlabel=Brindle\r\n[AutoRun.Amd64]\r\nopen=setup.exe /autorun\r\nicon=setup.exe\r\n"); },
     "[AutoRun.Amd64] label", "volume label instead of \"Brindle\"; fix: copy label=Brindle into the section", true},
    {"ItaniumWithoutSwitch", [](TestDisc& d) { Autorun(d, "icon=setup.exe\r\n[AutoRun.Ia64]\r\nopen=setup.exe\r\nicon=setup.exe\r\n"); },
     "[AutoRun.Ia64] open", "Windows on Itanium reads only this section: starts the launcher without /autorun"},
    {"NoLauncher", [](TestDisc& d) { d.Remove("setup.exe"); d.Remove("OLE"); d.SetKey("OleAut32_Win9X", nullptr); Autorun(d, ""); },
     "setup.exe", "launcher is not in the folder"},
    {"LauncherIsFolder", [](TestDisc& d) { d.Remove("setup.exe"), d.Write("setup.exe/setup.exe", "MZ"), Autorun(d, ""); }, "setup.exe",
     "launcher is not in the folder"},
    // Bad input.
    {"NoAutorunInf", [](TestDisc& d) { d.writeInf = false; }, "Autorun.inf", "missing"},
    {"BinaryAutorunInf",
     [](TestDisc& d) {
         d.writeInf = false;
         std::vector<unsigned char> bytes;
         for (int i = 0; i < 4096; ++i) bytes.push_back((unsigned char)(i * 7919 >> 3));
         d.Write("Autorun.inf", bytes);
     },
     "[BXPARAM]", "missing"},
    {"WideAutorunInf",
     [](TestDisc& d) {
         d.writeInf = false;
         std::vector<unsigned char> bytes = {0xFF, 0xFE};
         for (char c : std::string("[BXPARAM]\r\nSetupExe=setup.exe\r\n")) bytes.push_back((unsigned char)c), bytes.push_back(0);
         d.Write("Autorun.inf", bytes);
     },
     "[BXPARAM]", "UTF-16"},
    {"AutorunInfIsFolder", [](TestDisc& d) { d.writeInf = false; d.Write("AUTORUN.INF/x", "x"); }, "Autorun.inf", "cannot be read"},
    // What Windows 10 and 11 make of the [autorun] section.
    {"ActionOnDisc", [](TestDisc& d) { Autorun(d, "icon=setup.exe\r\naction=Install Brindle\r\n"); }, "[autorun] action",
     "a CD or DVD ignores it", true},
    {"NoIcon", [](TestDisc& d) { Autorun(d, ""); }, "[autorun] icon", "missing", true},
    {"IconAbsent", [](TestDisc& d) { Autorun(d, "icon=brindle.ico\r\n"); }, "[autorun] icon", "not a file in the disc folder"},
    {"IconOfBitmap", [](TestDisc& d) { Autorun(d, "icon=back.bmp\r\n"); }, "[autorun] icon", "is not an icon"},
    {"IconOfOneSize", [](TestDisc& d) { d.Write("disc.ico", MakeIco({32})), Autorun(d, "icon=DISC.ICO\r\n"); },
     "[autorun] icon", "has no 16 x 16, 48 x 48 image", true},
    {"IconOfThreeSizes", [](TestDisc& d) { d.Write("disc.ico", MakeIco({16, 32, 48, 0})), Autorun(d, "icon=disc.ico\r\n"); },
     nullptr, nullptr},
    {"IconCutShort",
     [](TestDisc& d) {
         std::vector<unsigned char> ico = MakeIco({16, 32, 48});
         ico.resize(ico.size() - 1);
         d.Write("disc.ico", ico), Autorun(d, "icon=disc.ico\r\n");
     },
     "[autorun] icon", "damaged icon"},
    {"IconOfProgram", [](TestDisc& d) { d.Write("tool.exe", MakePe({kGroupIcon})), Autorun(d, "icon=tool.exe, 0\r\n"); },
     nullptr, nullptr},
    {"IconOfProgramWithoutOne", [](TestDisc& d) { d.Write("tool.exe", MakePe({})), Autorun(d, "icon=tool.exe\r\n"); },
     "[autorun] icon", "a program without an icon"},
    {"IconOf64BitProgram", [](TestDisc& d) { d.Write("tool.exe", MakePe({kGroupIcon}, true)), Autorun(d, "icon=tool.exe\r\n"); },
     nullptr, nullptr},
    {"IconIndexPastProgramsIcons", [](TestDisc& d) { d.Write("tool.exe", MakePe({kGroupIcon})), Autorun(d, "icon=tool.exe,1\r\n"); },
     "[autorun] icon", "the program has 1 icon(s)"},
    {"LabelLongerThanExplorerShows", [](TestDisc& d) { Autorun(d, "icon=setup.exe\r\nlabel=" + Big('B', 33) + "\r\n"); },
     "[autorun] label", "has 33 characters", true},
    {"LabelOfExplorersLength", [](TestDisc& d) { Autorun(d, "icon=setup.exe\r\nlabel=" + Big('B', 32) + "\r\n"); }, nullptr, nullptr},
    // The disc's names and sizes.
    {"NameOverJoliet", [](TestDisc& d) { d.Write("Docs/" + Big('n', 65), "x"); }, kLongName.c_str(),
     "a name of 65 characters"},
    {"NameOfJolietLength", [](TestDisc& d) { d.Write(Big('n', 59) + "\xC3\xA9.txt", "x"); }, nullptr, nullptr},
    {"NamesDifferInCase", [](TestDisc& d) { d.Write("Docs/Readme.txt", "a"), d.Write("Docs/README.TXT", "b"); }, "Docs/Readme.txt",
     "\"Docs/README.TXT\" and it differ only in case"},
    {"NamesDifferInCodePageCase", [](TestDisc& d) { d.Write("caf\xC3\xA9", "a"), d.Write("CAF\xC3\x89", "b"); }, "caf\xC3\xA9",
     "differ only in case"},
    {"FileOf4GiB", [](TestDisc& d) { d.WriteSparse("Data/big.cab", 1LL << 32); }, "Data/big.cab", "4 GiB or more"},
    {"FileJustUnder4GiB", [](TestDisc& d) { d.WriteSparse("Data/big.cab", (1LL << 32) - 1); }, nullptr, nullptr},
    {"NineLevelsDeep", [](TestDisc& d) { d.Write("1/2/3/4/5/6/7/8/x.txt", "x"); }, "1/2/3/4/5/6/7/8", "9 levels deep", true},
    {"EightLevelsDeep", [](TestDisc& d) { d.Write("1/2/3/4/5/6/7/x.txt", "x"); }, nullptr, nullptr},
    {"SymbolicLink", [](TestDisc& d) { d.Link("Tools", "Setup"); }, "Tools",
     "Tools: a symbolic link: the image records it as a Rock Ridge link and leaves it out of the Joliet names", true},
    // A launcher other than bxdisc's own.
    {"LauncherWithoutManifest", [](TestDisc& d) { d.Write("setup.exe", MakePe({kGroupIcon})); }, "setup.exe",
     "does not ask for asInvoker"},
    {"LauncherAsAdministrator", [](TestDisc& d) { d.Write("setup.exe", MakePe({kGroupIcon, {24, Manifest("requireAdministrator")}})); },
     "setup.exe", "does not ask for asInvoker"},
    {"LauncherOf64Bits", [](TestDisc& d) { Launcher(d, Manifest("asInvoker", DpiAware("true")), true); }, nullptr, nullptr},
    // A template's comment before the settings it offers.
    {"LauncherAsInvoker", [](TestDisc& d) { Launcher(d, Manifest("asInvoker", "<!-- or true/pm -->" + DpiAware("true"))); },
     nullptr, nullptr},
    {"LauncherAsInvokerOnlyInComment",
     [](TestDisc& d) { Launcher(d, "<!-- level=\"asInvoker\" -->" + Manifest("requireAdministrator", DpiAware("true"))); },
     "setup.exe", "does not ask for asInvoker"},
    // Windows stretches a window that does not say it is DPI-aware.
    {"LauncherNotDpiAware", [](TestDisc& d) { Launcher(d, Manifest("asInvoker")); }, "setup.exe",
     "setup.exe: the launcher's manifest does not declare it DPI-aware", true},
    {"LauncherDpiAwareFalse", [](TestDisc& d) { Launcher(d, Manifest("asInvoker", DpiAware("false"))); }, "setup.exe",
     "not declare it DPI-aware", true},
    {"LauncherDpiAwareInComment", [](TestDisc& d) { Launcher(d, Manifest("asInvoker", "<!-- " + DpiAware("true") + " -->")); },
     "setup.exe", "not declare it DPI-aware", true},
    {"LauncherDpiAwarePerMonitor", [](TestDisc& d) { Launcher(d, Manifest("asInvoker", DpiAware("\r\n  True/PM "))); }, nullptr,
     nullptr},
    {"LauncherDpiAwareSpelledOut", [](TestDisc& d) { Launcher(d, Manifest("asInvoker", DpiAware("Per Monitor"))); }, nullptr,
     nullptr},
    {"LauncherDpiAwareWithPrefix",
     [](TestDisc& d) { Launcher(d, Manifest("asInvoker", "<ws:dpiAware xmlns:ws=\"urn:ws\">true</ws:dpiAware>")); }, nullptr, nullptr},
    {"LauncherDpiAwarenessAlone", [](TestDisc& d) { Launcher(d, Manifest("asInvoker", DpiAwareness("PerMonitorV2, PerMonitor"))); },
     nullptr, nullptr},
    {"LauncherDpiAwarenessAfterUnknown", [](TestDisc& d) { Launcher(d, Manifest("asInvoker", DpiAwareness("gdiScaled,System"))); },
     nullptr, nullptr},
    {"LauncherDpiAwarenessUnknown", [](TestDisc& d) { Launcher(d, Manifest("asInvoker", DpiAwareness("gdiScaled"))); }, "setup.exe",
     "not declare it DPI-aware", true},
    // The drive's icon from another program, so that only the manifest's reading meets the damage.
    {"LauncherResourcesDamaged",
     [](TestDisc& d) {
         std::vector<unsigned char> pe = MakePe({kGroupIcon, {24, Manifest("asInvoker", DpiAware("true"))}});
         pe.resize(0x208);  // the resource directory starts at 0x200
         d.Write("setup.exe", pe);
         d.autorunSection = "[autorun]\r\nopen=setup.exe /autorun\r\nicon=DCOM\\DCOM95.EXE\r\n";
     },
     "setup.exe", "resources cannot be read: it is damaged"},
    // Windows 10 1607 and later read dpiAwareness before dpiAware.
    {"LauncherDpiAwarenessUnaware",
     [](TestDisc& d) { Launcher(d, Manifest("asInvoker", DpiAware("true") + DpiAwareness(" Unaware"))); }, "setup.exe",
     "not declare it DPI-aware", true},
};

// The findings of a clean disc changed so, the disc's folder reading DISC.
CheckResult Check(const std::function<void(TestDisc&)>& change, const DiscCheckOptions& options, std::vector<Finding>* findings) {
    TestDisc disc;
    disc.LayOutClean();
    change(disc);
    disc.Finish();
    CheckResult result = CheckDisc(disc.folder(), options, findings);
    for (Finding& f : *findings)
        for (size_t at; (at = f.reason.find(disc.folder())) != std::string::npos;) f.reason.replace(at, disc.folder().size(), "DISC");
    return result;
}

// Its findings, and its notes but those the clean disc has: the same rule on the same key.
CheckResult CheckChanged(const std::function<void(TestDisc&)>& change, const DiscCheckOptions& options,
                         std::vector<Finding>* problems, std::vector<Finding>* notes, std::string* all) {
    static const std::vector<std::pair<std::string, const CheckRule*>> clean = [] {
        std::vector<Finding> findings;
        std::vector<std::pair<std::string, const CheckRule*>> notes;
        Check([](TestDisc&) {}, DiscCheckOptions(), &findings);
        for (const Finding& f : findings) notes.push_back({f.key, f.rule});
        return notes;
    }();
    std::vector<Finding> findings;
    CheckResult result = Check(change, options, &findings);
    for (const Finding& f : findings) {
        *all += FormatFinding(f) + "\n";
        if (!f.note) problems->push_back(f);
        else if (std::find(clean.begin(), clean.end(), std::make_pair(f.key, f.rule)) == clean.end()) notes->push_back(f);
    }
    return result;
}

class DiscCheckTest : public ::testing::TestWithParam<DiscCase> {};

TEST_P(DiscCheckTest, GivesExactlyItsFinding) {
    const DiscCase& c = GetParam();
    std::vector<Finding> problems, notes;
    std::string all;
    CheckResult result = CheckChanged(c.change, DiscCheckOptions(), &problems, &notes, &all);
    if (!c.key || c.note) {
        EXPECT_EQ(kDiscClean, result) << all;
        ASSERT_EQ(c.key ? 1u : 0u, notes.size()) << all;
        if (!c.key) return;
        EXPECT_EQ(c.key, notes[0].key);
        EXPECT_NE(std::string::npos, FormatFinding(notes[0]).find(c.reason)) << all;
        return;
    }
    EXPECT_EQ(kDiscFindings, result);
    ASSERT_EQ(1u, problems.size()) << all;
    EXPECT_EQ(c.key, problems[0].key);
    EXPECT_NE(std::string::npos, FormatFinding(problems[0]).find(c.reason)) << all;
}

INSTANTIATE_TEST_SUITE_P(Discs, DiscCheckTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<DiscCase>& info) { return info.param.name; });

TEST(DiscCheck, FolderThatCannotBeReadIsNoFinding) {
    std::vector<Finding> findings;
    EXPECT_EQ(kDiscUnreadable, CheckDisc("/nonexistent/bxdisc", DiscCheckOptions(), &findings));
    EXPECT_TRUE(findings.empty());
}

// Every program and the package unsigned, and the double-click past the front window: notes, which count only when strict.
TEST(DiscCheck, NotesOfTheCleanDiscCountWhenStrict) {
    DiscCheckOptions options;
    for (bool bStrict : {false, true}) {
        options.strict = bStrict;
        std::vector<Finding> problems, notes;
        std::string all;
        EXPECT_EQ(bStrict ? kDiscFindings : kDiscClean, CheckChanged([](TestDisc&) {}, options, &problems, &notes, &all));
        EXPECT_EQ(0u, problems.size()) << all;
        for (const char* line : {"note: setup.exe: the launcher is not signed", "note: SetupExe: \"Setup\\setup32.exe\" is not signed",
                                 "note: InstDCOM95: \"DCOM\\DCOM95.EXE\" is not signed", "note: SetupMSI: \"Product.msi\" is not signed",
                                 "note: AutoPlay: where it is off"})
            EXPECT_NE(std::string::npos, all.find(line)) << line << "\n" << all;
    }
}

// What the larger image holds is no finding for it.
TEST(DiscCheck, LargeImageTakesLongNamesAndLargeFiles) {
    DiscCheckOptions options;
    options.large = true;
    std::vector<Finding> problems, notes;
    std::string all;
    CheckChanged([](TestDisc& d) { d.Write(Big('n', 103), "x"), d.Write(Big('m', 104), "x"), d.WriteSparse("big.cab", 5LL << 30); },
                 options, &problems, &notes, &all);
    ASSERT_EQ(1u, problems.size()) << all;
    EXPECT_EQ(Big('m', 104), problems[0].key);
}

// SetupExe signed by a test authority: a chain this machine does not follow is a note that names the
// authority until --ca-file names it too; a changed file does not verify whatever the chain.
TEST(DiscCheck, SignatureJudgedWithItsChain) {
    if (!SandboxWorks()) GTEST_SKIP() << "bubblewrap cannot make its namespaces here (or is not installed)";
    TestDisc keys;
    keys.Write("plain.exe", MakePe({kGroupIcon}));
    ASSERT_TRUE(MakeCertificate(keys.folder(), "brindle", "Brindle") &&
                SignWith(keys.folder(), "brindle", "plain.exe", "signed.exe"));
    std::vector<unsigned char> signedPe, tampered;
    ASSERT_TRUE(ReadWholeFile(keys.folder() + "/signed.exe", &signedPe));
    tampered = signedPe;
    tampered[600] ^= 1;
    const std::string ca = keys.folder() + "/brindle.pem";
    const struct {
        const std::vector<unsigned char>* file;
        std::string caFile;
        const CheckRule* rule;  // null: no note
        const char* reason;
    } kRows[] = {
        {&signedPe, "", &kRuleSignatureChainUnknown,
         "note: SetupExe: \"Setup\\setup32.exe\" matches its signature, but the chain leads to \"/CN=Brindle\", an authority "
         "this machine does not know (self-signed certificate), so it was not followed; fix: name that authority's "
         "certificate: bxdisc check --ca-file FILE"},
        {&signedPe, ca, nullptr, ""},
        {&tampered, "", &kRuleSignatureUntrusted, "MISMATCH"},
        {&tampered, ca, &kRuleSignatureUntrusted, "MISMATCH"},
    };
    for (const auto& row : kRows) {
        DiscCheckOptions options;
        options.caFile = row.caFile;
        std::vector<Finding> problems, notes;
        std::string all;
        CheckChanged([&](TestDisc& d) { d.Write("Setup/setup32.exe", *row.file); }, options, &problems, &notes, &all);
        EXPECT_EQ(0u, problems.size()) << all;
        ASSERT_EQ(row.rule == nullptr ? 0u : 1u, notes.size()) << all;
        if (row.rule == nullptr) continue;
        EXPECT_EQ("SetupExe", notes[0].key);
        EXPECT_EQ(row.rule, notes[0].rule);
        EXPECT_NE(std::string::npos, FormatFinding(notes[0]).find(row.reason)) << all;
    }
}

TEST(DiscCheck, LauncherOfAnotherName) {
    TestDisc disc;
    disc.LayOutClean();
    disc.autorunSection = "[autorun]\r\nopen=START.EXE /autorun\r\n";
    disc.Write("start.exe", "MZ");
    disc.Finish();
    DiscCheckOptions options;
    options.launcher = "start.exe";
    std::vector<Finding> findings;
    EXPECT_EQ(kDiscClean, CheckDisc(disc.folder(), options, &findings));
}

}  // namespace
