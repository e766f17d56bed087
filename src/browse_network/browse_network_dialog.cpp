#include "browse_network/browse_network_dialog.h"

#include "frame/handoff.h"
#include "appkit/image_list.h"
#include "browse_network/net_records.h"
#include "resource.h"

#include <kvx32.h>

#include <cstring>

namespace {

// Shows the wait cursor for as long as it lives.
class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    ~WaitCursor() { SetCursor(previous_); }

private:
    HCURSOR previous_;
};

// The entry list of a container, fetched from the network enumeration through its
// two calls while the wait cursor shows. No data and size 0 when there is nothing
// to fetch (also when another caller's result is pending).
HeapBuffer FetchNetEntries(const CSharedString& provider, const CSharedString& path,
                           uint32_t& size) {
    WaitCursor wait;
    HeapBuffer data;
    size = 0;
    GetPortsSelect(nullptr, &size, provider.HandOver(), path.HandOver());
    // A block of another caller leaves the size at 0 and stays for that caller. Fetch
    // only a result the sizing call left pending: without one, a call with a buffer
    // would start a new enumeration and leave its result behind for the next caller.
    if (size == 0 || !g_netListSlot.Pending()) {
        size = 0;
        return data;
    }
    data = HeapBuffer(size);
    if (!data) { // the result cannot be taken: free it all the same
        char discarded;
        uint32_t one = 1;
        GetPortsSelect(&discarded, &one, provider.HandOver(), path.HandOver());
        size = 0;
        return data;
    }
    // A delivered list ends with its closing zero; a fetch that could not read the
    // block writes nothing, and the zeroed buffer must not read as empty records.
    data.data()[size - 1] = 1;
    GetPortsSelect(data.data(), &size, provider.HandOver(), path.HandOver());
    if (data.data()[size - 1] != '\0') {
        size = 0;
        return HeapBuffer();
    }
    return data;
}

} // namespace

const char BrowseNetworkDialog::kReservedLabel[] = "(Aucun r\351seau)";

const MessageMapEntry BrowseNetworkDialog::messageEntries[] = {
    {WM_NOTIFY, TVN_ITEMEXPANDINGA, IDC_TREE,
     NotifyHandler<BrowseNetworkDialog, &BrowseNetworkDialog::OnItemExpanding>},
    {WM_NOTIFY, TVN_SELCHANGINGA, IDC_TREE,
     NotifyHandler<BrowseNetworkDialog, &BrowseNetworkDialog::OnSelChanging>},
    {WM_DESTROY, 0, 0, EventHandler<BrowseNetworkDialog, &BrowseNetworkDialog::OnDestroy>},
    {0, 0, 0, nullptr},
};
const MessageMap BrowseNetworkDialog::messageMap = {&CDialog::messageMap, messageEntries};

BrowseNetworkDialog::BrowseNetworkDialog(CWnd* parent) : CDialog(IDD_BROWSE_NETWORK, parent) {
    static_assert(sizeof kReservedLabel <= sizeof reservedLabel_, "the label fits its buffer");
    std::memcpy(reservedLabel_, kReservedLabel, sizeof kReservedLabel);
}

void BrowseNetworkDialog::DoDataExchange(CDataExchange* exchange) {
    DDX_Text(exchange, IDC_PRINTER_NAME, printerName_);
}

BOOL BrowseNetworkDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    if (tree_.SubclassDlgItem(IDC_TREE, this)) {
        AttachImages();
        FillRoot();
    }
    return TRUE;
}

// Image i of the tree is bitmap 200 + i; the tree destroys the list when it goes.
void BrowseNetworkDialog::AttachImages() {
    CImageList images;
    if (!images.Create(16, 16, ILC_COLOR4 | ILC_MASK, KVX_TREE_IMAGE_COUNT, 0))
        return;
    for (UINT id = IDB_TREE_FIRST; id <= IDB_TREE_LAST; ++id) {
        CBitmap bitmap;
        if (!bitmap.LoadBitmap(id) || images.Add(bitmap, RGB(255, 255, 255)) < 0)
            return;
    }
    tree_.SetImageList(images.Detach(), TVSIL_NORMAL);
}

// The root holds the network providers, or the reserved item when there is none.
void BrowseNetworkDialog::FillRoot() {
    uint32_t size = 0;
    HeapBuffer data = FetchNetEntries(CSharedString(), CSharedString(), size);
    InsertNetEntries(tree_, nodes_, data.data(), size, nullptr);
    if (nodes_.First() != nullptr)
        return;
    TVINSERTSTRUCTA insert = {};
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = reservedLabel_;
    insert.item.iImage = 0;
    insert.item.iSelectedImage = 1;
    nodes_.AppendNode(tree_.InsertItem(&insert), nullptr, reservedLabel_, "", "", 0, kNodeOther);
}

void BrowseNetworkDialog::FillNode(BrowseNode& node) {
    CSharedString provider, path;
    if (BuildNodePath(nodes_, node, provider, path)) {
        uint32_t size = 0;
        HeapBuffer data = FetchNetEntries(provider, path, size);
        InsertNetEntries(tree_, nodes_, data.data(), size, node.item);
    }
    node.flags |= kNodeFilled;
}

void BrowseNetworkDialog::OnItemExpanding(NMHDR* notification, LRESULT* result) {
    const auto* change = reinterpret_cast<const NMTREEVIEWA*>(notification);
    bool loaded = UpdateData(true);
    *result = 0; // the expansion or collapse goes ahead
    BrowseNode* node = nodes_.FindNode(change->itemNew.hItem);
    if (node != nullptr && std::strcmp(node->label, reservedLabel_) != 0 &&
        !(node->flags & kNodeFilled))
        FillNode(*node);
    // Text the controls held that could not be read is not overwritten.
    if (loaded)
        UpdateData(false);
}

void BrowseNetworkDialog::OnSelChanging(NMHDR* notification, LRESULT* result) {
    const auto* change = reinterpret_cast<const NMTREEVIEWA*>(notification);
    bool loaded = UpdateData(true);
    *result = 0; // the selection changes
    const BrowseNode* node = nodes_.FindNode(change->itemNew.hItem);
    bool share = node != nullptr && (node->flags & kNodePrinterShare);
    if (share)
        printerName_ = node->label;
    if (loaded || share)
        UpdateData(false);
}

void BrowseNetworkDialog::OnDestroy() {
    nodes_.Clear();
}
