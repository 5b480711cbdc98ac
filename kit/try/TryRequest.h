// bxdisc try: the disc's launcher run on emulated Windows (Wine) by try's
// runner (the package bxdisc_try) over the Wine runner, after bxdisc has
// read the disc with the launcher's own code.
#pragma once

#include <string>

#include "kit/cli/CommandLine.h"

// The runner's request, one JSON document: what the launcher's own reading
// of the disc found (the files Autorun.inf names, as paths relative to the
// folder, and sample pixels of the backdrop, by which the painted window is
// known), the front window's button ids, try's options as given and the
// launcher's arguments. Empty with *error set when a numeric option is not a
// whole number in its range (the one place that checks them; *bUsage set:
// a usage error), or the folder or the launcher is not there.
std::string TryRequestJson(const Command& command, const ParsedArgs& args, std::string* error,
                           bool* bUsage = nullptr);

// bytes as a JSON string that Python's json.loads and then os.fsencode turn
// back into the same bytes: valid UTF-8 as it is, each byte of an invalid
// sequence as the lone surrogate U+DC80..U+DCFF of surrogateescape.
std::string JsonString(const std::string& bytes);
