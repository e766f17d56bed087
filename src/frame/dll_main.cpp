// Module entry: the runtime has constructed the static objects by the time the
// attach notification arrives; the library only records its instance handle.
#include "appkit/module_instance.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        SetModuleInstance(instance);
    return TRUE;
}
