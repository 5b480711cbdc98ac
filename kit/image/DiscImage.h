// The disc image: ISO 9660 with Joliet names (what Windows reads, long names
// and their case kept), made by xorriso.
#pragma once

#include <string>

// False with the reason when xorriso could not make it. With
// SOURCE_DATE_EPOCH set, every date in the image is that time, so that the
// same folder always gives the same bytes.
bool MakeDiscImage(const std::string& folder, const std::string& isoPath, const std::string& label,
                   std::string* error);
