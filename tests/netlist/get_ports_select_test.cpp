// The network list (GetPortsSelect) over the simulated router: the records of
// each container, the two-call protocol and the odd entries a network holds.
#include "harness/sim_fixture.h"

#include "harness/net_list.h"
#include "harness/test_networks.h"
#include "frame/handoff.h"
#include "appkit/shared_string.h"
#include "netlist/net_path.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {
using namespace harness;

using Names = std::vector<std::string>;
using Data = CSharedString::Data;

Data* HeaderOf(const char* chars) {
    return reinterpret_cast<Data*>(const_cast<char*>(chars)) - 1;
}

NetRecord Kvx(const std::string& remote, unsigned display) {
    return {kKvx, remote, display};
}

class NetListTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        Drain();
        std::string error;
        ASSERT_TRUE(sim::LoadNetworkTree(kWideNetwork, &error)) << error;
    }
    void TearDown() override {
        Drain();
        EXPECT_EQ(sim::OpenNetEnumerations(), 0u);
    }
    static void Drain() { g_netListSlot.Take(); }

    // Appends a printer share to a container of Kvx Network.
    static void AddShare(const std::string& container, const std::string& name,
                         std::optional<std::string> provider = kKvx) {
        sim::NetResource share;
        share.remoteName = name;
        share.provider = provider;
        share.displayType = RESOURCEDISPLAYTYPE_SHARE;
        sim::AddNetEntry(kKvx, container, share);
    }
    static void AddServer(const std::string& container, const std::string& name) {
        sim::NetResource server;
        server.remoteName = name;
        server.provider = kKvx;
        server.displayType = RESOURCEDISPLAYTYPE_SERVER;
        sim::AddNetEntry(kKvx, container, server);
    }
};

// The buffer of a container's first request, and a server whose entry needs more.
const size_t kFirstBufferBytes = 16384;
const std::string kLongServer = "\\\\" + std::string(20000, 'S');

TEST(NetworkPathTest, SplitsOneSegmentAndRejectsWhatBreaksTheForm) {
    struct Case {
        std::string path;
        size_t length; // characters of the path the split may read
        bool wellFormed;
        std::string first, remainder;
    } cases[] = {
        {"", 0, true, "", ""},
        {"0005SALES", 9, true, "SALES", ""},
        {"0005SALES0007\\\\PRN01", 20, true, "SALES", "0007\\\\PRN01"},
        {"0000", 4, true, "", ""},
        {"00000005SALES", 13, true, "", "0005SALES"},
        {"0005SALESxyz", 12, true, "SALES", "xyz"},
        {"000", 3, false, "", ""},
        {"5", 1, false, "", ""},
        {"00a5SALES", 9, false, "", ""},
        {" 005SALES", 9, false, "", ""},
        {"-005SALES", 9, false, "", ""},
        {"0006SALES", 9, false, "", ""},
        {"9999x", 5, false, "", ""},
        // Only the given length counts, whatever follows in memory.
        {"0005SALES", 8, false, "", ""},
        {"0005SALES", 3, false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " read to " + std::to_string(c.length));
        PathSplit split = SplitNetworkPath({c.path.c_str(), c.length});
        EXPECT_EQ(split.wellFormed, c.wellFormed);
        EXPECT_EQ(std::string(split.first.chars, split.first.length), c.first);
        EXPECT_EQ(std::string(split.remainder.chars, split.remainder.length), c.remainder);
    }
}

