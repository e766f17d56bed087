// libFuzzer target: entry records of arbitrary bytes, read token by token and
// inserted into a tree. Built with AddressSanitizer, so a read outside the data
// stops the run; the checks below catch tokens or nodes that were not really read.
//
// The first two bytes choose where a lone NextToken starts; the rest is the data.
#include "browse_network/net_records.h"
#include "harness/net_tokens.h"

#include <sim_control.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length) {
    if (length < 2 || length > 1 << 16)
        return 0;
    // The data alone in a buffer of its own size, so that ASan sees any read past it.
    auto size = static_cast<uint32_t>(length - 2);
    std::vector<char> data(bytes + 2, bytes + length);
    const char* begin = data.empty() ? nullptr : data.data();

    uint32_t start = static_cast<uint32_t>(bytes[0] | bytes[1] << 8);
    uint32_t position = start;
    CSharedString token("unchanged");
    bool remains = harness::NextToken(size, begin, position, token);
    Check(remains == (position < size));
    Check(start >= size ? position == start : position > start && position <= size);
    if (std::strcmp(token.c_str(), "unchanged") != 0) // a token read lies in the data
        Check(static_cast<uint32_t>(token.GetLength()) < size - start);

    sim::Reset();
    size_t heapBlocks = sim::LiveHeapBlocks();
    HWND window =
        CreateWindowExA(0, WC_TREEVIEWA, "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    CTreeCtrl tree;
    tree.Attach(window);
    {
        BrowseNodeList nodes;
        InsertNetEntries(tree, nodes, begin, size, nullptr);
        // Every record inserted was read whole: a provider and a remote name of at
        // least one byte each, a display type of two, the last one possibly ending
        // the data.
        Check(nodes.Count() * 4 <= static_cast<size_t>(size) + 1);
        Check(static_cast<size_t>(SendMessageA(window, TVM_GETCOUNT, 0, 0)) == nodes.Count());
        for (const BrowseNode* node = nodes.First(); node != nullptr; node = node->next) {
            Check(node->item != nullptr && nodes.FindNode(node->item) == node);
            Check(std::strlen(node->provider) < size && std::strlen(node->remoteName) < size);
        }
    }
    tree.Detach();
    DestroyWindow(window);
    Check(sim::LiveHeapBlocks() == heapBlocks);
    return 0;
}
