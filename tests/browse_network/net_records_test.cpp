#include "harness/net_list.h"
#include "harness/tree_view.h"
#include "harness/sim_fixture.h"

#include "browse_network/net_records.h"
#include "harness/net_tokens.h"

#include <cstring>
#include <utility>

namespace {
using namespace harness;

struct TokenCase {
    const char* name;
    std::string data;
    uint32_t size; // bytes of data NextToken may read
    uint32_t start;
    bool remains;
    uint32_t position;
    const char* token;          // what the token holds afterwards ("<old>" when untouched)
    bool memoryRunsOut = false; // the token cannot be stored
};

// Printed by name: gtest's fallback would print the raw bytes, padding included.
void PrintTo(const TokenCase& c, std::ostream* out) {
    *out << c.name;
}

class NextTokenTest : public SimTest, public ::testing::WithParamInterface<TokenCase> {};

TEST_P(NextTokenTest, ReadsOneTokenWithinTheSize) {
    const TokenCase& c = GetParam();
    // The data sits at the end of its buffer, so a read past `size` is caught.
    std::vector<char> buffer(c.data.begin(), c.data.end());
    buffer.resize(c.size);
    uint32_t position = c.start;
    CSharedString token("<old>");
    if (c.memoryRunsOut)
        sim::FailNth(sim::Fault::HeapAlloc, 1);
    EXPECT_EQ(harness::NextToken(c.size, buffer.data(), position, token), c.remains);
    EXPECT_EQ(position, c.position);
    EXPECT_STREQ(token.c_str(), c.token);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NextTokenTest,
    ::testing::Values(
        TokenCase{"TokenThenMore", std::string("Kvx\0R", 5), 5, 0, true, 4, "Kvx"},
        TokenCase{"TokenEndingTheData", std::string("Kvx\0", 4), 4, 0, false, 4, "Kvx"},
        TokenCase{"EmptyTokenTakesTheNextByteToo", std::string("\0\0X\0", 4), 4, 0, true, 2, ""},
        // A record of display type 0: the type byte and its terminator are both zero.
        TokenCase{"DisplayTypeZero", std::string("R\0\0\0\0", 5), 5, 2, true, 4, ""},
        // The closing zero read as the next provider ends the list.
        TokenCase{"ClosingZero", std::string("R\0\x03\0\0", 5), 5, 4, false, 5, ""},
        TokenCase{"NoTerminatorLeft", std::string("abc", 3), 3, 0, false, 3, "<old>"},
        TokenCase{"TerminatorBeyondTheSize", std::string("abc\0", 4), 3, 1, false, 3, "<old>"},
        TokenCase{"SizeZero", std::string(), 0, 0, false, 0, "<old>"},
        TokenCase{"PositionAtTheEnd", std::string("ab\0", 3), 3, 3, false, 3, "<old>"},
        // A token that cannot be stored is not read, but the position still moves past it.
        TokenCase{"TokenThatCannotBeStored", std::string("Kvx\0R", 5), 5, 0, true, 4, "<old>",
                  true}),
    [](const ::testing::TestParamInfo<TokenCase>& param) { return param.param.name; });

class InsertNetEntriesTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        Reopen();
    }
    void TearDown() override { Close(); }
    // A new, empty tree and node list.
    void Reopen() {
        Close();
        nodes_.Clear();
        window_ = CreateWindowExA(0, WC_TREEVIEWA, "", WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                                  nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
        ASSERT_TRUE(tree_.Attach(window_));
    }
    void Close() {
        if (window_ != nullptr) {
            tree_.Detach();
            DestroyWindow(std::exchange(window_, nullptr));
        }
    }
    void Insert(const std::string& bytes, HTREEITEM parent = nullptr) {
        InsertNetEntries(tree_, nodes_, bytes.data(), static_cast<uint32_t>(bytes.size()), parent);
    }

    HWND window_ = nullptr;
    CTreeCtrl tree_;
    BrowseNodeList nodes_;
};

struct KindCase {
    unsigned char displayType;
    const char* label;
    int image, selectedImage;
    bool button;
    uint32_t flag;
    int16_t storedType;
};

