// Shared plumbing of the simulation's areas.
#pragma once

#include <sim_control.h>

#include <functional>
#include <string>

namespace sim::detail {

// Each area resets its own state; Reset() calls them all.
void ResetMemory();
void ResetVersion();
void ResetSpooler();

// Whether the running version is an NT one (decides the spooler environment).
bool RunningOnNT();
// "Windows NT x86" or "Windows 4.0", after the running version.
std::string RunningEnvironment();

// Consumes one call of that kind against the armed fault; true when it must fail.
bool ShouldFail(Fault kind);

// Case-insensitive equality, as Windows compares names and paths.
bool EqualNoCase(const std::string& a, const std::string& b);

// ---- windows and the shell ----
void ResetShell();

// A window of the simulation is a message handler behind a handle: SendMessageA
// calls the handler of a live window.
using WindowHandler = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam)>;
HWND CreateSimWindow(WindowHandler handler);
void DestroySimWindow(HWND window);

} // namespace sim::detail
