// The module's instance handle, recorded when the module is attached.
#pragma once

#include <win32.h>

HINSTANCE ModuleInstance();
void SetModuleInstance(HINSTANCE instance);
