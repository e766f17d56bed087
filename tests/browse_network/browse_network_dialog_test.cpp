// The Browse Network dialog over the simulated network of tests/data/test_network.txt,
// played through its dialog box and tree control as a user would.
#include "harness/tree_view.h"
#include "harness/test_machine.h"
#include "harness/sim_fixture.h"

#include "browse_network/browse_network_dialog.h"

#include <kvx32.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

namespace {
using namespace harness;

using Strings = std::vector<std::string>;

class BrowseNetworkDialogTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        std::string problem;
        ASSERT_TRUE(harness::UseTestNetwork(&problem)) << problem;
        harness::InstallBrowseResources();
    }

    // Shows the dialog with `user` in front of it; returns what DoModal answers.
    INT_PTR Run(BrowseNetworkDialog& dialog, const std::function<void(HWND, HWND)>& user) {
        sim::SetDialogDriver([&](HWND window) {
            tree_ = GetDlgItem(window, IDC_TREE);
            user(window, tree_);
        });
        return dialog.DoModal();
    }

    // The child of `parent` (null: the root) with that label, or null.
    HTREEITEM FindItem(HTREEITEM parent, const std::string& label) {
        for (const ItemView& item : ChildrenOf(tree_, parent))
            if (item.text == label)
                return item.item;
        return nullptr;
    }
    HTREEITEM Item(HTREEITEM parent, const std::string& label) {
        HTREEITEM item = FindItem(parent, label);
        EXPECT_NE(item, nullptr) << "no item " << label;
        return item;
    }

    // Fetches so far: each one shows the wait cursor once.
    static size_t Fetches() {
        std::vector<HCURSOR> cursors = sim::CursorHistory();
        return static_cast<size_t>(
            std::count(cursors.begin(), cursors.end(), LoadCursorA(nullptr, IDC_WAIT)));
    }

    static std::string Text(HWND window) {
        char text[256] = {};
        GetWindowTextA(window, text, sizeof text);
        return text;
    }

    HWND tree_ = nullptr;
};

struct Shown {
    std::string label;
    int image, selectedImage;
    bool button;
};

std::vector<Shown> ShownOf(const std::vector<ItemView>& items) {
    std::vector<Shown> shown;
    for (const ItemView& item : items)
        shown.push_back({item.text, item.image, item.selectedImage, item.children != 0});
    return shown;
}

void ExpectShown(const std::vector<ItemView>& items, const std::vector<Shown>& expected) {
    std::vector<Shown> shown = ShownOf(items);
    ASSERT_EQ(shown.size(), expected.size()) << ::testing::PrintToString(Labels(items));
    for (size_t i = 0; i < shown.size(); ++i) {
        SCOPED_TRACE(expected[i].label);
        EXPECT_EQ(shown[i].label, expected[i].label);
        EXPECT_EQ(shown[i].image, expected[i].image);
        EXPECT_EQ(shown[i].selectedImage, expected[i].selectedImage);
        EXPECT_EQ(shown[i].button, expected[i].button);
    }
}

