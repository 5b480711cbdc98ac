// bxdisc's own version, from the project's (CMake's PROJECT_VERSION).
#pragma once

extern const char kBxdiscVersion[];
