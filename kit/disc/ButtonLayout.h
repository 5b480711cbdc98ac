// The front window's buttons as the launcher places them over a backdrop,
// judged: the face size a strip gives, and where the buttons would overlap
// or leave the window.
#pragma once

#include <string>
#include <vector>

#include "kit/disc/DiscBitmap.h"
#include "ui/FrontLayout.h"

// The strip's face size, as each button takes it from its four rows.
SIZE StripFaceSize(const DiscBitmap& strip);

// What is wrong with the buttons' places on a client area of the backdrop's
// size, in both states of the product: overlaps and buttons that leave it.
std::vector<std::string> LayoutProblems(LONG cxClient, LONG cyClient, SIZE face);
