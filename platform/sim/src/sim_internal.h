// Shared plumbing of the simulation's areas.
#pragma once

#include <sim_control.h>

#include <algorithm>
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
void ResetFailureSwitch();

// Whether the running version is an NT one (decides the spooler environment).
bool RunningOnNT();
// The spooler's own environment: "Windows 4.0" on the Windows 4.x releases; on
// NT "Windows NT x86", or "Windows x64" for a 64-bit process.
std::string RunningEnvironment();

// ---- the failure switch ----
// Who makes the platform calls of this thread while it lives: the library, or not
// (the simulation inside its own functions, the host, the user).
class CallerScope {
public:
    explicit CallerScope(bool library);
    CallerScope(const CallerScope&) = delete;
    CallerScope& operator=(const CallerScope&) = delete;
    ~CallerScope();
    bool LibraryWasCalling() const { return saved_; }

private:
    bool saved_;
};

// The entry of a simulated function the library imports: counts the call when
// the library made it and decides whether it fails, and makes the simulation the
// caller of what the function calls in turn. A failing function sets nothing but
// the last error (Fails() has done that) and answers its failing result:
//     sim::detail::PlatformCall call("GetPrinterA");
//     if (call.Fails())
//         return FALSE;
class PlatformCall {
public:
    explicit PlatformCall(const char* function);
    bool Fails() const { return failing_; }
    // The failing form's error, for the functions that return it.
    DWORD Error() const { return form_.error; }

private:
    CallerScope simulation_{false};
    bool failing_ = false;
    FailureForm form_;
};

// Runs code of the library that the simulation calls back: the calls it makes
// are the library's.
template <typename Callback> auto RunLibraryCode(Callback&& callback) {
    CallerScope library(true);
    return callback();
}

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
// Whether the module of that name is loaded in the process.
bool ModuleLoaded(const std::string& name);

// ---- windows and the shell ----
void ResetShell();

// A window of the simulation is a message handler behind a handle: SendMessageA
// calls the handler of a live window.
using WindowHandler = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam)>;
HWND CreateSimWindow(WindowHandler handler);
void DestroySimWindow(HWND window);
// The window procedure of the handler windows.
LRESULT CALLBACK HandlerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Whether a window procedure is the simulation's own (a class's, or a handler
// window's); any other is the library's.
bool IsSimulationProc(WNDPROC proc);
// Calls a window procedure; one of the library's runs as the library's code.
LRESULT CallProc(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
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
