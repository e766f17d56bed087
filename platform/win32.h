// The one door to the Win32 API: the real Windows headers in the product build,
// the simulated platform in the native build. Library code includes nothing else
// from the platform.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <winspool.h>
#include <shlobj.h>
#include <winnetwk.h>
#include <commctrl.h>
#else
#include <win32_sim/windows.h>
#include <win32_sim/commctrl.h>
#endif
