// A DLL on the product's entry code (src/runtime/module_entry.cpp) that reports
// what becomes of it: each construction and destruction of its static objects
// and each DllMain call, by reason. It reports to the program that loaded it,
// through that program's export KvxProbeEvent, since a DLL whose attach was
// refused is gone before the program could read anything from it. Built twice:
// with KVX_PROBE_REFUSES its DllMain refuses the process attach.
#include <win32.h>

namespace {

#ifdef KVX_PROBE_REFUSES
constexpr BOOL kAttachAnswer = FALSE;
#else
constexpr BOOL kAttachAnswer = TRUE;
#endif

void Report(const char* event) {
    using Sink = void (*)(const char*);
    FARPROC found = GetProcAddress(GetModuleHandleA(nullptr), "KvxProbeEvent");
    if (found != nullptr)
        reinterpret_cast<Sink>(reinterpret_cast<void*>(found))(event);
}

// A static object whose destruction is registered through atexit.
class Reporter {
public:
    Reporter(const char* made, const char* gone) : gone_(gone) { Report(made); }
    Reporter(const Reporter&) = delete;
    Reporter& operator=(const Reporter&) = delete;
    ~Reporter() { Report(gone_); }

private:
    const char* gone_;
};

Reporter g_first("construct first", "destroy first");
Reporter g_second("construct second", "destroy second");

// Functions on the linker's constructor and destructor lists.
__attribute__((constructor)) void ConstructorFunction() {
    Report("constructor function");
}

__attribute__((destructor)) void DestructorFunction() {
    Report("destructor function");
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        Report("DllMain process attach");
        return kAttachAnswer;
    case DLL_PROCESS_DETACH:
        Report("DllMain process detach");
        break;
    case DLL_THREAD_ATTACH:
        Report("DllMain thread attach");
        break;
    case DLL_THREAD_DETACH:
        Report("DllMain thread detach");
        break;
    default:
        Report("DllMain unknown reason");
        break;
    }
    return TRUE;
}