TEST_F(BrowseNetworkDialogTest, EachLevelIsFetchedOnFirstExpansionAndShownSortedWithItsKind) {
    BrowseNetworkDialog dialog;
    Run(dialog, [&](HWND, HWND tree) {
        ExpectShown(ChildrenOf(tree, nullptr),
                    {{"Kvx Network", 6, 7, true}, {"Other Network", 6, 7, true}});
        EXPECT_EQ(ImageList_GetImageCount(
                      reinterpret_cast<HIMAGELIST>(SendMessageA(tree, TVM_GETIMAGELIST, 0, 0))),
                  8);

        HTREEITEM kvx = Item(nullptr, "Kvx Network");
        EXPECT_TRUE(sim::ClickExpandButton(tree, kvx));
        ExpectShown(ChildrenOf(tree, kvx),
                    {{"BENCH", 2, 3, true}, {"CORP", 2, 3, true}, {"SALES", 2, 3, true}});
        EXPECT_EQ(sim::NetContainersOpened().back(), "Kvx Network");

        HTREEITEM sales = Item(kvx, "SALES");
        EXPECT_TRUE(sim::ClickExpandButton(tree, sales)); // fetched with the path 0005SALES
        EXPECT_EQ(sim::NetContainersOpened().back(), "SALES");
        ExpectShown(ChildrenOf(tree, sales), {{"\\\\ODD", 0, 1, true},
                                              {"\\\\ORPHAN", 4, 5, true},
                                              {"\\\\PLAIN", 0, 1, true},
                                              {"\\\\PRN01", 4, 5, true},
                                              {"\\\\PRN02", 4, 5, true},
                                              {"No Remote", 4, 5, true}});

        HTREEITEM server = Item(sales, "\\\\PRN01");
        EXPECT_TRUE(sim::ClickExpandButton(tree, server));
        EXPECT_EQ(sim::NetContainersOpened().back(), "\\\\PRN01");
        ExpectShown(ChildrenOf(tree, server),
                    {{"\\\\PRN01\\Laser", 6, 7, false}, {"\\\\PRN01\\Thermal", 6, 7, false}});
        // A printer share shows no expand button: clicking there does nothing.
        EXPECT_FALSE(sim::ClickExpandButton(tree, Item(server, "\\\\PRN01\\Laser")));
    });

    EXPECT_EQ(dialog.Nodes().Count(), 0u) << "the nodes are freed when the dialog ends";
}

TEST_F(BrowseNetworkDialogTest, NodeIsFetchedOnceHoweverOftenItIsExpandedOrCollapsed) {
    BrowseNetworkDialog dialog;
    Run(dialog, [&](HWND, HWND tree) {
        HTREEITEM kvx = Item(nullptr, "Kvx Network");
        sim::ClickExpandButton(tree, kvx);
        size_t fetches = Fetches();
        size_t opened = sim::NetContainersOpened().size();
        EXPECT_FALSE(sim::ClickExpandButton(tree, kvx)); // collapse
        EXPECT_TRUE(sim::ClickExpandButton(tree, kvx));
        SendMessageA(tree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(kvx));
        EXPECT_TRUE(sim::ClickExpandButton(tree, kvx));
        EXPECT_EQ(Fetches(), fetches);
        EXPECT_EQ(sim::NetContainersOpened().size(), opened);
        EXPECT_EQ(Labels(ChildrenOf(tree, kvx)), (Strings{"BENCH", "CORP", "SALES"}));
        EXPECT_NE(dialog.Nodes().FindNode(kvx)->flags & kNodeFilled, 0u);
    });
}

TEST_F(BrowseNetworkDialogTest, FetchThatListsNothingInsertsNothingAndMarksTheNodeFilled) {
    BrowseNetworkDialog dialog;
    Run(dialog, [&](HWND, HWND tree) {
        HTREEITEM kvx = Item(nullptr, "Kvx Network");
        sim::ClickExpandButton(tree, kvx);
        HTREEITEM corp = Item(kvx, "CORP");
        sim::ClickExpandButton(tree, corp);
        HTREEITEM locked = Item(corp, "\\\\LOCKED"); // its open fails: an empty list
        size_t fetches = Fetches();
        EXPECT_FALSE(sim::ClickExpandButton(tree, locked));
        EXPECT_EQ(Fetches(), fetches + 1);
        EXPECT_TRUE(ChildrenOf(tree, locked).empty());
        EXPECT_EQ(dialog.Nodes().FindNode(locked)->flags, kNodeServer | kNodeFilled);
        EXPECT_FALSE(sim::ClickExpandButton(tree, locked));
        EXPECT_EQ(Fetches(), fetches + 1);
    });
}

