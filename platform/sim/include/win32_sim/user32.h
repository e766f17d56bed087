// Simulated user32: the string-resource loader.
#pragma once

#include <win32_sim/base_types.h>

int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int capacity);
