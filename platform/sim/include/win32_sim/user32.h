// Simulated user32: the string-resource loader, the string formatter and
// messages to windows.
#pragma once

#include <win32_sim/base_types.h>

int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int capacity);

// Formats into buffer as Windows does, writing at most 1024 bytes; supports the
// C conversions. Returns the characters written, without the terminator.
int wsprintfA(LPSTR buffer, LPCSTR format, ...);

#define WM_USER 0x0400
#define ERROR_INVALID_WINDOW_HANDLE 1400L

// Calls the window's handler; 0 for a handle that names no window.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