TEST_F(BrowseNetworkDialogTest, NodeWithTheReservedLabelIsNeverFilled) {
    // Without any provider the root holds the reserved item alone.
    sim::Reset();
    harness::InstallBrowseResources();
    BrowseNetworkDialog empty;
    Run(empty, [&](HWND, HWND tree) {
        ExpectShown(ChildrenOf(tree, nullptr),
                    {{BrowseNetworkDialog::kReservedLabel, 0, 1, false}});
    });

    // A provider that carries the label: expanding it fetches nothing and leaves it unfilled.
    sim::AddNetProvider(BrowseNetworkDialog::kReservedLabel);
    sim::NetResource domain;
    domain.remoteName = "SALES";
    domain.provider = BrowseNetworkDialog::kReservedLabel;
    domain.displayType = RESOURCEDISPLAYTYPE_DOMAIN;
    sim::AddNetEntry(BrowseNetworkDialog::kReservedLabel, std::nullopt, domain);
    BrowseNetworkDialog dialog;
    Run(dialog, [&](HWND, HWND tree) {
        HTREEITEM reserved = Item(nullptr, BrowseNetworkDialog::kReservedLabel);
        size_t fetches = Fetches();
        sim::ClickExpandButton(tree, reserved);
        sim::ClickExpandButton(tree, reserved);
        EXPECT_EQ(Fetches(), fetches);
        EXPECT_TRUE(ChildrenOf(tree, reserved).empty());
        EXPECT_EQ(dialog.Nodes().FindNode(reserved)->flags, kNodeOther);
    });
}

TEST_F(BrowseNetworkDialogTest, PendingResultOfAnotherCallerStaysForThatCaller) {
    BrowseNetworkDialog dialog;
    Run(dialog, [&](HWND, HWND tree) {
        uint32_t otherSize = 0;
        GetPortsSelect(nullptr, &otherSize, nullptr, nullptr); // another caller's sizing call
        ASSERT_GT(otherSize, 1u);

        HTREEITEM kvx = Item(nullptr, "Kvx Network");
        sim::ClickExpandButton(tree, kvx);
        EXPECT_TRUE(ChildrenOf(tree, kvx).empty());
        EXPECT_EQ(dialog.Nodes().FindNode(kvx)->flags, kNodeOther | kNodeFilled);

        std::vector<char> other(otherSize);
        GetPortsSelect(other.data(), &otherSize, nullptr, nullptr);
        EXPECT_EQ(std::string(other.data()), "Kvx Network"); // the providers, for that caller
    });
}

TEST_F(BrowseNetworkDialogTest, PrinterFieldTakesTheSelectedShareAndKeepsTypedTextOtherwise) {
    BrowseNetworkDialog dialog;
    INT_PTR result = Run(dialog, [&](HWND window, HWND tree) {
        HWND field = GetDlgItem(window, IDC_PRINTER_NAME);
        HTREEITEM kvx = Item(nullptr, "Kvx Network");
        sim::ClickExpandButton(tree, kvx);
        HTREEITEM sales = Item(kvx, "SALES");
        sim::ClickExpandButton(tree, sales);
        HTREEITEM server = Item(sales, "\\\\PRN01");

        SetWindowTextA(field, "typed by hand");
        sim::ClickExpandButton(tree, server); // the exchange keeps what was typed
        for (HTREEITEM other : {kvx, sales, server}) {
            SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(other));
            EXPECT_EQ(Text(field), "typed by hand");
        }
        HTREEITEM share = Item(server, "\\\\PRN01\\Thermal");
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(share));
        EXPECT_EQ(Text(field), "\\\\PRN01\\Thermal");
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(server));
        EXPECT_EQ(Text(field), "\\\\PRN01\\Thermal");
        sim::ClickButton(window, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_STREQ(dialog.PrinterName().c_str(), "\\\\PRN01\\Thermal");
}

TEST_F(BrowseNetworkDialogTest, WaitCursorShowsForEachFetchAndTheOldOneComesBack) {
    HCURSOR arrow = GetCursor();
    HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    BrowseNetworkDialog dialog;
    Run(dialog,
        [&](HWND, HWND tree) { sim::ClickExpandButton(tree, Item(nullptr, "Kvx Network")); });
    EXPECT_EQ(sim::CursorHistory(), (std::vector<HCURSOR>{wait, arrow, wait, arrow}));
}

