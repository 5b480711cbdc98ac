#include "kit/art/DiscArt.h"

#include <cstdio>

#include "kit/disc/BmpFile.h"
#include "kit/disc/Disc.h"
#include "kit/disc/FileReplace.h"
#include "kit/art/ArtImage.h"
#include "kit/disc/DiscText.h"
#include "kit/disc/ButtonLayout.h"
#include "kit/art/InfEdit.h"
#include "kit/art/SharedPalette.h"
#include "ui/ButtonFace.h"
#include "ui/FrontLayout.h"

namespace {

// The file of that name at the disc's root, found as the launcher finds
// names, or a new one of that name.
std::string PlaceOnDisc(const CDisc& disc, const std::string& name) {
    std::string strCp;
    DiscEntry found = Utf8ToCp1252(name, &strCp) ? disc.Find(strCp) : DiscEntry();
    return found.Found() ? found.path : disc.folder() + "/" + name;
}

bool ReadFaces(const ArtOptions& options, RgbImage* sheet, std::string* error) {
    if (options.sheet.empty()) {
        if (DrawFaceSheet(options.faces, sheet, error)) return true;
        *error = "faces: " + *error;
        return false;
    }
    if (!ReadArtImage(options.sheet, options.background, sheet, error)) {
        *error = options.sheet + ": " + *error;
        return false;
    }
    if (sheet->width % kFaceColumns || sheet->height % kFrontButtons) {
        char sz[160];
        snprintf(sz, sizeof sz, ": %d x %d is not 5 faces across and 4 down (width and height divisible by 5 and 4)",
                 sheet->width, sheet->height);
        *error = options.sheet + sz;
        return false;
    }
    return true;
}

// The buttons as the launcher places them must fit the backdrop.
bool FacesFit(const ArtOptions& options, const RgbImage& backdrop, const RgbImage& sheet, std::string* error) {
    SIZE face = {sheet.width / kFaceColumns, sheet.height / kFrontButtons};
    std::vector<std::string> problems = LayoutProblems(backdrop.width, backdrop.height, face);
    if (problems.empty()) return true;
    char sz[120];
    snprintf(sz, sizeof sz, ": faces of %d x %d do not fit a %d x %d backdrop: ", (int)face.cx, (int)face.cy,
             backdrop.width, backdrop.height);
    *error = options.backdrop + sz + problems[0];
    return false;
}

// The new Autorun.inf, or false when its text cannot take the keys.
bool EditInf(const CDisc& disc, const ArtOptions& options, FileContent* inf, std::string* error) {
    inf->path = PlaceOnDisc(disc, "Autorun.inf");
    if (disc.inf().Found() && !disc.infRead()) {
        *error = inf->path + ": cannot be read";
        return false;
    }
    const std::vector<unsigned char>& bytes = disc.infText();
    std::string backdrop, buttons, text;
    Utf8ToCp1252(options.backdropName, &backdrop);
    Utf8ToCp1252(options.buttonsName, &buttons);
    if (!SetProfileKeys(std::string(bytes.begin(), bytes.end()), "BXPARAM",
                        {{"AutorunBackdrop", backdrop}, {"AutorunButtons", buttons}}, &text)) {
        *error = inf->path + ": UTF-16 text, which the launcher does not read; save it as ANSI text first";
        return false;
    }
    inf->bytes.assign(text.begin(), text.end());
    return true;
}

bool NamesAllowed(const ArtOptions& options, std::string* error) {
    std::string strCp;
    for (const std::string* name : {&options.backdropName, &options.buttonsName}) {
        // Either separator would name a folder to Windows, and a file of that literal name here.
        if (name->empty() || name->find_first_of("/\\") != std::string::npos || !Utf8ToCp1252(*name, &strCp)) {
            *error = "\"" + *name + "\": a bitmap's name is a file name of code page 1252, without a folder";
            return false;
        }
    }
    return true;
}

}  // namespace

bool DrawArtFiles(const CDisc& disc, const ArtOptions& options, const RgbImage& backdrop,
                  std::vector<FileContent>* files, ArtReport* report, std::string* error) {
    if (!NamesAllowed(options, error)) return false;
    RgbImage sheet;
    if (!ReadFaces(options, &sheet, error) || !FacesFit(options, backdrop, sheet, error)) return false;

    SharedPalette palette;
    if (!QuantizeTogether(backdrop, sheet, &palette, error)) return false;
    *files = {
        {PlaceOnDisc(disc, options.backdropName), EncodeBmp8(palette.backdrop, palette.colours)},
        {PlaceOnDisc(disc, options.buttonsName), EncodeBmp8(palette.faces, palette.colours)},
    };
    report->backdropPath = (*files)[0].path;
    report->buttonsPath = (*files)[1].path;
    report->backdropWidth = backdrop.width;
    report->backdropHeight = backdrop.height;
    report->buttonsWidth = sheet.width;
    report->buttonsHeight = sheet.height;
    report->colours = palette.colours.size();
    report->backdropPsnr = Psnr(backdrop, palette.backdrop, palette.colours);
    report->buttonsPsnr = Psnr(sheet, palette.faces, palette.colours);
    return true;
}

bool MakeDiscArt(const ArtOptions& options, ArtReport* report, std::string* error) {
    if (!NamesAllowed(options, error)) return false;
    CDisc disc;
    if (!disc.Open(options.folder)) {
        *error = options.folder + ": not a folder that can be read";
        return false;
    }
    RgbImage backdrop;
    if (!ReadArtImage(options.backdrop, options.background, &backdrop, error)) {
        *error = options.backdrop + ": " + *error;
        return false;
    }
    std::vector<FileContent> files;
    if (!DrawArtFiles(disc, options, backdrop, &files, report, error)) return false;
    if (options.updateInf) {
        FileContent inf;
        if (!EditInf(disc, options, &inf, error)) return false;
        files.push_back(inf);
    }
    if (!ReplaceFiles(disc.folder(), files, error, &report->leftover)) return false;
    report->infPath = options.updateInf ? files[2].path : std::string();
    return true;
}
