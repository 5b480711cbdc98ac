// bxdisc's own data: what try runs (the Wine runner with its Windows-side
// programs, and try's own runner, the package bxdisc_try). Found in
// $BXDISC_DATA, else in ../share/bxdisc beside the folder of bxdisc's own
// executable, as an installed bxdisc and a build tree both lay it out.
#pragma once

#include <string>

// The folder, or "" with *looked set to the path looked at.
std::string FindDataFolder(std::string* looked);