TEST_F(BrowseNetworkDialogTest, EndingTheDialogFreesWindowsNodesImagesAndItems) {
    size_t heapBlocks = sim::LiveHeapBlocks();
    size_t globalBlocks = sim::LiveGlobalBlocks();
    for (int button : {IDOK, IDCANCEL}) {
        BrowseNetworkDialog dialog;
        INT_PTR result = Run(dialog, [&](HWND window, HWND tree) {
            EXPECT_EQ(sim::LiveImageLists(), 1u);
            sim::ClickExpandButton(tree, Item(nullptr, "Kvx Network"));
            EXPECT_GT(dialog.Nodes().Count(), 2u);
            sim::ClickButton(window, button);
        });
        EXPECT_EQ(result, button);
        EXPECT_EQ(dialog.Nodes().Count(), 0u);
        EXPECT_EQ(sim::LiveWindows(), 0u);
        EXPECT_EQ(sim::LiveTreeViews(), 0u);
        EXPECT_EQ(sim::LiveTreeItems(), 0u);
        EXPECT_EQ(sim::LiveImageLists(), 0u);
        EXPECT_EQ(sim::LiveBitmaps(), 0u);
        EXPECT_EQ(sim::LiveHeapBlocks(), heapBlocks);
        EXPECT_EQ(sim::LiveGlobalBlocks(), globalBlocks);
    }

    sim::Reset(); // no template: the dialog cannot be created
    BrowseNetworkDialog missing;
    EXPECT_EQ(missing.DoModal(), -1);
    EXPECT_EQ(sim::LiveWindows(), 0u);
}

// The window's own procedure in the test below: the tree control's, counting
// the notifications and creations that reach it.
WNDPROC g_treeProcedure = nullptr;
unsigned g_ownProcedureSaw = 0;
LRESULT CALLBACK CountingTreeProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY || message == WM_CREATE)
        ++g_ownProcedureSaw;
    return CallWindowProcA(g_treeProcedure, window, message, wParam, lParam);
}

// An object tied to a window leaves the window as it found it, whether the
// object or the window goes first: the window's own procedure, no tie to an
// object that is gone. While tied, what its map leaves alone (a notification
// without its header or its sender too, any message no map names) reaches the
// window's own procedure.
TEST_F(BrowseNetworkDialogTest, WindowObjectLeavesItsWindowAsItFoundIt) {
    struct Case {
        const char* what;
        bool tree;        // a tree control object, else a plain window object
        bool subclass;    // its messages go through the object's map
        bool windowFirst; // the window is destroyed while the object lives
    } cases[] = {
        {"tied only", true, false, false},
        {"subclassed tree", true, true, false},
        {"subclassed window", false, true, false},
        {"subclassed tree, window destroyed first", true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HWND window = CreateWindowExA(0, WC_TREEVIEWA, "", WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                      nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        g_treeProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingTreeProcedure)));
        LONG_PTR ownProcedure = GetWindowLongPtrA(window, GWLP_WNDPROC);
        std::unique_ptr<CWnd> object =
            c.tree ? std::make_unique<CTreeCtrl>() : std::make_unique<CWnd>();
        ASSERT_TRUE(c.subclass ? object->SubclassWindow(window) : object->Attach(window));
        // Neither a second object nor a second window takes the tie over.
        CWnd second;
        EXPECT_FALSE(second.Attach(window));
        HWND other =
            CreateWindowExA(0, WC_TREEVIEWA, "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        EXPECT_FALSE(object->Attach(other));
        EXPECT_EQ(CWnd::FromHandlePermanent(other), nullptr);
        EXPECT_TRUE(DestroyWindow(other));
        EXPECT_EQ(CWnd::FromHandlePermanent(window), object.get());
        EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC) != ownProcedure, c.subclass);
        NMHDR fromNoWindow = {};
        g_ownProcedureSaw = 0;
        EXPECT_EQ(SendMessageA(window, WM_NOTIFY, 0, 0), 0);
        EXPECT_EQ(SendMessageA(window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&fromNoWindow)), 0);
        EXPECT_EQ(SendMessageA(window, WM_CREATE, 0, 0), 0); // an empty tree starts again
        EXPECT_EQ(g_ownProcedureSaw, 3u);
        TVINSERTSTRUCTA insert = {};
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT;
        insert.item.pszText = const_cast<char*>("LBL-SRV");
        EXPECT_NE(SendMessageA(window, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)), 0);
        EXPECT_EQ(SendMessageA(window, TVM_GETCOUNT, 0, 0), 1);
        if (c.windowFirst) {
            EXPECT_TRUE(DestroyWindow(window));
            EXPECT_EQ(object->GetSafeHwnd(), nullptr);
            object.reset();
        } else {
            object.reset();
            EXPECT_EQ(CWnd::FromHandlePermanent(window), nullptr);
            EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), ownProcedure);
            EXPECT_EQ(SendMessageA(window, TVM_GETCOUNT, 0, 0), 1);
            EXPECT_TRUE(DestroyWindow(window));
        }
        EXPECT_EQ(sim::LiveWindows(), 0u);
        EXPECT_EQ(sim::LiveTreeItems(), 0u);
    }
}

