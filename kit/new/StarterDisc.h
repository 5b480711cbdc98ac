// What bxdisc new writes beside the launcher and the artwork: an
// Autorun.inf with every key of [BXPARAM], each with a line on what it is,
// and a README.txt with the author's next steps.
#pragma once

#include <string>

struct StarterDisc {
    std::string product;   // the product's name, code page 1252
    std::string setupExe;  // the setup program's name on the disc; "": still to fill
    std::string package;   // the installer package's name on the disc; "": still to fill
};

extern const char kStarterBackdrop[];  // the artwork's file names
extern const char kStarterButtons[];

// Code page 1252 text with CRLF line ends, as Windows' own tools write it.
std::string StarterAutorunInf(const StarterDisc& disc);
std::string StarterReadme(const StarterDisc& disc, const std::string& folder);
