#include "harness/sim_fixture.h"

#include <kvx32.h>

#include <cstring>
#include <string>
#include <vector>

namespace {
using namespace harness;

class LocalPortsTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        Fetch(0); // no list left pending by an earlier test
    }

    // A fetch of `size` bytes into a buffer of '#' with room to spare; returns the
    // whole buffer, so that bytes written beyond size show.
    static std::string Fetch(uint32_t size) {
        std::string buffer(size + 8, '#');
        EnumLocalPorts(&buffer[0], &size);
        return buffer;
    }
};

const std::string kDefaultList("COM1:\0COM2:\0COM3:\0COM4:\0FILE:\0LPT1:\0LPT2:\0LPT3:\0", 48);

TEST_F(LocalPortsTest, SizingAddsTheListLengthAndFetchCopiesExactlyThatMuch) {
    struct Case {
        const char* what;
        std::vector<std::string> ports;
        uint32_t startSize;
        std::string list;      // the bytes the fetch writes
        uint32_t moreRoom = 0; // the fetch asks for this many bytes beyond the size
        std::string more = ""; // and finds these in the block
    } cases[] = {
        {"three names of five",
         {"LPT1:", "LPT2:", "COM1:"},
         0,
         std::string("LPT1:\0LPT2:\0COM1:\0", 18)},
        {"empty names left out", {"", "LPT1:", ""}, 0, std::string("LPT1:\0", 6)},
        {"no ports", {}, 0, ""},
        // A new block that no name was fitted to keeps its first 1000 zero bytes.
        {"no ports, fetched with room to spare", {}, 0, "", 1200, std::string(1000, '\0')},
        {"a name, fetched with room to spare", {"LPT1:"}, 0, std::string("LPT1:\0", 6), 100},
        {"size added to", {"LPT1:"}, 3, std::string("\0\0\0LPT1:\0", 9)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::SetPorts(c.ports);
        size_t blocks = sim::LiveGlobalBlocks();
        uint32_t size = c.startSize;
        EnumLocalPorts(nullptr, &size);
        EXPECT_EQ(size, c.list.size());
        EXPECT_EQ(sim::LiveGlobalBlocks(), blocks + 1); // pending, even when empty
        EXPECT_EQ(Fetch(size + c.moreRoom),
                  c.list + c.more + std::string(c.moreRoom - c.more.size() + 8, '#'));
        EXPECT_EQ(sim::LiveGlobalBlocks(), blocks);
    }
}

TEST_F(LocalPortsTest, FetchWithoutPendingListWritesNothing) {
    uint32_t size = 5;
    char buffer[8] = "#######";
    EnumLocalPorts(buffer, &size);
    EXPECT_STREQ(buffer, "#######");
    EXPECT_EQ(size, 5u);
    EnumLocalPorts(nullptr, nullptr); // no size: nothing to do, nothing pending
    EXPECT_EQ(Fetch(48), std::string(56, '#'));
}

TEST_F(LocalPortsTest, SizingWhilePendingAppendsAtTheGivenSize) {
    size_t blocks = sim::LiveGlobalBlocks();
    uint32_t size = 0;
    EnumLocalPorts(nullptr, &size);
    EnumLocalPorts(nullptr, &size); // size left as it was: a second copy
    EXPECT_EQ(size, 96u);
    EXPECT_EQ(Fetch(size), kDefaultList + kDefaultList + "########");

    EnumLocalPorts(nullptr, &size);
    size = 0;
    EnumLocalPorts(nullptr, &size); // size reset: the pending list is rebuilt
    EXPECT_EQ(size, 48u);
    EXPECT_EQ(Fetch(size), kDefaultList + "########");
    EXPECT_EQ(sim::LiveGlobalBlocks(), blocks);
}

TEST_F(LocalPortsTest, OnlyTheExpectedRefusalIsHiddenFromTheLastError) {
    // Only empty names: the probing call is refused for room, and nothing after
    // it (no block is locked) touches the last error.
    sim::SetPorts({"", ""});
    uint32_t size = 0;
    SetLastError(1234);
    EnumLocalPorts(nullptr, &size);
    EXPECT_EQ(GetLastError(), 0u);
    Fetch(size);

    size_t blocks = sim::LiveGlobalBlocks();
    ASSERT_TRUE(sim::FailCalls("EnumPortsA", ERROR_ACCESS_DENIED));
    size = 7;
    EnumLocalPorts(nullptr, &size);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(sim::LiveGlobalBlocks(), blocks); // no list made
}

TEST_F(LocalPortsTest, MemoryFailureNeverLeavesUnwrittenBytesToFetch) {
    const std::string nothing(8, '#');
    // One sizing call: after a failure nothing is pending and size is back at 0;
    // a fetch that cannot lock the block writes nothing and still frees it.
    unsigned points = SweepMemoryFaults(
        [&] {
            uint32_t size = 0;
            EnumLocalPorts(nullptr, &size);
            bool sizingFailed = sim::FaultFired();
            EXPECT_EQ(size, sizingFailed ? 0u : 48u);
            std::string fetched = Fetch(size);
            if (sizingFailed) {
                EXPECT_EQ(fetched, nothing);
            } else if (sim::FaultFired()) {
                EXPECT_EQ(fetched, std::string(48, '#') + nothing);
            } else {
                EXPECT_EQ(fetched, kDefaultList + nothing);
            }
        },
        [](bool) {});
    EXPECT_GE(points, 19u); // buffer, block, a resize and a lock per name, the fetch's lock

    // Two sizing calls: whichever of them fails, the size counts the names of the
    // one that succeeded, and the fetch delivers exactly those.
    SweepMemoryFaults(
        [&] {
            uint32_t size = 0;
            EnumLocalPorts(nullptr, &size);
            EnumLocalPorts(nullptr, &size);
            bool sizingFailed = sim::FaultFired();
            std::string fetched = Fetch(size);
            if (!sim::FaultFired()) {
                EXPECT_EQ(fetched, kDefaultList + kDefaultList + nothing);
            } else if (!sizingFailed) {
                EXPECT_EQ(fetched, std::string(96, '#') + nothing);
            } else {
                EXPECT_EQ(size, 48u);
                EXPECT_EQ(fetched, kDefaultList + nothing);
            }
        },
        [](bool) {});
}

TEST_F(LocalPortsTest, PortSettingsAnswerAsTheMonitorDoes) {
    struct Case {
        const char* port;
        DWORD dialog; // how the dialog ends
        int32_t result;
        DWORD error;
    } cases[] = {
        {"LPT1:", 0, 1, 0},
        {"lpt2:", 0, 1, 0},
        {"LPT1:", ERROR_CANCELLED, 0, ERROR_CANCELLED},
        {"LPT9:", 0, 0, ERROR_UNKNOWN_PORT},
        {nullptr, 0, 0, RPC_X_NULL_REF_POINTER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.port ? c.port : "null");
        sim::Reset();
        sim::SetPortDialogOutcome(c.dialog);
        SetLastError(0);
        EXPECT_EQ(SetPortSettings(c.port) != 0, c.result != 0);
        EXPECT_EQ(GetLastError(), c.error);
        auto calls = sim::PortConfigurations();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_TRUE(calls[0].localServer);
        EXPECT_EQ(calls[0].owner, nullptr);
        EXPECT_EQ(calls[0].portGiven, c.port != nullptr);
        EXPECT_EQ(calls[0].port, c.port ? c.port : "");
    }
}

} // namespace
