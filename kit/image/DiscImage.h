// The disc image: ISO 9660 with Joliet names (what Windows reads, long names
// and their case kept), made by xorriso.
#pragma once

#include <string>

// The image is made beside isoPath and renamed onto it once whole, so that
// a failure leaves what was there (a link at isoPath is replaced, not
// written through); it keeps the mode of the image it replaces. False with
// the path and the reason when it could not be made. bLarge takes
// Joliet's long names (up to 103 characters) and ISO 9660 level 3, which
// holds files of 4 GiB and more in several extents. With
// SOURCE_DATE_EPOCH set, every date in the image is that time, so that the
// same folder always gives the same bytes.
bool MakeDiscImage(const std::string& folder, const std::string& isoPath, const std::string& label, bool bLarge,
                   std::string* error);
