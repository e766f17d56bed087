// The module's entry point, in place of a C runtime's: at process attach it
// constructs the module's static objects (in the order the compiler listed
// them), then hands the notification to DllMain; at the process detach that
// follows, it hands the notification on first, then destroys the objects in
// reverse order of construction. A static object registers its destruction
// through atexit, which here keeps a table of its own, emptied at detach.
#include <win32.h>

using Routine = void (*)();

extern "C" {
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
extern Routine __CTOR_LIST__[];
extern Routine __DTOR_LIST__[];
}

namespace {

// The linker brackets the constructors' list with -1 (or a count) in front and
// a null behind; they run from the last entry to the first.
void RunConstructors(Routine* list) {
    size_t count = 0;
    while (list[count + 1] != nullptr)
        ++count;
    for (size_t i = count; i >= 1; --i)
        list[i]();
}

void RunDestructors(Routine* list) {
    for (size_t i = 1; list[i] != nullptr; ++i)
        list[i]();
}

// The destructions registered at load. Few objects register one; a table that
// is full refuses the registration, as atexit may.
constexpr int kMaxExitRoutines = 32;
Routine g_exitRoutines[kMaxExitRoutines];
int g_exitCount = 0;

void RunExitRoutines() {
    while (g_exitCount > 0)
        g_exitRoutines[--g_exitCount]();
}

// Whether DllMain accepted the process attach and has not yet seen its detach.
bool g_attached = false;

// DllMain sees the detach while the static objects still live; then they go.
void Detach(HINSTANCE instance, LPVOID reserved) {
    DllMain(instance, DLL_PROCESS_DETACH, reserved);
    RunExitRoutines();
    RunDestructors(__DTOR_LIST__);
}

} // namespace

extern "C" {

int atexit(Routine routine) {
    if (g_exitCount == kMaxExitRoutines)
        return -1;
    g_exitRoutines[g_exitCount++] = routine;
    return 0;
}

BOOL WINAPI DllMainCRTStartup(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        RunConstructors(__CTOR_LIST__);
        g_attached = DllMain(instance, reason, reserved) != FALSE;
        // Windows documents that a DllMain refusing the attach receives the
        // detach at once: it gets it here, whether or not the loader sends one
        // (which then finds nothing attached).
        if (!g_attached)
            Detach(instance, reserved);
        return g_attached;
    case DLL_PROCESS_DETACH:
        // Only the first detach after an accepted attach tears down.
        if (g_attached) {
            g_attached = false;
            Detach(instance, reserved);
        }
        return TRUE;
    default: // a thread starts or ends
        return DllMain(instance, reason, reserved);
    }
}

} // extern "C"
