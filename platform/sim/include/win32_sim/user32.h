// Simulated user32: the string-resource loader and the string formatter.
#pragma once

#include <win32_sim/base_types.h>

int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int capacity);

// Formats into buffer as Windows does, writing at most 1024 bytes; supports the
// C conversions. Returns the characters written, without the terminator.
int wsprintfA(LPSTR buffer, LPCSTR format, ...);
