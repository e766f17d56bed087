// The module's entry point, in place of a C runtime's: at process attach it
// constructs the module's static objects (in the order the compiler listed
// them), then hands the notification to DllMain; at process detach it hands the
// notification on first, then destroys the objects in reverse order of
// construction. A static object registers its destruction through atexit, which
// here keeps a table of its own, emptied at detach.
#include <win32.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

namespace {

using Routine = void (*)();

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

} // namespace

extern "C" {

extern Routine __CTOR_LIST__[];
extern Routine __DTOR_LIST__[];

int atexit(Routine routine) {
    if (g_exitCount == kMaxExitRoutines)
        return -1;
    g_exitRoutines[g_exitCount++] = routine;
    return 0;
}

BOOL WINAPI DllMainCRTStartup(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH)
        RunConstructors(__CTOR_LIST__);
    BOOL done = DllMain(instance, reason, reserved);
    // A refused attach is followed by no detach: tear down now.
    if (reason == DLL_PROCESS_DETACH || (reason == DLL_PROCESS_ATTACH && !done)) {
        RunExitRoutines();
        RunDestructors(__DTOR_LIST__);
    }
    return done;
}

} // extern "C"
