#include "kit/cli/Version.h"

#ifndef BXDISC_VERSION
#define BXDISC_VERSION "unknown"
#endif

const char kBxdiscVersion[] = BXDISC_VERSION;
