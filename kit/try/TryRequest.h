// bxdisc try: the disc's launcher run on emulated Windows (Wine) by try's
// runner script over the Wine runner, after bxdisc has read the disc with
// the launcher's own code.
#pragma once

#include <string>
#include <vector>

#include "kit/cli/CommandLine.h"

// try's numeric options: whole numbers in these ranges, handed on as numbers.
struct TryNumber {
    const char* option;
    long least, most;
};
extern const std::vector<TryNumber> kTryNumbers;

// The runner's request, one JSON document: what the launcher's own reading
// of the disc found (the files Autorun.inf names, as paths relative to the
// folder, and sample pixels of the backdrop, by which the painted window is
// known), the front window's button ids, try's options as given and the
// launcher's arguments. Empty with *error set when the folder or the
// launcher is not there, or a numeric option is not a whole number.
std::string TryRequestJson(const Command& command, const ParsedArgs& args, std::string* error);

// bytes as a JSON string that Python's json.loads and then os.fsencode turn
// back into the same bytes: valid UTF-8 as it is, each byte of an invalid
// sequence as the lone surrogate U+DC80..U+DCFF of surrogateescape.
std::string JsonString(const std::string& bytes);