TEST_F(BrowseNetworkDialogTest, MemoryFailuresAnywhereLeakNothing) {
    bool completed = false;
    unsigned points = SweepMemoryFaults(
        [&] {
            completed = false;
            BrowseNetworkDialog dialog;
            Run(dialog, [&](HWND window, HWND tree) {
                SetWindowTextA(GetDlgItem(window, IDC_PRINTER_NAME), "typed");
                HTREEITEM kvx = FindItem(nullptr, "Kvx Network");
                if (kvx == nullptr)
                    return;
                sim::ClickExpandButton(tree, kvx);
                std::vector<ItemView> domains = ChildrenOf(tree, kvx);
                if (!domains.empty())
                    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET,
                                 reinterpret_cast<LPARAM>(domains[0].item));
                completed =
                    domains.size() == 3 && Text(GetDlgItem(window, IDC_PRINTER_NAME)) == "typed";
                sim::ClickButton(window, IDOK);
            });
            EXPECT_EQ(sim::LiveWindows(), 0u);
            EXPECT_EQ(sim::LiveImageLists(), 0u);
            EXPECT_EQ(sim::LiveBitmaps(), 0u);
        },
        [&](bool fired) {
            if (!fired) {
                EXPECT_TRUE(completed);
            }
        });
    EXPECT_GT(points, 10u);
}

TEST_F(BrowseNetworkDialogTest, DragHoldsTheMouseCaptureOnlyUntilAButtonComesUp) {
    BrowseNetworkDialog dialog;
    Run(dialog, [&](HWND window, HWND tree) {
        HTREEITEM kvx = Item(nullptr, "Kvx Network");
        struct Drag {
            bool right;
            UINT release;
        };
        for (Drag drag : {Drag{false, WM_LBUTTONUP}, Drag{true, WM_RBUTTONUP},
                          Drag{false, WM_RBUTTONUP}, Drag{false, WM_CANCELMODE}}) {
            sim::StartDrag(tree, kvx, drag.right);
            EXPECT_EQ(GetCapture(), tree);
            SendMessageA(tree, drag.release, 0, 0);
            EXPECT_EQ(GetCapture(), nullptr) << drag.release;
        }

        // A button coming up on the tree leaves a capture that another window holds.
        HWND field = GetDlgItem(window, IDC_PRINTER_NAME);
        SetCapture(field);
        SendMessageA(tree, WM_LBUTTONUP, 0, 0);
        EXPECT_EQ(GetCapture(), field);
        ReleaseCapture();
    });
}

TEST_F(BrowseNetworkDialogTest, LabelEditIsAcceptedAndACancelledOneChangesNothing) {
    BrowseNetworkDialog dialog;
    Run(dialog, [&](HWND window, HWND tree) {
        HTREEITEM kvx = Item(nullptr, "Kvx Network");
        char renamed[] = "Renamed";
        for (char* text : {static_cast<char*>(nullptr), renamed}) {
            NMTVDISPINFOA edit = {};
            edit.hdr.hwndFrom = tree;
            edit.hdr.idFrom = IDC_TREE;
            edit.hdr.code = TVN_ENDLABELEDITA;
            edit.item.hItem = kvx;
            edit.item.pszText = text;
            EXPECT_EQ(SendMessageA(window, WM_NOTIFY, IDC_TREE, reinterpret_cast<LPARAM>(&edit)),
                      TRUE);
            EXPECT_EQ(harness::ViewOf(tree, kvx).text, text ? text : "Kvx Network");
        }
    });
}

} // namespace
