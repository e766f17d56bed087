#include "harness/sim_fixture.h"

#include "browse_network/browse_nodes.h"

#include <cstring>
#include <random>
#include <string>

namespace {
using namespace harness;

HTREEITEM Item(uintptr_t n) {
    return reinterpret_cast<HTREEITEM>(n);
}

using BrowseNodesTest = SimTest;

// What the list must answer: the first node in creation order with that item.
const BrowseNode* WalkFor(const BrowseNodeList& nodes, HTREEITEM item) {
    for (const BrowseNode* node = nodes.First(); node != nullptr; node = node->next)
        if (node->item == item)
            return node;
    return nullptr;
}

TEST_F(BrowseNodesTest, LookupsAnswerTheFirstNodeOfAnItemAsAWalkWould) {
    BrowseNodeList nodes;
    std::mt19937 random(6);
    std::vector<HTREEITEM> keys;
    for (int i = 0; i < 3000; ++i) {
        // Items repeat (and null ones too, as for insertions the tree refused).
        HTREEITEM item = Item(random() % 1000 == 0 ? 0 : 8 * (random() % 1500) + 0x40000);
        keys.push_back(item);
        ASSERT_NE(nodes.AppendNode(item, nullptr, "l", "p", "r", 2, kNodeServer), nullptr);
    }
    EXPECT_EQ(nodes.Count(), 3000u);
    for (HTREEITEM item : keys)
        ASSERT_EQ(nodes.FindNode(item), WalkFor(nodes, item));
    EXPECT_EQ(nodes.FindNode(Item(0x99999999)), nullptr);
}

TEST_F(BrowseNodesTest, NodesOwnCopiesOfTheirStringsAndClearFreesThemAll) {
    size_t heapBlocks = sim::LiveHeapBlocks();
    {
        BrowseNodeList nodes;
        std::string label = "\\\\PRN01", provider = "Kvx Network", remote = "\\\\PRN01";
        BrowseNode* node = nodes.AppendNode(Item(8), Item(16), label.c_str(), provider.c_str(),
                                            remote.c_str(), 3, kNodePrinterShare);
        ASSERT_NE(node, nullptr);
        label[2] = provider[0] = remote[3] = '#';
        EXPECT_STREQ(node->label, "\\\\PRN01");
        EXPECT_STREQ(node->provider, "Kvx Network");
        EXPECT_STREQ(node->remoteName, "\\\\PRN01");
        EXPECT_EQ(node->parent, Item(16));
        EXPECT_EQ(node->next, nullptr);
        EXPECT_STREQ(nodes.AppendNode(Item(24), nullptr, nullptr, nullptr, nullptr, 0, 0)->label,
                     "");
        EXPECT_EQ(node->next, nodes.FindNode(Item(24)));
    }
    EXPECT_EQ(sim::LiveHeapBlocks(), heapBlocks);
}

TEST_F(BrowseNodesTest, AppendThatRunsOutOfMemoryLeavesTheListAsItWas) {
    BrowseNodeList nodes;
    nodes.AppendNode(Item(8), nullptr, "a", "p", "a", 1, kNodeDomain);
    sim::FailNth(sim::Fault::HeapAlloc, 1);
    EXPECT_EQ(nodes.AppendNode(Item(16), nullptr, "b", "p", "b", 1, kNodeDomain), nullptr);
    EXPECT_EQ(nodes.Count(), 1u);
    EXPECT_EQ(nodes.FindNode(Item(16)), nullptr);
    EXPECT_NE(nodes.AppendNode(Item(16), nullptr, "b", "p", "b", 1, kNodeDomain), nullptr);
    EXPECT_EQ(nodes.First()->next, nodes.FindNode(Item(16)));
}

struct PathNode {
    uintptr_t item, parent;
    const char* remoteName;
    int16_t displayType;
};

struct PathCase {
    const char* name;
    std::vector<PathNode> tree; // the last node is the one whose path is built
    bool built;
    const char* path;
};

TEST_F(BrowseNodesTest, PathHoldsTheSegmentsBelowTheProviderOutermostFirst) {
    const std::string longName(9999, 'n');
    const std::string tooLong(10000, 'n');
    const PathCase cases[] = {
        {"provider", {{1, 0, "Kvx Network", 6}}, true, ""},
        {"workgroup under a provider at the root",
         {{1, 0, "Kvx Network", 6}, {2, 1, "SALES", 1}},
         true,
         "0005SALES"},
        {"server under it",
         {{1, 0, "Kvx Network", 6}, {2, 1, "SALES", 1}, {3, 2, "\\\\PRN01", 2}},
         true,
         "0005SALES0007\\\\PRN01"},
        {"share under the server",
         {{1, 0, "Kvx Network", 6},
          {2, 1, "SALES", 1},
          {3, 2, "\\\\PRN01", 2},
          {4, 3, "\\\\PRN01\\Lbl42", 3}},
         true,
         "0005SALES0007\\\\PRN010013\\\\PRN01\\Lbl42"},
        {"root item above the provider, providers nested",
         {{1, 0, "Entire Network", 0},
          {2, 1, "Kvx Network", 6},
          {3, 2, "Inner", 6},
          {4, 3, "SALES", 1}},
         true,
         "0005SALES"},
        {"workgroup at the root", {{1, 0, "SALES", 1}}, true, "0005SALES"},
        {"longest name", {{1, 0, "Kvx Network", 6}, {2, 1, longName.c_str(), 1}}, true, nullptr},
        {"name too long",
         {{1, 0, "Kvx Network", 6}, {2, 1, tooLong.c_str(), 1}, {3, 2, "\\\\PRN01", 2}},
         false,
         ""},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.name);
        BrowseNodeList nodes;
        for (const PathNode& node : c.tree)
            nodes.AppendNode(Item(node.item), Item(node.parent), node.remoteName, "Kvx Network",
                             node.remoteName, node.displayType, kNodeOther);
        CSharedString provider, path;
        const BrowseNode& target = *nodes.FindNode(Item(c.tree.back().item));
        ASSERT_EQ(BuildNodePath(nodes, target, provider, path), c.built);
        if (!c.built)
            continue;
        EXPECT_STREQ(provider.c_str(), "Kvx Network");
        EXPECT_EQ(std::string(path.c_str()), c.path ? std::string(c.path) : "9999" + longName);
    }
}

} // namespace
