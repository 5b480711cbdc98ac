#include "app/SetupFlow.h"

// Until the front window is built, autorun mode goes on as if it could not run.
int RunFrontWindow() { return -1; }
