// The simulated platform's <windows.h>: what a Windows program includes to reach
// the system, here the simulation's Win32 names, types and functions.
#pragma once

#include <win32_sim/windows.h>
