// The module entry against the real loader: two DLLs on the product's entry code
// (module_entry_probe.cpp), one whose DllMain accepts the process attach and one
// whose DllMain refuses it, are loaded and unloaded here, and what each reports
// of its static objects and its DllMain calls is checked.
#include <win32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// What the probes reported, by thread: the process's other threads (Wine starts
// some of its own) report their thread attach and detach too, at any moment.
struct Event {
    DWORD thread;
    char name[40];
};
constexpr LONG kMaxEvents = 256;
Event g_events[kMaxEvents];
LONG g_eventCount = 0;

} // namespace

// The probes find this in the program that loaded them.
extern "C" __declspec(dllexport) void KvxProbeEvent(const char* name) {
    LONG slot = InterlockedIncrement(&g_eventCount) - 1;
    if (slot >= kMaxEvents)
        return;
    g_events[slot].thread = GetCurrentThreadId();
    lstrcpynA(g_events[slot].name, name, sizeof g_events[slot].name);
}

namespace {

using Events = std::vector<std::string>;

// Where the events reported from now on begin.
LONG Mark() {
    return InterlockedCompareExchange(&g_eventCount, 0, 0);
}

// What `thread` reported since `mark`.
Events ReportedSince(LONG mark, DWORD thread) {
    Events events;
    for (LONG i = mark; i < std::min(Mark(), kMaxEvents); ++i)
        if (g_events[i].thread == thread)
            events.push_back(g_events[i].name);
    return events;
}

size_t Count(const Events& events, const std::string& event) {
    return static_cast<size_t>(std::count(events.begin(), events.end(), event));
}

// Where the event first happened; events.size() when it did not.
size_t At(const Events& events, const std::string& event) {
    return static_cast<size_t>(std::find(events.begin(), events.end(), event) - events.begin());
}

std::string Listed(const Events& events) {
    std::string text;
    for (const std::string& event : events)
        text += "\n  " + event;
    return text;
}

// What a load hands the module: each static object made once, before DllMain
// sees the attach, which it sees once.
void ExpectAttach(const Events& events) {
    for (const char* once :
         {"construct first", "construct second", "constructor function", "DllMain process attach"})
        EXPECT_EQ(Count(events, once), 1u) << once;
    size_t attach = At(events, "DllMain process attach");
    EXPECT_LT(At(events, "construct first"), At(events, "construct second"));
    EXPECT_LT(At(events, "construct second"), attach);
    EXPECT_LT(At(events, "constructor function"), attach);
}

// What the teardown hands the module: DllMain sees the detach once, while the
// objects live; then each goes once, the later made first.
void ExpectDetach(const Events& events) {
    for (const char* once :
         {"DllMain process detach", "destroy second", "destroy first", "destructor function"})
        EXPECT_EQ(Count(events, once), 1u) << once;
    size_t detach = At(events, "DllMain process detach");
    EXPECT_LT(detach, At(events, "destroy second"));
    EXPECT_LT(At(events, "destroy second"), At(events, "destroy first"));
    EXPECT_LT(detach, At(events, "destructor function"));
}

DWORD WINAPI DoNothing(LPVOID) {
    return 0;
}

// Starts a thread that ends at once, and waits for it; its identifier, or 0.
DWORD RunAThread() {
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, DoNothing, nullptr, 0, &id);
    if (thread == nullptr)
        return 0;
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);
    return id;
}

TEST(ModuleEntryCheck, EachAttachIsTornDownOnceAndDllMainSeesOnlyTheDetachOfItsAttach) {
    struct Case {
        const char* dll;
        bool loads; // whether its DllMain accepts the attach
    } cases[] = {
        {"kvx_entry_probe_accept.dll", true},
        {"kvx_entry_probe_refuse.dll", false},
    };
    DWORD self = GetCurrentThreadId();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dll);
        LONG mark = Mark();
        HMODULE module = LoadLibraryA(c.dll);
        Events atLoad = ReportedSince(mark, self);
        SCOPED_TRACE("at load:" + Listed(atLoad));
        ExpectAttach(atLoad);
        if (!c.loads) {
            // Refused: DllMain had its detach and the objects went before
            // LoadLibrary returned; the loader's own detach changed nothing.
            EXPECT_EQ(module, nullptr);
            ExpectDetach(atLoad);
            EXPECT_EQ(atLoad.size(), 8u);
            continue;
        }
        ASSERT_NE(module, nullptr) << "error " << GetLastError();
        EXPECT_EQ(atLoad.size(), 4u) << "nothing torn down while loaded";

        mark = Mark();
        DWORD thread = RunAThread();
        ASSERT_NE(thread, 0u);
        EXPECT_EQ(ReportedSince(mark, thread),
                  Events({"DllMain thread attach", "DllMain thread detach"}));

        mark = Mark();
        EXPECT_TRUE(FreeLibrary(module));
        Events atUnload = ReportedSince(mark, self);
        SCOPED_TRACE("at unload:" + Listed(atUnload));
        ExpectDetach(atUnload);
        EXPECT_EQ(atUnload.size(), 4u);
    }
    EXPECT_LE(Mark(), kMaxEvents) << "events lost";
}

} // namespace
