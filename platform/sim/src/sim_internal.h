// Shared plumbing of the simulation's areas.
#pragma once

#include <sim_control.h>

#include <cstring>
#include <functional>
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
// The spooler's own environment: "Windows 4.0" on the Windows 4.x releases; on
// NT "Windows NT x86", or "Windows x64" for a 64-bit process.
std::string RunningEnvironment();

// Consumes one call of that kind against the armed fault; true when it must fail.
bool ShouldFail(Fault kind);

// Case-insensitive equality, as Windows compares names and paths.
bool EqualNoCase(const std::string& a, const std::string& b);

// ---- printers, ports and identity ----
void ResetPrinters();
void ResetPorts();
void ResetIdentity();

// The environment a call names, or the running one for null or empty; false when unknown.
bool ResolveEnvironment(LPCSTR requested, std::string* environment);
// Whether the user has administrator rights (sim::SetAdministrator).
bool Administrator();
// Whether a printer (deleted or not) refers to a driver of that name.
bool PrinterUsesDriver(const std::string& driverName);
// Whether a non-empty port of that name is listed.
bool PortExists(const std::string& name);
// When a test has made calls of that kind fail: sets its error and returns true.
bool FailsAsScripted(SpoolerCall call);

// Lays the strings of a spooler answer from the end of the caller's buffer
// towards its records, as the spooler does.
class StringArea {
public:
    StringArea(LPBYTE buffer, DWORD size) : end_(reinterpret_cast<char*>(buffer) + size) {}
    LPSTR Place(const std::string& text) {
        end_ -= text.size() + 1;
        std::memcpy(end_, text.c_str(), text.size() + 1);
        return end_;
    }

private:
    char* end_;
};

// A driver as a DRIVER_INFO_2A record: its size with its strings, and filling it.
size_t DriverInfo2Size(const Driver& driver);

// The spooler's needed-size protocol: stores total in *needed and answers whether
// a buffer of bufferSize bytes takes it (ERROR_INSUFFICIENT_BUFFER when too small,
// ERROR_INVALID_USER_BUFFER for a null buffer that would have to hold something).
bool Fits(size_t total, LPBYTE buffer, DWORD bufferSize, LPDWORD needed);
void FillDriverInfo2(const Driver& driver, DRIVER_INFO_2A* record, StringArea& strings);

// ---- printer connections ----
void ResetConnections();

// ---- loaded modules ----
void ResetModules();

// ---- windows and the shell ----
void ResetShell();

// A window of the simulation is a message handler behind a handle: SendMessageA
// calls the handler of a live window.
using WindowHandler = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam)>;
HWND CreateSimWindow(WindowHandler handler);
void DestroySimWindow(HWND window);
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