TEST_F(NetListTest, ListsTheContainerThePathNamesOpeningOneContainerPerLevel) {
    struct Case {
        const char* what;
        std::string provider;
        std::string path;
        std::vector<NetRecord> records;
        Names opened;
    } cases[] = {
        {"providers", "", "", {{kKvx, kKvx, 6}, {kOther, kOther, 6}}, {""}},
        {"a provider's domains", kKvx, "", {Kvx("SALES", 1), Kvx("CORP", 1)}, {"", kKvx}},
        {"a domain's servers, odd entries recorded as they come",
         kKvx,
         NetPath({"SALES"}),
         {Kvx("\\\\PRN01", 2),
          Kvx("\\\\PRN02", 2),
          Kvx("No Remote", 2),
          {"No Provider", "\\\\ORPHAN", 2},
          Kvx("\\\\PLAIN", 0),
          Kvx("\\\\ODD", 0xC3)},
         {"", kKvx, "SALES"}},
        {"a server's printer shares",
         kKvx,
         NetPath({"SALES", "\\\\PRN01"}),
         {Kvx("\\\\PRN01\\Laser", 3)},
         {"", kKvx, "SALES", "\\\\PRN01"}},
        {"a provider that is not first at the top", kOther, "", {}, {""}},
        {"a provider named in another case", "kvx network", "", {}, {""}},
        {"a name two entries carry: both are descended into",
         kKvx,
         NetPath({"CORP", "\\\\TWIN"}),
         {Kvx("\\\\TWIN\\Laser", 3), Kvx("\\\\TWIN\\Laser", 3)},
         {"", kKvx, "CORP", "\\\\TWIN", "\\\\TWIN"}},
        {"a server whose open fails",
         kKvx,
         NetPath({"CORP", "\\\\LOCKED"}),
         {},
         {"", kKvx, "CORP", "\\\\LOCKED"}},
        {"a name no entry carries: the first entry is searched instead",
         kKvx,
         NetPath({"NOPE"}),
         {},
         {"", kKvx, "SALES", "\\\\PRN01", "\\\\PRN01\\Laser"}},
        {"a path that breaks the form names nothing", kKvx, "0005SAL", {}, {}},
        {"a well-formed first name followed by a broken rest", kKvx, "0005SALES12", {}, {"", kKvx}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        std::string error;
        ASSERT_TRUE(sim::LoadNetworkTree(kWideNetwork, &error));
        std::vector<char> list = FetchNetList(c.provider, c.path);
        bool whole = false;
        EXPECT_EQ(ParseNetList(list, &whole), c.records);
        EXPECT_TRUE(whole);
        EXPECT_EQ(std::string(list.data(), list.size()), NetRecordBytes(c.records) + '\0');
        EXPECT_EQ(sim::NetContainersOpened(), c.opened);
        EXPECT_FALSE(g_netListSlot.Pending());
        EXPECT_EQ(sim::OpenNetEnumerations(), 0u);
    }
}

template <size_t N> std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

TEST_F(NetListTest, RecordsAreLaidOutAsTheyComeWithTheLowByteOfTheDisplayType) {
    std::vector<char> list = FetchNetList(kKvx, NetPath({"SALES"}));
    std::string expected = Bytes("Kvx Network\0\\\\PRN01\0\2\0"
                                 "Kvx Network\0\\\\PRN02\0\2\0"
                                 "Kvx Network\0No Remote\0\2\0"
                                 "No Provider\0\\\\ORPHAN\0\2\0"
                                 "Kvx Network\0\\\\PLAIN\0\0\0"
                                 "Kvx Network\0\\\\ODD\0\xC3\0"
                                 "\0");
    EXPECT_EQ(std::string(list.data(), list.size()), expected);
}

TEST_F(NetListTest, ContainerThatNeedsManyBatchesIsListedWhole) {
    // 3000 shares need far more than one 16384-byte batch.
    std::vector<NetRecord> expected;
    for (int i = 1; i <= 3000; ++i) {
        expected.push_back(Kvx("\\\\TWIN\\P" + std::to_string(i), 3));
        AddShare("\\\\TWIN", expected.back().remoteName);
    }
    sim::ResetPeakMemory();
    sim::ResetPlatformCalls();
    std::vector<NetRecord> records = BrowseNet(kKvx, {"CORP", "\\\\TWIN"});
    // The block doubles as it grows: a few reallocations copy the list, and it
    // never takes more than three times the list's size at once.
    size_t listBytes = NetRecordBytes(records).size();
    EXPECT_LT(sim::PlatformCalls()["GlobalReAlloc"], 24u);
    EXPECT_LT(sim::PeakMemoryBytes(), 3 * listBytes + 64 * 1024);
    // Listed whole by each of the two entries that carry the name.
    expected.insert(expected.begin(), Kvx("\\\\TWIN\\Laser", 3));
    ASSERT_EQ(records.size(), 2 * expected.size());
    EXPECT_EQ(std::vector<NetRecord>(records.begin(), records.begin() + 3001), expected);
    EXPECT_EQ(std::vector<NetRecord>(records.begin() + 3001, records.end()), expected);
}

TEST_F(NetListTest, ListingLevelKeepsListingWhateverItsLaterBatchesStartWith) {
    // Two entries per batch; the second batch starts with an entry of no
    // provider, which must be listed, not searched.
    sim::SetNetBatchLimit("\\\\PRN02", 2);
    AddShare("\\\\PRN02", "\\\\PRN02\\Second");
    AddShare("\\\\PRN02", "\\\\PRN02\\Orphan", std::nullopt);
    AddShare("\\\\PRN02", "\\\\PRN02\\Fourth");

    std::vector<NetRecord> records = BrowseNet(kKvx, {"SALES", "\\\\PRN02"});
    std::vector<NetRecord> expected = {Kvx("\\\\PRN02\\Receipt", 3),
                                       Kvx("\\\\PRN02\\Second", 3),
                                       {"No Provider", "\\\\PRN02\\Orphan", 3},
                                       Kvx("\\\\PRN02\\Fourth", 3)};
    EXPECT_EQ(records, expected);
    EXPECT_EQ(sim::NetContainersOpened(), (Names{"", kKvx, "SALES", "\\\\PRN02"}));
}

TEST_F(NetListTest, TargetInALaterBatchIsFoundAfterSearchingEarlierFirstEntries) {
    // One server per batch at the domain level: the first batch's server is
    // searched in vain, the second batch holds the server named.
    const Names search = {"SALES", "\\\\PRN01", "\\\\PRN01\\Laser", "\\\\PRN02"};
    const NetRecord receipt = Kvx("\\\\PRN02\\Receipt", 3);
    struct Case {
        const char* what;
        bool domainTwice; // a second entry of the provider carries the domain's name
    } cases[] = {
        {"one entry carries the domain's name", false},
        // The server found below the first entry does not cut the second one's search short.
        {"two entries carry it: each is searched alike", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        std::string error;
        ASSERT_TRUE(sim::LoadNetworkTree(kWideNetwork, &error));
        sim::SetNetBatchLimit("SALES", 1);
        std::vector<NetRecord> expected = {receipt};
        Names opened = {"", kKvx};
        opened.insert(opened.end(), search.begin(), search.end());
        if (c.domainTwice) {
            sim::NetResource domain;
            domain.remoteName = "SALES";
            domain.provider = kKvx;
            domain.displayType = RESOURCEDISPLAYTYPE_DOMAIN;
            sim::AddNetEntry(kKvx, std::nullopt, domain);
            expected.push_back(receipt);
            opened.insert(opened.end(), search.begin(), search.end());
        }
        EXPECT_EQ(BrowseNet(kKvx, {"SALES", "\\\\PRN02"}), expected);
        EXPECT_EQ(sim::NetContainersOpened(), opened);
    }
}

TEST_F(NetListTest, RouterFaultsEndAContainerAfterFewTriesAndLeakNoHandle) {
    const std::vector<NetRecord> servers = BrowseNet(kKvx, {"SALES"});
    ASSERT_EQ(servers.size(), 6u);
    struct Case {
        const char* what;
        void (*inject)();
        size_t listed;         // servers of SALES still listed
        bool longLast = false; // and after them the long server the injection added
        bool zeroed = false;   // and after them records of zeroed entries, from inside the buffer
    } cases[] = {
        {"the open fails", [] { sim::FailNetOpen("SALES", ERROR_ACCESS_DENIED); }, 0},
        {"two requests fail, then the router answers",
         [] { sim::FailNetRequests("SALES", ERROR_UNEXP_NET_ERR, 2); }, 6},
        // The third failure in a row ends the container, however the router would go on.
        {"three requests fail, then the router answers",
         [] { sim::FailNetRequests("SALES", ERROR_UNEXP_NET_ERR, 3); }, 0},
        // A batch in between counts the failures from none again: the entry too
        // large for the first buffer, asked for once more, is listed.
        {"two requests fail, a batch, then an entry larger than the buffer",
         [] {
             sim::FailNetRequests("SALES", ERROR_UNEXP_NET_ERR, 2);
             AddServer("SALES", kLongServer);
         },
         6, true},
        // The entries after those written are read as long as they are zeros: the
        // first one over the strings at the buffer's end ends the batch.
        {"the router reports more entries than it wrote",
         [] { sim::SetNetReportedCount("SALES", 0xFFFFFFFF); }, 6, false, true},
        {"requests keep failing", [] { sim::FailNetRequests("SALES", ERROR_BUSY, ~0u); }, 0},
        {"more data is asked for without a larger size",
         [] { sim::FailNetRequests("SALES", ERROR_MORE_DATA, ~0u); }, 0},
        {"the container never reports its end", [] { sim::SetNetEndless("SALES"); }, 6},
        {"the top of the network fails", [] { sim::FailNetOpen("", ERROR_NO_NETWORK); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        std::string error;
        ASSERT_TRUE(sim::LoadNetworkTree(kWideNetwork, &error));
        c.inject();
        std::vector<NetRecord> expected(servers.begin(), servers.begin() + c.listed);
        if (c.longLast)
            expected.push_back(Kvx(kLongServer, RESOURCEDISPLAYTYPE_SERVER));
        std::vector<NetRecord> records = BrowseNet(kKvx, {"SALES"});
        if (c.zeroed) {
            const size_t bufferEntries = kFirstBufferBytes / sizeof(NETRESOURCEA);
            ASSERT_GT(records.size(), expected.size());
            EXPECT_LT(records.size(), bufferEntries);
            expected.resize(records.size(), NetRecord{"No Provider", "No Remote", 0});
        }
        EXPECT_EQ(records, expected);
        EXPECT_EQ(sim::OpenNetEnumerations(), 0u);
        EXPECT_EQ(sim::LockedGlobalBlocks(), 0u);
    }
}

TEST_F(NetListTest, EntryLargerThanABatchIsFetchedWithTheSizeTheRouterAsksFor) {
    std::string longName = "\\\\PRN02\\" + std::string(20000, 'L');
    AddShare("\\\\PRN02", longName);
    std::vector<NetRecord> records = BrowseNet(kKvx, {"SALES", "\\\\PRN02"});
    EXPECT_EQ(records, (std::vector<NetRecord>{Kvx("\\\\PRN02\\Receipt", 3), Kvx(longName, 3)}));
}

TEST_F(NetListTest, NetworkThatAnswersWithContainersForeverIsSearchedToABoundedDepth) {
    // A container that lists itself: the search for a name nobody carries
    // descends into the first entry again and again.
    sim::NetResource loop;
    loop.remoteName = "LOOP";
    loop.provider = kKvx;
    loop.displayType = RESOURCEDISPLAYTYPE_DOMAIN;
    sim::Reset();
    sim::AddNetEntry(kKvx, std::nullopt, loop);
    sim::AddNetEntry(kKvx, std::string("LOOP"), loop);

    EXPECT_TRUE(BrowseNet(kKvx, {"NOPE"}).empty());
    size_t opened = sim::NetContainersOpened().size();
    EXPECT_GT(opened, 6u); // deeper than any real network
    EXPECT_LT(opened, 40u);

    // Listed one entry per batch, each level searches the first entry of every
    // batch: without a bound that is 3 to the power of the depth. The search
    // ends at its 1024th container.
    sim::AddNetEntry(kKvx, std::string("LOOP"), loop);
    sim::AddNetEntry(kKvx, std::string("LOOP"), loop);
    sim::SetNetBatchLimit("LOOP", 1);
    EXPECT_TRUE(BrowseNet(kKvx, {"NOPE"}).empty());
    EXPECT_EQ(sim::NetContainersOpened().size() - opened, 1024u);
}

TEST_F(NetListTest, SizingAndFetchHandTheResultOverOnce) {
    std::string expected = NetRecordBytes({Kvx("SALES", 1), Kvx("CORP", 1)}) + '\0';
    size_t blocks = sim::LiveGlobalBlocks();

    uint32_t size = 0;
    CallGetPortsSelect(nullptr, &size, kKvx, "");
    ASSERT_EQ(size, expected.size());
    EXPECT_TRUE(g_netListSlot.Pending());
    EXPECT_EQ(sim::LiveGlobalBlocks(), blocks + 1);

    // A sizing call while the block waits changes nothing.
    uint32_t untouched = 12345;
    CallGetPortsSelect(nullptr, &untouched, "", "");
    EXPECT_EQ(untouched, 12345u);
    EXPECT_TRUE(g_netListSlot.Pending());
    EXPECT_EQ(sim::NetContainersOpened().size(), 2u); // no second enumeration

    // The fetch copies what the size gives, never more than the block holds.
    std::string buffer(expected.size() + 8, '#');
    uint32_t generous = static_cast<uint32_t>(buffer.size());
    CallGetPortsSelect(&buffer[0], &generous, "", "");
    EXPECT_EQ(buffer, expected + std::string(8, '#'));
    EXPECT_FALSE(g_netListSlot.Pending());
    EXPECT_EQ(sim::LiveGlobalBlocks(), blocks);
}

TEST_F(NetListTest, CallWithABufferWhileNothingIsPendingWritesAtOnceWithinItsSize) {
    std::string records = NetRecordBytes({Kvx("SALES", 1), Kvx("CORP", 1)});
    struct Case {
        uint32_t size;
        size_t written;
    } cases[] = {
        {1000, records.size()}, {uint32_t(records.size()), records.size()}, {5, 5}, {0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        std::string buffer(records.size() + 8, '#');
        uint32_t size = c.size;
        CallGetPortsSelect(&buffer[0], &size, kKvx, "");
        EXPECT_EQ(buffer.substr(0, c.written), records.substr(0, c.written));
        EXPECT_EQ(buffer.substr(c.written), std::string(buffer.size() - c.written, '#'));
        EXPECT_EQ(size, c.size);
        // The block stays pending: the next call with a buffer receives it.
        ASSERT_TRUE(g_netListSlot.Pending());
        std::string next(records.size() + 1, '#');
        uint32_t nextSize = 4;
        CallGetPortsSelect(&next[0], &nextSize, "", "");
        EXPECT_EQ(next.substr(0, 4), records.substr(0, 4));
        EXPECT_EQ(next.substr(4), std::string(next.size() - 4, '#'));
        EXPECT_FALSE(g_netListSlot.Pending());
    }
}

TEST_F(NetListTest, NullSizeWritesNothingAndAFetchStillFreesTheBlock) {
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    CallGetPortsSelect(buffer, nullptr, kKvx, ""); // enumerates, keeps the block
    EXPECT_EQ(buffer[0], '#');
    ASSERT_TRUE(g_netListSlot.Pending());
    CallGetPortsSelect(buffer, nullptr, "", ""); // the fetch
    EXPECT_EQ(buffer[0], '#');
    EXPECT_FALSE(g_netListSlot.Pending());
    CallGetPortsSelect(nullptr, nullptr, kKvx, ""); // a sizing call with nowhere to report
    EXPECT_TRUE(g_netListSlot.Pending());
}

TEST_F(NetListTest, NoNetworkGivesTheEmptyList) {
    sim::Reset();
    EXPECT_EQ(FetchNetList("", ""), std::vector<char>(1, '\0'));
    char buffer[4] = {'#', '#', '#', '#'};
    uint32_t size = sizeof buffer;
    CallGetPortsSelect(buffer, &size, kKvx, ""); // nothing pending: written at once, no records
    EXPECT_EQ(std::string(buffer, 4), "####");
}

TEST_F(NetListTest, BothStringsAreReleasedOnEveryPath) {
    struct Case {
        const char* what;
        bool pendingBefore;
        bool withBuffer;
        bool withSize;
    } cases[] = {
        {"sizing", false, false, true},  {"sizing while a block waits", true, false, true},
        {"fetch", true, true, true},     {"buffer while nothing is pending", false, true, true},
        {"no size", false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Drain();
        if (c.pendingBefore)
            CallGetPortsSelect(nullptr, nullptr, "", "");
        size_t heap = sim::LiveHeapBlocks();
        // One string the host still shares (count 2), one it hands over (count 1).
        const char* provider = kvx_shared_string(kKvx.c_str());
        const char* path = kvx_shared_string(NetPath({"SALES"}).c_str());
        InterlockedIncrement(&HeaderOf(provider)->refs);
        char buffer[256];
        uint32_t size = sizeof buffer;
        GetPortsSelect(c.withBuffer ? buffer : nullptr, c.withSize ? &size : nullptr, provider,
                       path);
        EXPECT_EQ(HeaderOf(provider)->refs, 1);
        EXPECT_EQ(sim::LiveHeapBlocks(), heap + 1);
        kvx_shared_string_free(provider);
        EXPECT_EQ(sim::LiveHeapBlocks(), heap);
    }
}

TEST_F(NetListTest, PathIsReadWithinItsHeaderLengthAndItsTerminator) {
    struct Case {
        std::string chars;
        LONG headerLength;
        std::vector<NetRecord> records;
    } cases[] = {
        // The header says 9: only "0005SALES" counts.
        {"0005SALES0007\\\\PRN01", 9, BrowseNet(kKvx, {"SALES"})},
        // The header claims more than the terminator allows: "0005SALES" again.
        {std::string("0005SALES\0"
                     "0007\\\\PRN01",
                     21),
         21, BrowseNet(kKvx, {"SALES"})},
        {"0005SALES", -7, BrowseNet(kKvx, {})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.headerLength);
        auto* data =
            static_cast<Data*>(HeapAlloc(GetProcessHeap(), 0, sizeof(Data) + c.chars.size() + 1));
        data->refs = 1;
        data->length = c.headerLength;
        data->capacity = static_cast<LONG>(c.chars.size());
        std::memcpy(data->chars(), c.chars.data(), c.chars.size() + 1);
        uint32_t size = 0;
        GetPortsSelect(nullptr, &size, kvx_shared_string(kKvx.c_str()), data->chars());
        std::vector<char> list(size);
        GetPortsSelect(list.data(), &size, nullptr, nullptr);
        EXPECT_EQ(ParseNetList(list), c.records);
    }
}

TEST_F(NetListTest, BlockThatCannotGrowIsFreedAndTheRecordsBeforeAreReported) {
    // The first four records fit the 100-byte block: fail its first growth.
    std::string allRecords = NetRecordBytes(BrowseNet(kKvx, {"SALES"}));
    std::string fourRecords = NetRecordBytes({Kvx("\\\\PRN01", 2),
                                              Kvx("\\\\PRN02", 2),
                                              Kvx("No Remote", 2),
                                              {"No Provider", "\\\\ORPHAN", 2}});
    size_t blocks = sim::LiveGlobalBlocks();
    sim::FailNth(sim::Fault::GlobalReAlloc, 1);
    uint32_t size = 0;
    CallGetPortsSelect(nullptr, &size, kKvx, NetPath({"SALES"}));
    EXPECT_TRUE(sim::FaultFired());
    EXPECT_EQ(size, fourRecords.size() + 1);
    EXPECT_FALSE(g_netListSlot.Pending());
    EXPECT_EQ(sim::LiveGlobalBlocks(), blocks);
    // With nothing pending, the next call with a buffer enumerates afresh and
    // writes as much as its size gives.
    std::vector<char> buffer(size + 1, '#');
    CallGetPortsSelect(buffer.data(), &size, kKvx, NetPath({"SALES"}));
    EXPECT_EQ(std::string(buffer.data(), buffer.size()), allRecords.substr(0, size) + '#');
    g_netListSlot.Take();

    // A call with a buffer whose block is freed as it grows writes an empty list,
    // and nothing at all into a buffer of size 0.
    for (uint32_t room : {0u, 4u}) {
        SCOPED_TRACE(room);
        char guarded[4] = {'#', '#', '#', '#'};
        uint32_t roomLeft = room;
        sim::FailNth(sim::Fault::GlobalReAlloc, 1);
        CallGetPortsSelect(guarded, &roomLeft, kKvx, NetPath({"SALES"}));
        EXPECT_TRUE(sim::FaultFired());
        EXPECT_EQ(std::string(guarded, 4), room == 0 ? "####" : std::string("\0###", 4));
        EXPECT_EQ(roomLeft, room);
        EXPECT_FALSE(g_netListSlot.Pending());
    }
}

TEST_F(NetListTest, MemoryFailuresGiveAnOrderedPartOfTheListAndLeakNothing) {
    const std::vector<NetRecord> full = BrowseNet(kKvx, {"SALES", "\\\\PRN01"});
    // Strings counted high enough that no call frees them: each call must take
    // exactly one reference from each.
    const char* provider = kvx_shared_string(kKvx.c_str());
    const char* path = kvx_shared_string(NetPath({"SALES", "\\\\PRN01"}).c_str());
    for (const char* chars : {provider, path})
        HeaderOf(chars)->refs = 1000;
    LONG calls = 0;
    unsigned points = SweepMemoryFaults(
        [&] {
            uint32_t size = 0;
            GetPortsSelect(nullptr, &size, provider, path);
            std::vector<char> list(size, '\x7F'); // what a failed fetch leaves is no record
            GetPortsSelect(list.data(), &size, provider, path);
            calls += 2;
            Drain(); // a fetch that found nothing pending left its own block
            bool whole = false;
            std::vector<NetRecord> records = ParseNetList(list, &whole);
            ExpectOrderedPart(records, full);
            if (!sim::FaultFired()) {
                EXPECT_EQ(records, full);
                EXPECT_TRUE(whole);
            }
            EXPECT_EQ(sim::OpenNetEnumerations(), 0u);
        },
        [](bool) {});
    // The list's block, one batch for each of the four levels, the list's lock and
    // its shrink, then the fetch's lock: at least eight operations to fail.
    EXPECT_GE(points, 8u);
    for (const char* chars : {provider, path}) {
        EXPECT_EQ(HeaderOf(chars)->refs, 1000 - calls);
        kvx_shared_string_free(chars);
    }
}

} // namespace
