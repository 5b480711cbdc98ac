// The check as the commands that rest on it print it: each finding a line.
#pragma once

#include <cstdio>
#include <string>

#include "kit/check/DiscCheck.h"
#include "kit/disc/Disc.h"

// Opens the disc and prints its findings to out, then its notes;
// kExitFailed (with the message on stderr) when the folder cannot be read.
int CheckAndReport(const std::string& folder, const DiscCheckOptions& options, FILE* out, CDisc* disc);
