// Texts of a disc as the kit meets them: Autorun.inf in code page 1252,
// Linux file names in UTF-8, and the rules the launcher and Windows 9x apply
// to them that the launcher's own code does not already hold.
#pragma once

#include <cstddef>
#include <string>

#include "platform/linux/Cp1252.h"

// True when the profile text has a section of that name, found as the
// launcher's reader finds one (name trimmed, compared without regard to case).
bool HasProfileSection(const char* text, size_t length, const char* section);

// The line (from 1) where the launcher's reader finds the key in the section,
// or with key null the section's header; 0 when it finds none. Lines end at
// CR LF, LF or CR.
int ProfileLine(const char* text, size_t length, const char* section, const char* key);

// What an [autorun] open= line starts: its program and whether the launcher,
// given that command line, would take the autorun path.
struct AutorunOpen {
    std::string program;
    bool autorunSwitch;
};
AutorunOpen ReadAutorunOpen(const char* commandLine);

// A Linux file name (UTF-8) as Windows compares names: without regard to
// case in code page 1252. Two names are one on the disc when these are equal.
std::string FoldName(const std::string& name);

// True when the open= program names the launcher's file at the disc's root.
bool NamesLauncher(const std::string& program, const std::string& launcher);

// True for a name that Windows 9x's wininit.ini can take: 1 to 8 characters,
// optionally a dot and 1 to 3 more, none of them a blank or reserved.
bool IsShortName(const std::string& name);

// A volume label the kit writes: 1 to 16 of A-Z, 0-9 and _, which both the
// ISO 9660 and the Joliet volume names hold as they stand.
bool IsVolumeLabel(const std::string& label);
