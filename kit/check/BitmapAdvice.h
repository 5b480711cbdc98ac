// What the check tells an author whose bitmap the launcher refuses or shows
// in other colours: the cause in the words of the tools that made it, and
// the one command of the kit that makes the artwork right.
#pragma once

#include <string>
#include <vector>

#include "kit/disc/DiscBitmap.h"

// The command that remakes both bitmaps of the disc folder with one palette,
// the faces from a sheet or drawn.
std::string ArtCommand(const std::string& folder, bool bSheet);

// Why the loader refuses the file, for the causes common tools give:
// a 108- or 124-byte information header, compression, true colour without a
// colour table. "" for other causes.
std::string RefusalCause(const std::vector<unsigned char>& file);

// How many colours the strip shows that the backdrop's colour table lacks:
// on a 256-colour screen the buttons are drawn through that table.
size_t ColoursOutsideTable(const DiscBitmap& backdrop, const DiscBitmap& strip);
