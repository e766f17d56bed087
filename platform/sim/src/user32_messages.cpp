// Windows whose messages a handler of the simulation answers (the shell's browse
// dialog): plain windows of the window manager, subclassed to call the handler.
#include "sim_internal.h"

#include <map>

namespace {

std::map<HWND, sim::detail::WindowHandler> g_handlers;

} // namespace

namespace sim::detail {

LRESULT CALLBACK HandlerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto it = g_handlers.find(window);
    if (it == g_handlers.end())
        return DefWindowProcA(window, message, wParam, lParam);
    // The handler may create or destroy windows: call a copy.
    WindowHandler handler = it->second;
    return handler(message, wParam, lParam);
}

HWND CreateSimWindow(WindowHandler handler) {
    HWND window =
        CreateWindowExA(0, "Static", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    if (window == nullptr)
        return nullptr;
    g_handlers[window] = std::move(handler);
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HandlerProc));
    return window;
}

void DestroySimWindow(HWND window) {
    g_handlers.erase(window);
    DestroyWindow(window);
}

} // namespace sim::detail
