// Network printer enumeration against the machine's network provider router:
// the network of tests/data/test_network.txt, served under Wine by the test
// network provider. What GetPortsSelect lists is compared with what the router
// itself lists for the same container.
#include "harness/net_list.h"
#include "harness/test_machine.h"
#include "harness/test_networks.h"

#include <win32.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
using namespace harness;

using Names = std::vector<std::string>;

// A router entry with its own copies of the strings.
struct Resource {
    NETRESOURCEA fields = {};
    bool hasRemote = false, hasProvider = false;
    std::string remote, provider;

    // The entry as the router needs it to open the container.
    NETRESOURCEA* get() {
        fields.lpLocalName = fields.lpComment = nullptr;
        fields.lpRemoteName = hasRemote ? &remote[0] : nullptr;
        fields.lpProvider = hasProvider ? &provider[0] : nullptr;
        return &fields;
    }
};

// Everything the router lists for a container (null: the top of the network).
std::vector<Resource> RouterList(Resource* container) {
    std::vector<Resource> resources;
    HANDLE enumeration = nullptr;
    if (WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_PRINT, 0,
                      container ? container->get() : nullptr, &enumeration) != NO_ERROR)
        return resources;
    std::vector<char> buffer(16384);
    for (int requests = 0; requests < 10000; ++requests) {
        DWORD count = 0xFFFFFFFF, size = static_cast<DWORD>(buffer.size());
        DWORD result = WNetEnumResourceA(enumeration, &count, buffer.data(), &size);
        if (result == ERROR_MORE_DATA && size > buffer.size()) {
            buffer.resize(size);
            continue;
        }
        if (result != NO_ERROR)
            break;
        const auto* entries = reinterpret_cast<const NETRESOURCEA*>(buffer.data());
        for (DWORD i = 0; i < count; ++i) {
            Resource resource;
            resource.fields = entries[i];
            resource.hasRemote = entries[i].lpRemoteName != nullptr;
            resource.hasProvider = entries[i].lpProvider != nullptr;
            resource.remote = resource.hasRemote ? entries[i].lpRemoteName : "";
            resource.provider = resource.hasProvider ? entries[i].lpProvider : "";
            resources.push_back(resource);
        }
    }
    WNetCloseEnum(enumeration);
    return resources;
}

// What the router lists in the container that the provider and names lead to,
// found by exact remote names, as the records GetPortsSelect makes of them.
std::vector<NetRecord> RouterRecords(const std::string& provider, const Names& names) {
    std::vector<Resource> level = RouterList(nullptr);
    Names path = names;
    if (!provider.empty())
        path.insert(path.begin(), provider);
    for (const std::string& name : path) {
        Resource* next = nullptr;
        for (Resource& resource : level)
            if (resource.hasRemote && resource.remote == name)
                next = &resource;
        if (next == nullptr)
            return {};
        Resource container = *next;
        level = RouterList(&container);
    }
    std::vector<NetRecord> records;
    for (const Resource& resource : level)
        records.push_back({resource.hasProvider ? resource.provider : "No Provider",
                           resource.hasRemote ? resource.remote : "No Remote",
                           resource.fields.dwDisplayType & 0xFF});
    return records;
}

class NetworkCheck : public ::testing::Test {
protected:
    void SetUp() override {
        std::string problem;
        ASSERT_TRUE(harness::UseTestNetwork(&problem)) << problem;
        DrainNetList();
    }
    void TearDown() override { DrainNetList(); }

    // Leaves no list pending, whatever an earlier check left.
    static void DrainNetList() {
        uint32_t size = 0;
        CallGetPortsSelect(nullptr, &size, "", ""); // computes a list unless one waits
        char byte = 0;
        uint32_t none = 0;
        GetPortsSelect(&byte, &none, nullptr, nullptr); // collects whichever waits
    }
};

