// bxdisc art: the front window's two bitmaps from the author's images, one
// palette for both, written into the disc folder, and optionally named in
// its Autorun.inf.
#pragma once

#include <string>
#include <vector>

#include "kit/art/FaceSheet.h"
#include "kit/disc/Disc.h"
#include "kit/disc/FileReplace.h"

struct ArtOptions {
    std::string folder;
    std::string backdrop;         // PNG or JPEG
    uint32_t background = 0;      // behind the images' transparent parts
    std::string sheet;            // a PNG of 5 x 4 faces; "": faces drawn from the style
    FaceStyle faces;
    std::string backdropName = "backdrop.bmp";
    std::string buttonsName = "buttons.bmp";
    bool updateInf = false;       // set both keys in Autorun.inf
};

struct ArtReport {
    std::string backdropPath, buttonsPath, infPath;  // infPath: "" unless it was written
    int backdropWidth = 0, backdropHeight = 0, buttonsWidth = 0, buttonsHeight = 0;
    size_t colours = 0;
    double backdropPsnr = 0, buttonsPsnr = 0;
    std::string leftover;  // old copies left once the files were in place, to delete; "" for none
};

// False with a message naming the file and the reason; then nothing in the
// disc folder has changed.
bool MakeDiscArt(const ArtOptions& options, ArtReport* report, std::string* error);

// The two bitmaps of the backdrop and the faces the options draw or name,
// for the disc, not yet written (options.backdrop and options.folder unused).
bool DrawArtFiles(const CDisc& disc, const ArtOptions& options, const RgbImage& backdrop,
                  std::vector<FileContent>* files, ArtReport* report, std::string* error);
