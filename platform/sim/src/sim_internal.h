// Shared plumbing of the simulation's areas.
#pragma once

#include <sim_control.h>

#include <string>
#include <vector>

namespace sim::detail {

// Each area resets its own state; Reset() calls them all.
void ResetMemory();
void ResetVersion();
void ResetSpooler();
void ResetNetwork();
void ResetWindows();
void ResetTreeViews();
void ResetGraphics();

// Whether the running version is an NT one (decides the spooler environment).
bool RunningOnNT();
// "Windows NT x86" or "Windows 4.0", after the running version.
std::string RunningEnvironment();

// Consumes one call of that kind against the armed fault; true when it must fail.
bool ShouldFail(Fault kind);

// Case-insensitive equality, as Windows compares names and paths.
bool EqualNoCase(const std::string& a, const std::string& b);

// Network providers as a tree file describes them.
struct NetProviderOptions {
    bool enumerable = true;    // false: listed at the top, but cannot be opened
    bool unknownEmpty = false; // names no container declares open as empty containers
    DWORD unknownError = 0;    // ... or fail with this error (0: the router's own answer)
};
void SetNetProviderOptions(const std::string& provider, const NetProviderOptions& options);
// The module resource of that type and number, or null.
const std::vector<BYTE>* FindResourceBytes(LPCSTR type, LPCSTR name);
// Window procedure of the tree-view class.
LRESULT CALLBACK TreeViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace sim::detail