TEST_F(NetworkCheck, ProvidersDomainsServersAndSharesAreWhatTheRouterLists) {
    struct Case {
        std::string provider;
        Names names;
        std::vector<NetRecord> expected;
    } cases[] = {
        {"", {}, {{kKvx, kKvx, 6}, {kOther, kOther, 6}}},
        {kKvx, {}, {{kKvx, "SALES", 1}, {kKvx, "CORP", 1}, {kKvx, "BENCH", 1}}},
        {kKvx,
         {"SALES"},
         {{kKvx, "\\\\PRN01", 2},
          {kKvx, "\\\\PRN02", 2},
          {kKvx, "No Remote", 2},
          {"No Provider", "\\\\ORPHAN", 2},
          {kKvx, "\\\\PLAIN", 0},
          {kKvx, "\\\\ODD", 200}}},
        {kKvx,
         {"SALES", "\\\\PRN01"},
         {{kKvx, "\\\\PRN01\\Laser", 3}, {kKvx, "\\\\PRN01\\Thermal", 3}}},
        {kKvx, {"CORP"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.provider + " " + NetPath(c.names));
        std::vector<NetRecord> router = RouterRecords(c.provider, c.names);
        EXPECT_EQ(BrowseNet(c.provider, c.names), router);
        if (!c.expected.empty()) {
            ASSERT_GE(router.size(), c.expected.size());
            EXPECT_EQ(std::vector<NetRecord>(router.begin(), router.begin() + c.expected.size()),
                      c.expected);
        }
    }
}

TEST_F(NetworkCheck, RecordsOfOddEntriesHaveTheirPlaceholdersAndTypeBytes) {
    std::vector<char> list = FetchNetList(kKvx, NetPath({"SALES"}));
    std::string bytes(list.data(), list.size());
    auto has = [&bytes](const std::string& record) {
        return bytes.find(record) != std::string::npos;
    };
    EXPECT_TRUE(has(std::string("Kvx Network\0No Remote\0\2\0", 24)));
    EXPECT_TRUE(has(std::string("No Provider\0\\\\ORPHAN\0\2\0", 23)));
    EXPECT_TRUE(has(std::string("Kvx Network\0\\\\PLAIN\0\0\0", 22)));
    EXPECT_EQ(bytes.back(), '\0');
}

TEST_F(NetworkCheck, ProviderThatIsNotFirstAtTheTopGivesTheEmptyList) {
    EXPECT_EQ(FetchNetList(kOther, ""), std::vector<char>(1, '\0'));
    EXPECT_EQ(FetchNetList(kOther, NetPath({"WORKGROUP"})), std::vector<char>(1, '\0'));
}

TEST_F(NetworkCheck, NameThatTwoEntriesCarryIsListedForEach) {
    std::vector<NetRecord> twin = RouterRecords(kKvx, {"CORP", "\\\\TWIN"});
    ASSERT_EQ(twin.size(), 1u);
    EXPECT_EQ(BrowseNet(kKvx, {"CORP", "\\\\TWIN"}), (std::vector<NetRecord>{twin[0], twin[0]}));
}

TEST_F(NetworkCheck, ServerWhoseSharesNeedManyBatchesIsListedWhole) {
    std::vector<NetRecord> shares = BrowseNet(kKvx, {"CORP", "\\\\BIGSRV"});
    ASSERT_EQ(shares.size(), 2000u);
    EXPECT_EQ(shares, RouterRecords(kKvx, {"CORP", "\\\\BIGSRV"}));
    EXPECT_EQ(shares.back().remoteName, "\\\\BIGSRV\\P2000");
}

TEST_F(NetworkCheck, ServerThatCannotBeOpenedGivesTheEmptyList) {
    EXPECT_EQ(FetchNetList(kKvx, NetPath({"CORP", "\\\\LOCKED"})), std::vector<char>(1, '\0'));
}

TEST_F(NetworkCheck, SizingThenFetchHandsTheListOverOnce) {
    std::string expected = NetRecordBytes(RouterRecords(kKvx, {})) + '\0';
    uint32_t size = 0;
    CallGetPortsSelect(nullptr, &size, kKvx, "");
    ASSERT_EQ(size, expected.size());

    // A sizing call while the list waits leaves the size as it was.
    uint32_t untouched = 777;
    CallGetPortsSelect(nullptr, &untouched, "", "");
    EXPECT_EQ(untouched, 777u);

    std::string buffer(size + 4, '#');
    CallGetPortsSelect(&buffer[0], &size, "", "");
    EXPECT_EQ(buffer, expected + "####");

    // Nothing waits any more: the next sizing call computes anew.
    uint32_t again = 0;
    CallGetPortsSelect(nullptr, &again, "", "");
    EXPECT_EQ(again, NetRecordBytes(RouterRecords("", {})).size() + 1);
}

TEST_F(NetworkCheck, CallWithABufferWhileNothingWaitsWritesAtOnceAndKeepsTheList) {
    std::string records = NetRecordBytes(RouterRecords(kKvx, {}));
    std::string buffer(records.size() + 4, '#');
    uint32_t size = static_cast<uint32_t>(buffer.size());
    CallGetPortsSelect(&buffer[0], &size, kKvx, "");
    EXPECT_EQ(buffer, records + "####"); // no closing zero

    // The list still waits: the next call with a buffer gets what its size gives.
    std::string next(8, '#');
    uint32_t nextSize = 5;
    CallGetPortsSelect(&next[0], &nextSize, "", "");
    EXPECT_EQ(next, records.substr(0, 5) + "###");
    uint32_t fresh = 0;
    CallGetPortsSelect(nullptr, &fresh, kKvx, "");
    EXPECT_EQ(fresh, records.size() + 1);
}

} // namespace
