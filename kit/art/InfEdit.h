// Setting keys of one section of a profile text such as Autorun.inf while
// keeping every other byte: the author's comments, other sections, the
// order, the case and the line breaks stay as they were.
#pragma once

#include <string>
#include <utility>
#include <vector>

// Each key's first line in the first section of that name, as the
// launcher's reader finds them, gets the new value; a missing key is added
// after the section's last line, a missing section at the end of the text,
// with the text's own line break. False, and nothing made, for UTF-16 text,
// which the launcher does not read, and for a value with a line break.
bool SetProfileKeys(const std::string& text, const char* section,
                    const std::vector<std::pair<std::string, std::string>>& keys, std::string* out);
