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

} // namespace

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
    static_assert(sizeof kReservedLabel <= sizeof m_reservedLabel, "the label fits its buffer");
    std::memcpy(m_reservedLabel, kReservedLabel, sizeof kReservedLabel);
}

void BrowseNetworkDialog::DoDataExchange(CDataExchange* exchange) {
    DDX_Text(exchange, IDC_PRINTER_NAME, m_printerName);
}

BOOL BrowseNetworkDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    if (m_tree.SubclassDlgItem(IDC_TREE, this)) {
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
    m_tree.SetImageList(images.Detach(), TVSIL_NORMAL);
}

// The root holds the network providers, or the reserved item when there is none.
void BrowseNetworkDialog::FillRoot() {
    uint32_t size = 0;
    HeapBuffer data = FetchNetEntries(CSharedString(), CSharedString(), size);
    InsertNetEntries(m_tree, m_nodes, data.data(), size, nullptr);
    if (m_nodes.First() != nullptr)
        return;
    TVINSERTSTRUCTA insert = {};
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = m_reservedLabel;
    insert.item.iImage = 0;
    insert.item.iSelectedImage = 1;
    m_nodes.AppendNode(m_tree.InsertItem(&insert), nullptr, m_reservedLabel, "", "", 0, kNodeOther);
}

void BrowseNetworkDialog::FillNode(BrowseNode& node) {
    CSharedString provider, path;
    if (BuildNodePath(m_nodes, node, provider, path)) {
        uint32_t size = 0;
        HeapBuffer data = FetchNetEntries(provider, path, size);
        InsertNetEntries(m_tree, m_nodes, data.data(), size, node.item);
    }
    node.flags |= kNodeFilled;
}

void BrowseNetworkDialog::OnItemExpanding(NMHDR* notification, LRESULT* result) {
    const auto* change = reinterpret_cast<const NMTREEVIEWA*>(notification);
    bool loaded = UpdateData(true);
    *result = 0; // the expansion or collapse goes ahead
    BrowseNode* node = m_nodes.FindNode(change->itemNew.hItem);
    if (node != nullptr && std::strcmp(node->label, m_reservedLabel) != 0 &&
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
    const BrowseNode* node = m_nodes.FindNode(change->itemNew.hItem);
    bool share = node != nullptr && (node->flags & kNodePrinterShare);
    if (share)
        m_printerName = node->label;
    if (loaded || share)
        UpdateData(false);
}

void BrowseNetworkDialog::OnDestroy() {
    m_nodes.Clear();
}
