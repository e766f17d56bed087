// Simulated advapi32: the name of the user who runs the process.
#pragma once

#include <win32_sim/base_types.h>

BOOL GetUserNameA(LPSTR buffer, LPDWORD size);
