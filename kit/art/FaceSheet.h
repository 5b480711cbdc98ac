// Button faces drawn from their labels: the launcher's 5 x 4 sheet (one row
// per button: run, setup again, install, exit; one column per look: normal,
// focused, pressed, hover, hover and focused), drawn with cairo and pango.
#pragma once

#include <string>

#include "kit/disc/RgbImage.h"

struct FaceStyle {
    std::string labels[4] = {"Run", "Setup again", "Install", "Exit"};
    // A pango font description; without a size the text takes 40% of the face's height.
    std::string font = "DejaVu Sans Bold";
    int width = 150, height = 36;
    uint32_t accent = 0x2858A8;  // the face's colour, 0xRRGGBB
};

// False with the reason for a font that is not installed, a label that does
// not fit its face, or a face too small to draw.
bool DrawFaceSheet(const FaceStyle& style, RgbImage* sheet, std::string* error);
