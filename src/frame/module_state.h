// Module-wide state that lives as long as the module is loaded.
#pragma once

#include "appkit/shared_string.h"

// The path last chosen in the shell printer browser, preselected next time.
extern CSharedString PreselectPath;
