// bxdisc's commands, each defined beside its own work: kit/<command>/.
#pragma once

#include "kit/cli/CommandLine.h"

extern const Command kNewCommand;      // kit/new/NewCommand.cpp
extern const Command kCheckCommand;    // kit/check/CheckCommand.cpp
extern const Command kPreviewCommand;  // kit/preview/PreviewCommand.cpp
extern const Command kArtCommand;      // kit/art/ArtCommand.cpp
extern const Command kImageCommand;    // kit/image/ImageCommand.cpp
extern const Command kSignCommand;     // kit/sign/SignCommand.cpp
extern const Command kTryCommand;      // kit/try/TryCommand.cpp
