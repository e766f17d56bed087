// The helpers kvx32.h gives hosts for GetPortsSelect: building its strings and
// paths, and walking the records it returns.
#include "harness/sim_fixture.h"

#include "appkit/shared_string.h"

#include <kvx32.h>

#include <cstring>
#include <memory>
#include <string>

namespace {
using namespace harness;

// Hosts compare display types with the header's constants.
static_assert(KVX_NET_GENERIC == RESOURCEDISPLAYTYPE_GENERIC &&
                  KVX_NET_DOMAIN == RESOURCEDISPLAYTYPE_DOMAIN &&
                  KVX_NET_SERVER == RESOURCEDISPLAYTYPE_SERVER &&
                  KVX_NET_SHARE == RESOURCEDISPLAYTYPE_SHARE &&
                  KVX_NET_NETWORK == RESOURCEDISPLAYTYPE_NETWORK,
              "display types");

using HostHelpersTest = SimTest;

TEST_F(HostHelpersTest, SharedStringHasTheLibrarysLayoutAndIsReleasedByIt) {
    size_t heap = sim::LiveHeapBlocks();
    const char* chars = kvx_shared_string("0005SALES");
    ASSERT_NE(chars, nullptr);
    const auto* header = reinterpret_cast<const CSharedString::Data*>(chars) - 1;
    EXPECT_EQ(header->refs, 1);
    EXPECT_EQ(header->length, 9);
    EXPECT_EQ(header->capacity, 9);
    EXPECT_STREQ(chars, "0005SALES");
    { CSharedString adopted = CSharedString::Adopt(chars); }
    EXPECT_EQ(sim::LiveHeapBlocks(), heap);

    kvx_shared_string_free(kvx_shared_string("never passed"));
    kvx_shared_string_free(nullptr);
    EXPECT_EQ(sim::LiveHeapBlocks(), heap);

    EXPECT_EQ(kvx_shared_string(nullptr), nullptr);
    sim::FailNth(sim::Fault::HeapAlloc, 1);
    EXPECT_EQ(kvx_shared_string("x"), nullptr);
}

TEST_F(HostHelpersTest, NetworkPathSegmentsCarryFourDigitLengths) {
    struct Case {
        std::string start;
        std::string name;
        size_t capacity;
        int result;
        std::string path;
    } cases[] = {
        {"", "SALES", 64, 1, "0005SALES"},
        {"0005SALES", "\\\\PRN01", 64, 1, "0005SALES0007\\\\PRN01"},
        {"", "", 64, 1, "0000"},
        {"", std::string(9999, 'n'), 10004, 1, "9999" + std::string(9999, 'n')},
        {"", std::string(10000, 'n'), 20000, 0, ""},
        {"", "SALES", 10, 1, "0005SALES"}, // exactly fits with its terminator
        {"", "SALES", 9, 0, ""},
        {"0005SALES", "X", 10, 0, "0005SALES"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start + " + " + c.name.substr(0, 20));
        std::string buffer(c.capacity + 4, '#');
        std::memcpy(&buffer[0], c.start.c_str(), c.start.size() + 1);
        EXPECT_EQ(kvx_network_path_append(&buffer[0], c.capacity, c.name.c_str()), c.result);
        EXPECT_STREQ(buffer.c_str(), c.path.c_str());
        EXPECT_EQ(buffer.substr(c.capacity), "####");
    }
    char unterminated[4] = {'0', '0', '0', '5'};
    EXPECT_EQ(kvx_network_path_append(unterminated, sizeof unterminated, "A"), 0);
}

TEST_F(HostHelpersTest, RecordWalkerReadsOnlyWholeRecordsWithinTheSize) {
    struct Case {
        const char* what;
        std::string list; // as fetched: records and the closing zero
        int records;      // read before the walk ends
        int last;         // what the walk ends with
    } cases[] = {
        {"empty list", std::string(1, '\0'), 0, 0},
        {"one record", std::string("P\0R\0\3\0\0", 7), 1, 0},
        {"display type 0", std::string("P\0R\0\0\0P\0S\0\2\0\0", 13), 2, 0},
        {"empty strings", std::string("\0\0\6\0\0", 5), 1, 0},
        {"cut in the provider", std::string("Prov", 4), 0, -1},
        {"cut after the remote name", std::string("P\0R\0\3", 5), 0, -1},
        {"terminator missing", std::string("P\0R\0\3X\0", 7), 0, -1},
        {"second record cut", std::string("P\0R\0\3\0P\0R", 10), 1, -1},
        {"no bytes", std::string(), 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // A copy of exactly the list's size, so that a read beyond it is caught.
        std::unique_ptr<char[]> list(new char[c.list.size()]);
        std::memcpy(list.get(), c.list.data(), c.list.size());
        uint32_t offset = 0;
        kvx_net_entry entry;
        int read, records = 0;
        while ((read = kvx_net_entry_next(list.get(), static_cast<uint32_t>(c.list.size()), &offset,
                                          &entry)) == 1) {
            EXPECT_LE(offset, c.list.size() - 1);
            ++records;
        }
        EXPECT_EQ(records, c.records);
        EXPECT_EQ(read, c.last);
    }
    std::string list("Kvx\0\\\\S\0\xC8\0\0", 11);
    uint32_t offset = 0;
    kvx_net_entry entry;
    EXPECT_EQ(kvx_net_entry_next(list.data(), 11, nullptr, &entry), 0);
    EXPECT_EQ(kvx_net_entry_next(list.data(), 11, &offset, nullptr), 0);
    ASSERT_EQ(kvx_net_entry_next(list.data(), 11, &offset, &entry), 1);
    EXPECT_STREQ(entry.provider, "Kvx");
    EXPECT_STREQ(entry.remote_name, "\\\\S");
    EXPECT_EQ(entry.display_type, 200u);
    EXPECT_EQ(offset, 10u);
}

} // namespace
