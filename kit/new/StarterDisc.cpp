#include "kit/new/StarterDisc.h"

const char kStarterBackdrop[] = "backdrop.bmp";
const char kStarterButtons[] = "buttons.bmp";

namespace {

std::string Crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

}  // namespace

std::string StarterAutorunInf(const StarterDisc& d) {
    return Crlf("; The disc's automatic start, then the settings of its launcher (setup.exe).\n"
                "; Made by bxdisc new; bxdisc check tells what is still to fill.\n"
                "[autorun]\n"
                "open=setup.exe /autorun\n"
                "icon=setup.exe\n"
                "label=" + d.product + "\n"
                "\n"
                "[BXPARAM]\n"
                "; The front window's caption.\n"
                "ProductName=" + d.product + "\n"
                "; The front window's backdrop: a bitmap of 1, 4 or 8 bits per pixel (bxdisc art makes both).\n"
                "AutorunBackdrop=" + kStarterBackdrop + "\n"
                "; The buttons' faces: 5 looks across, the 4 buttons down, in the backdrop's colours.\n"
                "AutorunButtons=" + kStarterButtons + "\n"
                "; The product's own setup program, which Install starts (a path on the disc).\n"
                "SetupExe=" + d.setupExe + "\n"
                "; The product's installer package, which tells whether the product is installed.\n"
                "SetupMSI=" + d.package + "\n"
                "; The end of the path of the program that Run starts; empty: the package's first program.\n"
                "ExeName=\n"
                "; The beginning of the product window's title, brought forward instead of the front window.\n"
                "Look4Title=\n"
                "; Windows 95 only: the Distributed COM installer, run when the system's is older.\n"
                "InstDCOM95=\n"
                "; The Distributed COM version the product needs: four numbers, such as 4,71,0,1120.\n"
                "DCOM95VerNeeded=\n"
                "; Windows 95 and 98 only: the folder of automation library files the system is brought up to date with.\n"
                "OleAut32_Win9X=\n");
}

std::string StarterReadme(const StarterDisc& d, const std::string& folder) {
    std::string todo;
    if (d.setupExe.empty())
        todo += "- Put the product's setup program on the disc and name it in Autorun.inf:\n"
                "  SetupExe=Setup\\setup.exe\n";
    if (d.package.empty())
        todo += "- Put the product's installer package on the disc and name it:\n"
                "  SetupMSI=Product.msi\n";
    return Crlf("A disc for " + d.product + ", made by bxdisc new.\n"
                "\n" + (todo.empty() ? std::string() : "Still to do:\n" + todo + "\n") +
                "Next:\n"
                "  bxdisc check " + folder + "                    what the launcher would do less than meant\n"
                "  bxdisc art " + folder + " --backdrop IMAGE.png --update-inf   your own artwork\n"
                "  bxdisc preview " + folder + " front.png        the front window as it will look\n"
                "  bxdisc try " + folder + " --click install      the launcher on emulated Windows\n"
                "  bxdisc image " + folder + " disc.iso --label LABEL   the disc's image\n"
                "\n"
                "Delete this file before you make the image: it is for you, not for the disc.\n");
}
