// bxdisc's commands, each defined beside its own work: kit/<command>/.
#pragma once

#include "kit/cli/CommandLine.h"

extern const CommandSpec kNewCommand;      // kit/new/NewCommand.cpp
extern const CommandSpec kCheckCommand;    // kit/check/CheckCommand.cpp
extern const CommandSpec kPreviewCommand;  // kit/preview/PreviewCommand.cpp
extern const CommandSpec kArtCommand;      // kit/art/ArtCommand.cpp
extern const CommandSpec kImageCommand;    // kit/image/ImageCommand.cpp
extern const CommandSpec kSignCommand;     // kit/sign/SignCommand.cpp
extern const CommandSpec kTryCommand;      // kit/try/TryCommand.cpp
