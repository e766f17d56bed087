// Test fixture and helpers over the simulated platform.
#pragma once

#include "printer_browser/shell_library.h"

#include <sim_control.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace harness {

// A new machine: the simulation's Reset, and the library forgets the shell's
// module it keeps for the rest of the process (the new machine has not loaded it).
inline void NewMachine() {
    sim::Reset();
    g_shellLibrary = ShellLibrary();
}

class SimTest : public ::testing::Test {
protected:
    void SetUp() override { NewMachine(); }
};

// The memory the code under test holds, to compare before and after a run.
struct MemoryHeld {
    size_t globalBlocks = sim::LiveGlobalBlocks();
    size_t heapBlocks = sim::LiveHeapBlocks();
    size_t lockedBlocks = sim::LockedGlobalBlocks();
};

// A release the platform refuses keeps its object: how many more objects of
// each kind a failure of `function` may leave held (the one it was asked to
// release). Nothing else may stay behind.
struct Leftovers {
    size_t globalBlocks = 0, lockedBlocks = 0, heapBlocks = 0, printerHandles = 0, enumerations = 0,
           imageLists = 0, bitmaps = 0, moduleReferences = 0;
};
inline Leftovers LeftoversOf(const std::string& function) {
    Leftovers may;
    if (function == "GlobalFree")
        may.globalBlocks = 1;
    else if (function == "GlobalUnlock")
        may.lockedBlocks = 1;
    else if (function == "HeapFree" || function == "GetProcessHeap") // the heap of a free
        may.heapBlocks = 1;
    else if (function == "ClosePrinter")
        may.printerHandles = 1;
    else if (function == "WNetCloseEnum")
        may.enumerations = 1;
    else if (function == "ImageList_Destroy")
        may.imageLists = 1;
    else if (function == "DeleteObject")
        may.bitmaps = 1;
    else if (function == "FreeLibrary")
        may.moduleReferences = 1;
    return may;
}
inline Leftovers LeftoversOfFailure() {
    std::optional<sim::FiredFailure> fired = sim::FaultFiredAs();
    return fired ? LeftoversOf(fired->function) : Leftovers{};
}

// No global or heap block leaked and no lock held since `before`, but what a
// refused release of `failed` keeps.
inline void ExpectMemoryReturned(const MemoryHeld& before, const std::string& failed,
                                 const std::string& run) {
    Leftovers may = LeftoversOf(failed);
    EXPECT_LE(sim::LiveGlobalBlocks(), before.globalBlocks + may.globalBlocks)
        << "global block leaked, " << run;
    EXPECT_LE(sim::LiveHeapBlocks(), before.heapBlocks + may.heapBlocks)
        << "heap block leaked, " << run;
    EXPECT_LE(sim::LockedGlobalBlocks(), before.lockedBlocks + may.lockedBlocks)
        << "lock held, " << run;
}

// Fails the 1st, 2nd, ... memory operation (global allocation, lock, resize or
// heap allocation) of `operation` in turn until a run completes without the fault
// firing. After each run it checks that no global or heap block leaked and no
// lock is held, then calls `check(faultFired)` for the operation's own result.
// `prepare`, when given, sets the machine up before each run, before the counts
// are taken and the fault is armed. Returns the number of failure points covered.
inline unsigned SweepMemoryFaults(const std::function<void()>& operation,
                                  const std::function<void(bool faultFired)>& check,
                                  const std::function<void()>& prepare = {}) {
    for (unsigned nth = 1; nth < 10000; ++nth) {
        std::string run = "memory operation " + std::to_string(nth) + " fails";
        SCOPED_TRACE(run);
        if (prepare)
            prepare();
        MemoryHeld before;
        sim::FailNth(sim::Fault::AnyMemory, nth);
        operation();
        bool fired = sim::FaultFired();
        sim::ClearFaults();
        ExpectMemoryReturned(before, "", run);
        check(fired);
        if (!fired)
            return nth - 1;
    }
    ADD_FAILURE() << "the operation never completed";
    return 0;
}

// What a platform sweep covered: the calls failed, the runs (one per call and
// failure form), and the runs by the function that failed.
struct PlatformSweep {
    unsigned points = 0;
    unsigned runs = 0;
    std::map<std::string, unsigned> runsByFunction;

    PlatformSweep& operator+=(const PlatformSweep& other) {
        points += other.points;
        runs += other.runs;
        for (const auto& [function, count] : other.runsByFunction)
            runsByFunction[function] += count;
        return *this;
    }
};

// Fails each platform call of `operation` in turn with each failure form of its
// function. A first run counts the library's calls; then the nth call of each
// function fails, for every n it reached and every form, one run each. The
// operation checks its own result (sim::FaultFiredAs() says what failed); after
// each run the sweep checks that no memory was kept but what a refused release
// keeps. `prepare` sets the machine up before each run, before the counts are
// taken and the failure is armed.
inline PlatformSweep SweepPlatformFailures(const std::function<void()>& operation,
                                           const std::function<void()>& prepare) {
    PlatformSweep sweep;
    prepare();
    MemoryHeld before;
    sim::ResetPlatformCalls();
    operation();
    ExpectMemoryReturned(before, "", "no failure");
    const std::map<std::string, unsigned> calls = sim::PlatformCalls();
    for (const auto& [function, count] : calls) {
        auto forms = sim::FailureForms().find(function);
        if (forms == sim::FailureForms().end())
            continue;
        for (unsigned nth = 1; nth <= count; ++nth) {
            sweep.points += forms->second.empty() ? 0 : 1;
            for (const sim::FailureForm& form : forms->second) {
                std::string run =
                    function + " call " + std::to_string(nth) + " fails, " + sim::Describe(form);
                SCOPED_TRACE(run);
                prepare();
                MemoryHeld held;
                sim::ResetPlatformCalls();
                EXPECT_TRUE(sim::FailNthCall(function, nth, form));
                operation();
                bool fired = sim::FaultFired();
                sim::ClearFaults();
                EXPECT_TRUE(fired) << "the run did not make the calls the counting run made";
                ExpectMemoryReturned(held, function, run);
                ++sweep.runs;
                ++sweep.runsByFunction[function];
            }
        }
    }
    return sweep;
}

// A destination buffer that shows how many bytes were written into it.
struct Destination {
    char bytes[600];
    Destination() { std::memset(bytes, '#', sizeof bytes); }
    // The text written, or "(untouched)"; fails when more than text + NUL was written.
    std::string Written() const {
        if (bytes[0] == '#')
            return "(untouched)";
        size_t length = strnlen(bytes, sizeof bytes);
        EXPECT_EQ(bytes[length + 1], '#') << "written past the terminator";
        return std::string(bytes, length);
    }
};

} // namespace harness
