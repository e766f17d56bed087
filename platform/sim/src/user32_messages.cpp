// Windows as message handlers behind handles, and SendMessageA to them.
#include "sim_internal.h"

#include <map>

namespace {

std::map<HWND, sim::detail::WindowHandler> g_windows;
uintptr_t g_lastWindow = 0x10000;

} // namespace

namespace sim::detail {

HWND CreateSimWindow(WindowHandler handler) {
    g_lastWindow += 4;
    HWND window = reinterpret_cast<HWND>(g_lastWindow);
    g_windows[window] = std::move(handler);
    return window;
}

void DestroySimWindow(HWND window) {
    g_windows.erase(window);
}

} // namespace sim::detail

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto it = g_windows.find(window);
    if (it == g_windows.end()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    // The handler may create or destroy windows: call a copy.
    sim::detail::WindowHandler handler = it->second;
    return handler(message, wParam, lParam);
}
