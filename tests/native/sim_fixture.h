// Test fixture and helpers over the simulated platform.
#pragma once

#include <sim_control.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

class SimTest : public ::testing::Test {
protected:
    void SetUp() override { sim::Reset(); }
};

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
        SCOPED_TRACE("memory operation " + std::to_string(nth) + " fails");
        if (prepare)
            prepare();
        size_t globalBlocks = sim::LiveGlobalBlocks();
        size_t heapBlocks = sim::LiveHeapBlocks();
        sim::FailNth(sim::Fault::AnyMemory, nth);
        operation();
        bool fired = sim::FaultFired();
        sim::ClearFaults();
        EXPECT_EQ(sim::LiveGlobalBlocks(), globalBlocks) << "global block leaked, failure " << nth;
        EXPECT_EQ(sim::LiveHeapBlocks(), heapBlocks) << "heap block leaked, failure " << nth;
        EXPECT_EQ(sim::LockedGlobalBlocks(), 0u) << "lock held, failure " << nth;
        check(fired);
        if (!fired)
            return nth - 1;
    }
    ADD_FAILURE() << "the operation never completed";
    return 0;
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
