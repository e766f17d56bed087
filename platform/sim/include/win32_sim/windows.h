// Simulated Win32 API: the subset the library and its tools call, with Windows'
// names, types and documented behaviour, over in-memory state (see sim_control.h).
#pragma once

#include <win32_sim/base_types.h>
#include <win32_sim/gdi32.h>
#include <win32_sim/kernel32.h>
#include <win32_sim/user32.h>
#include <win32_sim/winspool.h>
#include <win32_sim/advapi32.h>
#include <win32_sim/shell32.h>
#include <win32_sim/mpr.h>