TEST_F(InsertNetEntriesTest, EachDisplayTypeGivesItsLabelImagesButtonAndFlag) {
    const KindCase cases[] = {
        {1, "SALES", 2, 3, true, kNodeDomain, 1},
        {2, "SALES", 4, 5, true, kNodeServer, 2},
        {3, "SALES", 6, 7, false, kNodePrinterShare, 3},
        {6, "Kvx Network", 6, 7, true, kNodeOther, 6},
        {0, "SALES", 0, 1, true, kNodeOther, 0},
        {4, "SALES", 0, 1, true, kNodeOther, 4},
        {5, "SALES", 0, 1, true, kNodeOther, 5},
        {7, "SALES", 0, 1, true, kNodeOther, 7},
        {0x7F, "SALES", 0, 1, true, kNodeOther, 0x7F},
        {0x80, "SALES", 0, 1, true, kNodeOther, -128}, // read as a signed byte
        {0x83, "SALES", 0, 1, true, kNodeOther, -125}, // not a share, whatever its low bits
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.displayType));
        Reopen();
        Insert(NetListBytes({{"Kvx Network", "SALES", c.displayType}}));

        ASSERT_EQ(nodes_.Count(), 1u);
        const BrowseNode& node = *nodes_.First();
        std::vector<ItemView> items = ChildrenOf(window_, nullptr);
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(node.item, items[0].item);
        EXPECT_EQ(items[0].text, c.label);
        EXPECT_EQ(items[0].image, c.image);
        EXPECT_EQ(items[0].selectedImage, c.selectedImage);
        EXPECT_EQ(items[0].children != 0, c.button);
        EXPECT_STREQ(node.label, c.label);
        EXPECT_STREQ(node.provider, "Kvx Network");
        EXPECT_STREQ(node.remoteName, "SALES");
        EXPECT_EQ(node.displayType, c.storedType);
        EXPECT_EQ(node.flags, c.flag);
        EXPECT_EQ(node.parent, nullptr);
    }
}

TEST_F(InsertNetEntriesTest, ListIsReadWholeAndItsItemsSortedByLabel) {
    HTREEITEM parent = nullptr;
    Insert(NetListBytes({{"Kvx Network", "Kvx Network", 6}}));
    parent = nodes_.First()->item;
    // Display type 0 in the middle: its two zero bytes must not shift the next record.
    Insert(NetListBytes({{"Kvx Network", "\\\\ZULU", 2},
                         {"Kvx Network", "\\\\alpha", 0},
                         {"Kvx Network", "\\\\Mike", 2},
                         {"", "\\\\Bravo", 2}}),
           parent);

    EXPECT_EQ(Labels(ChildrenOf(window_, parent)),
              (std::vector<std::string>{"\\\\alpha", "\\\\Bravo", "\\\\Mike", "\\\\ZULU"}));
    ASSERT_EQ(nodes_.Count(), 5u);
    std::vector<std::string> remoteNames;
    for (const BrowseNode* node = nodes_.First()->next; node != nullptr; node = node->next) {
        remoteNames.push_back(node->remoteName);
        EXPECT_EQ(node->parent, parent);
    }
    // An empty provider is one zero byte: the remote name after it is read whole.
    EXPECT_EQ(remoteNames,
              (std::vector<std::string>{"\\\\ZULU", "\\\\alpha", "\\\\Mike", "\\\\Bravo"}));
}

TEST_F(InsertNetEntriesTest, EmptyListAndRecordsCutShortInsertNothingUnread) {
    Insert(std::string(1, '\0')); // the empty result
    Insert(std::string());
    EXPECT_EQ(nodes_.Count(), 0u);

    // The second record lacks its display type: it is not completed with the first's.
    std::string bytes = NetListBytes({{"Kvx Network", "\\\\PRN01", 2}});
    bytes.pop_back();
    bytes += std::string("Kvx Network\0\\\\PRN02", 20);
    Insert(bytes);
    EXPECT_EQ(Labels(ChildrenOf(window_, nullptr)), (std::vector<std::string>{"\\\\PRN01"}));

    // A provider without anything after it.
    Insert(std::string("Kvx Network\0", 12));
    EXPECT_EQ(nodes_.Count(), 1u);
}

TEST_F(InsertNetEntriesTest, RefusedInsertionStillAddsANodeWithoutItem) {
    HTREEITEM stale = reinterpret_cast<HTREEITEM>(static_cast<uintptr_t>(0x12345678));
    Insert(NetListBytes({{"Kvx Network", "SALES", 1}}), stale);
    ASSERT_EQ(nodes_.Count(), 1u);
    EXPECT_EQ(nodes_.First()->item, nullptr);
    EXPECT_EQ(nodes_.First()->parent, stale);
    EXPECT_EQ(nodes_.FindNode(nullptr), nodes_.First());
}

TEST_F(InsertNetEntriesTest, MemoryFailuresLoseWholeRecordsOnlyAndLeakNothing) {
    std::string bytes = NetListBytes({{"Kvx Network", "SALES", 1}, {"Kvx Network", "ADMIN", 2}});
    size_t nodesAtEnd = 0;
    unsigned points = SweepMemoryFaults(
        [&] {
            Reopen();
            Insert(bytes);
            nodesAtEnd = nodes_.Count();
            for (const BrowseNode* node = nodes_.First(); node != nullptr; node = node->next) {
                bool domain = std::strcmp(node->label, "SALES") == 0;
                EXPECT_TRUE(domain || std::strcmp(node->label, "ADMIN") == 0) << node->label;
                EXPECT_STREQ(node->provider, "Kvx Network");
                EXPECT_EQ(node->flags, domain ? kNodeDomain : kNodeServer);
            }
            nodes_.Clear();
        },
        [&](bool fired) {
            if (!fired) {
                EXPECT_EQ(nodesAtEnd, 2u);
            }
        });
    EXPECT_GT(points, 0u);
}

} // namespace
