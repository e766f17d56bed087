#include "appkit/module_instance.h"

namespace {
HINSTANCE g_instance = nullptr;
}

HINSTANCE ModuleInstance() {
    return g_instance;
}

void SetModuleInstance(HINSTANCE instance) {
    g_instance = instance;
}
