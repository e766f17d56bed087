// Networks that answer with what no real network holds: names of 64 KiB, 100,000
// entries in one container, containers in every container, enumerations that never
// end, one name over and over, empty names. GetPortsSelect and the Browse Network
// dialog must finish on each with whole records, in bounded memory and work.
#include "harness/tree_view.h"
#include "harness/sim_fixture.h"

#include "browse_network/browse_network_dialog.h"
#include "netlist/net_enum.h"
#include "browse_network/net_records.h"

#include <kvx32.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>

namespace {
using namespace harness;

const char kHostile[] = "Hostile";
const size_t kManyEntries = 100000;

sim::NetResource Entry(std::string remoteName, DWORD displayType,
                       std::optional<std::string> provider = std::string(kHostile)) {
    sim::NetResource entry;
    entry.remoteName = std::move(remoteName);
    entry.provider = std::move(provider);
    entry.displayType = displayType;
    return entry;
}

// "\\H" and the index in `digits` digits.
std::string Numbered(const char* prefix, size_t index, int digits) {
    char name[32];
    std::snprintf(name, sizeof name, "%s%0*zu", prefix, digits, index);
    return name;
}

struct Shape {
    const char* name;
    sim::NetGenerator generator;
    std::vector<std::string> path; // the container listed, below the provider's own level
    size_t records;                // records in the list
    bool cut;                      // the list is cut at 4 MiB: as many whole records as fit
    size_t maxRequests;            // router requests one listing may take
    size_t maxOpened;              // containers one listing may open
    size_t period = 0;             // a list of several containers' entries repeats after this many
    unsigned batchLimit = 0;       // entries per router request at most (0: as many as fit)
};

std::optional<sim::NetResource> HugeNames(const std::string&, size_t index) {
    if (index >= 1000)
        return std::nullopt;
    return Entry(std::string(65536, static_cast<char>('a' + index % 26)),
                 RESOURCEDISPLAYTYPE_SHARE);
}

std::optional<sim::NetResource> ManyEntries(const std::string&, size_t index) {
    if (index >= kManyEntries)
        return std::nullopt;
    return Entry(Numbered("\\\\H", index, 6), RESOURCEDISPLAYTYPE_SERVER);
}

// Fresh names for as long as anyone asks.
std::optional<sim::NetResource> EndlessEntries(const std::string&, size_t index) {
    return Entry(Numbered("\\\\E", index, 10), RESOURCEDISPLAYTYPE_SERVER);
}

// The same with names of 4 characters, repeating after 1,000: more entries than
// a search reads fit in a list.
std::optional<sim::NetResource> EndlessShortEntries(const std::string&, size_t index) {
    return Entry(Numbered("E", index % 1000, 3), RESOURCEDISPLAYTYPE_SERVER);
}

// The same with names of 200 characters, which fill a list sooner.
std::optional<sim::NetResource> EndlessLongEntries(const std::string&, size_t index) {
    return Entry(Numbered("\\\\E", index, 10) + std::string(187, 'e'), RESOURCEDISPLAYTYPE_SERVER);
}

// Every container, however deep, holds a container "C" and a share.
std::optional<sim::NetResource> ContainersForever(const std::string&, size_t index) {
    if (index == 0)
        return Entry("C", RESOURCEDISPLAYTYPE_DOMAIN);
    if (index == 1)
        return Entry("\\\\C\\P", RESOURCEDISPLAYTYPE_SHARE);
    return std::nullopt;
}

// 2,000 entries of one name of 500 characters in every container.
const std::string kSameName = "\\\\SAME" + std::string(494, 's');
const size_t kSameCount = 2000;

std::optional<sim::NetResource> Duplicates(const std::string&, size_t index) {
    if (index >= kSameCount)
        return std::nullopt;
    return Entry(kSameName, RESOURCEDISPLAYTYPE_SERVER);
}

// An entry of 16 MiB between two ordinary ones.
std::optional<sim::NetResource> GiantEntry(const std::string&, size_t index) {
    if (index >= 3)
        return std::nullopt;
    return Entry(index == 1 ? std::string(16 << 20, 'g') : Numbered("\\\\G", index, 1),
                 RESOURCEDISPLAYTYPE_SERVER);
}

// Records that leave the list 100 bytes short of 4 MiB (one of 4,004 bytes, then
// 1,022 of 4,100, three to a request), then in one request a record of 211 bytes
// that does not fit and one of 15 that would.
std::optional<sim::NetResource> CutThenSmall(const std::string&, size_t index) {
    if (index > 1024)
        return std::nullopt;
    if (index >= 1023)
        return Entry(index == 1023 ? std::string(200, 'b') : "\\\\SM", RESOURCEDISPLAYTYPE_SERVER);
    size_t length = index == 0 ? 3993 : 4089;
    return Entry(Numbered("\\\\F", index, 4) + std::string(length - 7, 'f'),
                 RESOURCEDISPLAYTYPE_SERVER);
}

// Empty remote names and empty providers, mixed with ordinary entries.
std::optional<sim::NetResource> EmptyNames(const std::string&, size_t index) {
    if (index >= 3000)
        return std::nullopt;
    switch (index % 3) {
    case 0:
        return Entry("", RESOURCEDISPLAYTYPE_SHARE);
    case 1:
        return Entry("\\\\X", RESOURCEDISPLAYTYPE_SERVER, std::string());
    default:
        return Entry(Numbered("\\\\N", index, 4), RESOURCEDISPLAYTYPE_SERVER);
    }
}

// Record bytes of an entry of the provider named kHostile.
size_t RecordBytes(size_t remoteLength) {
    return sizeof kHostile - 1 + remoteLength + 4;
}

std::vector<Shape> Shapes() {
    size_t hugeRecord = RecordBytes(65536);
    return {
        // One entry per request once the router has asked for a larger buffer.
        // 63 records of 65,547 bytes fit 4 MiB.
        {"names of 64 KiB", HugeNames, {}, 63, true, kMaxListBytes / hugeRecord + 8, 3},
        // Once a record is left out, no later one goes in, however small.
        {"a record that passes 4 MiB, then a small one", CutThenSmall, {}, 1023, true, 400, 3},
        // The giant entry ends the container: the router cannot skip it.
        {"an entry of 16 MiB", GiantEntry, {}, 1, false, 8, 3},
        {"100,000 entries", ManyEntries, {}, kManyEntries, false, kManyEntries / 100, 3},
        // 19,878 records of 211 bytes fit 4 MiB.
        {"fresh entries forever, listed",
         EndlessLongEntries,
         {},
         19878,
         true,
         kMaxEntriesRead / 16,
         3},
        // A search reads 2^18 entries, however many more the router offers: with
        // the provider's entry at the top, 1,387 requests of 189 come to exactly that.
        {"fresh entries forever, 189 a request, listed",
         EndlessShortEntries,
         {},
         (size_t{1} << 18) - 1,
         false,
         1 + 1387,
         3,
         1000,
         189},
        // Two a request: the request that reads entry 2^18 is the last one listed.
        {"fresh entries forever, 2 a request, listed",
         EndlessShortEntries,
         {},
         size_t{1} << 18,
         false,
         1 + (size_t{1} << 17),
         3,
         1000,
         2},
        {"fresh entries forever, searched",
         EndlessEntries,
         {"\\\\MISSING"},
         0,
         false,
         kMaxEntriesRead / 100,
         kMaxDepth + 3},
        {"containers forever, 12 levels down", ContainersForever, std::vector<std::string>(12, "C"),
         2, false, 64, 16},
        // The top is level 0: a container 16 levels below it is listed, one 17 below is not.
        {"containers forever, 15 levels down", ContainersForever, std::vector<std::string>(15, "C"),
         2, false, 64, 17},
        {"containers forever, 16 levels down", ContainersForever, std::vector<std::string>(16, "C"),
         0, false, 64, 17},
        {"containers forever, searched for a name none holds",
         ContainersForever,
         {"X"},
         0,
         false,
         64,
         20},
        // Each entry carries the name searched for: each one is listed in turn
        // until the list is full.
        {"one name 2,000 times, searched for",
         Duplicates,
         {kSameName},
         8208, // records of 511 bytes
         true,
         kMaxListBytes / RecordBytes(kSameName.size()),
         kMaxOpened + 1,
         kSameCount},
        {"empty names", EmptyNames, {}, 3000, false, 32, 3},
    };
}

std::string PathOf(const std::vector<std::string>& segments) {
    std::string path(16 * 1024, '\0');
    for (const std::string& segment : segments)
        EXPECT_EQ(kvx_network_path_append(path.data(), path.size(), segment.c_str()), 1);
    return path.c_str();
}

// The list's records, checked whole: every record reads as one, and the walk ends
// at the closing zero.
std::vector<kvx_net_entry> WalkWhole(const std::vector<char>& list) {
    std::vector<kvx_net_entry> records;
    uint32_t size = static_cast<uint32_t>(list.size()), offset = 0;
    kvx_net_entry entry;
    int read;
    while ((read = kvx_net_entry_next(list.data(), size, &offset, &entry)) == 1)
        records.push_back(entry);
    EXPECT_EQ(read, 0) << "a record cut short at offset " << offset;
    EXPECT_EQ(offset + 1, size) << "the walk ended before the closing zero";
    EXPECT_EQ(list.back(), '\0');
    return records;
}

class HostileNetworkTest : public SimTest {};

TEST_F(HostileNetworkTest, GetPortsSelectListsWholeRecordsInBoundedMemoryAndWork) {
    for (const Shape& shape : Shapes()) {
        SCOPED_TRACE(shape.name);
        sim::Reset();
        sim::AddGeneratedNetProvider(kHostile, shape.generator);
        if (shape.batchLimit != 0)
            sim::SetNetBatchLimit(kHostile, shape.batchLimit);
        size_t globalBlocks = sim::LiveGlobalBlocks();
        sim::ResetPeakMemory();

        uint32_t size = 0;
        GetPortsSelect(nullptr, &size, kvx_shared_string(kHostile),
                       kvx_shared_string(PathOf(shape.path).c_str()));
        EXPECT_LE(size, kMaxListBytes + 1);
        std::vector<char> list(size);
        GetPortsSelect(list.data(), &size, nullptr, nullptr); // also frees the result
        ASSERT_GE(size, 1u);
        EXPECT_EQ(sim::LiveGlobalBlocks(), globalBlocks);
        EXPECT_EQ(sim::OpenNetEnumerations(), 0u);
        // The list block (old and new while it grows) and one batch of the router.
        EXPECT_LE(sim::PeakMemoryBytes(), 2 * kMaxListBytes + 256 * 1024);
        EXPECT_LE(sim::NetRequests(), shape.maxRequests);
        EXPECT_LE(sim::NetContainersOpened().size(), shape.maxOpened);

        std::vector<kvx_net_entry> records = WalkWhole(list);
        EXPECT_EQ(records.size(), shape.records);
        if (shape.cut) {
            // Cut before the record that would pass the cap, and no earlier.
            EXPECT_LE(list.size() - 1, kMaxListBytes);
            size_t longest = 0;
            for (const kvx_net_entry& record : records)
                longest = std::max(longest, RecordBytes(std::strlen(record.remote_name)));
            EXPECT_GT(list.size() - 1 + longest, kMaxListBytes);
        }
        // What the list holds is the container's entries in the router's order.
        std::string container = shape.path.empty() ? kHostile : shape.path.back();
        for (size_t i = 0; i < records.size(); i += 1 + records.size() / 64) {
            size_t index = shape.period != 0 ? i % shape.period : i;
            std::optional<sim::NetResource> entry = shape.generator(container, index);
            ASSERT_TRUE(entry);
            EXPECT_EQ(records[i].remote_name, *entry->remoteName) << "record " << i;
            EXPECT_EQ(records[i].provider, *entry->provider) << "record " << i;
            EXPECT_EQ(records[i].display_type, entry->displayType) << "record " << i;
        }
    }
}

class HostileBrowseTest : public SimTest {
protected:
    // Shows the dialog and expands the provider, then `deeper` times the child "C"
    // (or else the first child) of the item expanded last, calling `check` after
    // each expansion with the item expanded.
    void Browse(unsigned deeper, const std::function<void(HWND, HTREEITEM)>& check) {
        harness::InstallBrowseResources();
        BrowseNetworkDialog dialog;
        sim::SetDialogDriver([&](HWND window) {
            HWND tree = GetDlgItem(window, IDC_TREE);
            std::vector<harness::ItemView> roots = harness::ChildrenOf(tree, nullptr);
            ASSERT_EQ(harness::Labels(roots), std::vector<std::string>{kHostile});
            HTREEITEM item = roots[0].item;
            for (unsigned level = 0; level <= deeper && item != nullptr; ++level) {
                sim::ClickExpandButton(tree, item);
                check(tree, item);
                std::vector<harness::ItemView> children = harness::ChildrenOf(tree, item);
                item = children.empty() ? nullptr : children[0].item;
                for (const harness::ItemView& child : children)
                    if (child.text == "C")
                        item = child.item;
            }
        });
        dialog.DoModal();
    }
};

TEST_F(HostileBrowseTest, ExpansionInsertsABoundedNumberOfWholeRecords) {
    struct Case {
        const char* name;
        sim::NetGenerator generator;
        size_t children; // items the provider's expansion shows
    };
    const Case cases[] = {
        {"names of 64 KiB", HugeNames, kMaxListBytes / RecordBytes(65536)},
        {"an entry of 16 MiB", GiantEntry, 1},
        {"100,000 entries", ManyEntries, kMaxItemsPerExpansion},
        {"fresh entries forever", EndlessLongEntries, kMaxItemsPerExpansion},
        {"one name 2,000 times", Duplicates, kSameCount},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::Reset();
        sim::AddGeneratedNetProvider(kHostile, c.generator);
        size_t heapBlocks = sim::LiveHeapBlocks();
        Browse(0, [&](HWND tree, HTREEITEM provider) {
            std::vector<harness::ItemView> children = harness::ChildrenOf(tree, provider);
            ASSERT_EQ(children.size(), c.children);
            // Sorted by label, the first of the container's entries in order (the
            // view reads the first 511 characters of a label).
            std::optional<sim::NetResource> first = c.generator(kHostile, 0);
            EXPECT_FALSE(children[0].text.empty());
            EXPECT_EQ(children[0].text, first->remoteName->substr(0, children[0].text.size()));
            EXPECT_EQ(sim::LiveTreeItems(), c.children + 1);
            // The fetched list, its copy and the nodes with two copies of each name.
            EXPECT_LE(sim::PeakMemoryBytes(), 5 * kMaxListBytes);
        });
        EXPECT_EQ(sim::LiveHeapBlocks(), heapBlocks);
        EXPECT_EQ(sim::LiveTreeItems(), 0u);
    }
}

TEST_F(HostileBrowseTest, ContainersForeverAreBrowsedOneBoundedLevelAtATime) {
    sim::AddGeneratedNetProvider(kHostile, ContainersForever);
    size_t expanded = 0, withChildren = 0, openedBefore = 0;
    Browse(kMaxDepth + 4, [&](HWND tree, HTREEITEM item) {
        size_t opened = sim::NetContainersOpened().size();
        size_t children = harness::ChildrenOf(tree, item).size();
        EXPECT_TRUE(children == 0 || children == 2) << "level " << expanded;
        withChildren += children != 0;
        ++expanded;
        // One container per level of the path, the provider's and the top.
        EXPECT_LE(opened - openedBefore, expanded + 2) << "level " << expanded;
        openedBefore = opened;
    });
    // Every level the search reaches is shown; below it, nothing more.
    EXPECT_EQ(withChildren, kMaxDepth);
    EXPECT_EQ(expanded, kMaxDepth + 1);
}

TEST_F(HostileBrowseTest, EmptyNamesShowOneItemEachAndLeakNothing) {
    sim::AddGeneratedNetProvider(kHostile, EmptyNames);
    size_t heapBlocks = sim::LiveHeapBlocks();
    Browse(0, [&](HWND tree, HTREEITEM provider) {
        std::vector<harness::ItemView> children = harness::ChildrenOf(tree, provider);
        ASSERT_EQ(children.size(), 3000u);
        // An empty name shifts nothing: each entry keeps its own label.
        auto labelled = [&](const std::string& text) {
            return std::count_if(children.begin(), children.end(),
                                 [&](const harness::ItemView& item) { return item.text == text; });
        };
        EXPECT_EQ(labelled(""), 1000);
        EXPECT_EQ(labelled("\\\\X"), 1000);
        EXPECT_EQ(labelled(Numbered("\\\\N", 2, 4)), 1);
    });
    EXPECT_EQ(sim::LiveHeapBlocks(), heapBlocks);
}

} // namespace
