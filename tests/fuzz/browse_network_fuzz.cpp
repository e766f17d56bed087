// Fuzz target: the Browse Network dialog over a random simulated network, played
// by a random user: expanding and collapsing items (each first expansion fetches
// the node's entries from the network and inserts them), selecting items,
// starting drags, closing with OK or Cancel, with memory failures on the way.
// Checks that every tree item has its node and every node its item, that a
// filled node is never fetched again, that the printer name is the last printer
// share selected, and that the dialog leaves no window, tree item, image list,
// bitmap, enumeration, block or pending result behind.
#include "frame/handoff.h"
#include "harness/tree_view.h"
#include "browse_network/browse_network_dialog.h"

#include "fuzz_input.h"

#include <sim_control.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {
using namespace harness;

using fuzz::Input;

struct Placed {
    HTREEITEM item;
    HTREEITEM parent; // null at the root
};

// Every item of the tree with its parent, parents before their children.
std::vector<Placed> AllItems(HWND tree) {
    std::vector<Placed> items;
    auto next = [tree](WPARAM flag, HTREEITEM item) {
        return reinterpret_cast<HTREEITEM>(
            SendMessageA(tree, TVM_GETNEXTITEM, flag, reinterpret_cast<LPARAM>(item)));
    };
    for (HTREEITEM item = next(TVGN_ROOT, nullptr); item != nullptr; item = next(TVGN_NEXT, item))
        items.push_back({item, nullptr});
    for (size_t i = 0; i < items.size(); ++i)
        for (HTREEITEM child = next(TVGN_CHILD, items[i].item); child != nullptr;
             child = next(TVGN_NEXT, child))
            items.push_back({child, items[i].item});
    return items;
}

// Each item of the tree has its node, with the item's parent. Once memory has
// failed, an item may lack its node (the node could not be made) and a node its
// item (the tree refused it): then only the nodes found must match.
void CheckNodesMatchItems(HWND tree, const BrowseNodeList& nodes, bool memoryFailed) {
    std::vector<Placed> items = AllItems(tree);
    FUZZ_CHECK(static_cast<size_t>(SendMessageA(tree, TVM_GETCOUNT, 0, 0)) == items.size());
    if (!memoryFailed)
        FUZZ_CHECK(items.size() == nodes.Count());
    for (const Placed& placed : items) {
        const BrowseNode* node = nodes.FindNode(placed.item);
        FUZZ_CHECK(node != nullptr || memoryFailed);
        if (node != nullptr)
            FUZZ_CHECK(node->item == placed.item && node->parent == placed.parent);
    }
}

// A network whose containers list themselves makes each fetch open as many
// containers as the search allows, which takes seconds over the sanitized
// simulation. The user stops once this many have been opened, so that an input
// costs at most about two such fetches.
constexpr size_t kOpenedContainersBudget = 512;

size_t Fetches() {
    size_t fetches = 0;
    for (HCURSOR cursor : sim::CursorHistory())
        fetches += cursor == LoadCursorA(nullptr, IDC_WAIT);
    return fetches;
}

void PlayUser(Input& in, HWND window, HWND tree, const BrowseNetworkDialog& dialog,
              std::optional<std::string>& printerName, bool& memoryFailed) {
    for (unsigned actions = in.Below(16); actions > 0 && !in.Exhausted(); --actions) {
        if (sim::NetContainersOpened().size() > kOpenedContainersBudget)
            return;
        std::vector<Placed> items = AllItems(tree);
        if (items.empty())
            return;
        HTREEITEM item = items[in.Wide(static_cast<unsigned>(items.size()))].item;
        const BrowseNode* node = dialog.Nodes().FindNode(item);
        FUZZ_CHECK(node != nullptr || memoryFailed);
        bool filled = node != nullptr && (node->flags & kNodeFilled);
        bool share = node != nullptr && (node->flags & kNodePrinterShare);
        std::string label = node != nullptr ? node->label : "";
        if (in.Chance(1))
            sim::FailNth(sim::Fault::AnyMemory, 1 + in.Below(40));
        switch (in.Below(8)) {
        case 0:
            sim::ClickButton(window, in.Chance(4) ? IDOK : IDCANCEL);
            if (sim::FaultFired())
                printerName.reset();
            sim::ClearFaults();
            return;
        case 1:
            SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
            if (share) // a failure may leave the name unknown
                printerName = sim::FaultFired() ? std::nullopt : std::optional(label);
            break;
        case 2:
            sim::StartDrag(tree, item, in.Chance(4));
            break;
        default: {
            size_t fetches = Fetches();
            sim::ClickExpandButton(tree, item);
            if (filled) // fetched once, however often it is opened
                FUZZ_CHECK(Fetches() == fetches);
        }
        }
        memoryFailed = memoryFailed || sim::FaultFired();
        sim::ClearFaults();
        FUZZ_CHECK(sim::OpenNetEnumerations() == 0 && sim::LockedGlobalBlocks() == 0);
        FUZZ_CHECK(!g_netListSlot.Pending());
        CheckNodesMatchItems(tree, dialog.Nodes(), memoryFailed);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    sim::Reset();
    harness::InstallBrowseResources();
    fuzz::BuildNetwork(in);
    size_t globalBlocks = sim::LiveGlobalBlocks();
    size_t heapBlocks = sim::LiveHeapBlocks();
    size_t windows = sim::LiveWindows();
    size_t bitmaps = sim::LiveBitmaps();

    std::optional<std::string> printerName = std::string(); // the name expected, when known
    bool played = false;
    INT_PTR result;
    {
        BrowseNetworkDialog dialog;
        sim::SetDialogDriver([&](HWND window) {
            played = true;
            HWND tree = GetDlgItem(window, IDC_TREE);
            bool memoryFailed = sim::FaultFired();
            sim::ClearFaults(); // the user's actions arm their own
            CheckNodesMatchItems(tree, dialog.Nodes(), memoryFailed);
            PlayUser(in, window, tree, dialog, printerName, memoryFailed);
        });
        if (in.Chance(1)) // memory fails while the dialog is made
            sim::FailNth(sim::Fault::AnyMemory, 1 + in.Below(60));
        result = dialog.DoModal();
        bool faulted = sim::FaultFired();
        sim::ClearFaults();
        FUZZ_CHECK(dialog.Nodes().Count() == 0);
        if (result == IDOK && !faulted && printerName)
            FUZZ_CHECK(std::strcmp(dialog.PrinterName(), printerName->c_str()) == 0);
    }
    FUZZ_CHECK(played || result != IDOK);
    g_netListSlot.Take();
    FUZZ_CHECK(sim::LiveWindows() == windows && sim::LiveTreeViews() == 0);
    FUZZ_CHECK(sim::LiveTreeItems() == 0 && sim::LiveImageLists() == 0);
    FUZZ_CHECK(sim::LiveBitmaps() == bitmaps);
    FUZZ_CHECK(sim::OpenNetEnumerations() == 0 && sim::LockedGlobalBlocks() == 0);
    FUZZ_CHECK(sim::LiveGlobalBlocks() == globalBlocks);
    FUZZ_CHECK(sim::LiveHeapBlocks() == heapBlocks);
    return 0;
}
