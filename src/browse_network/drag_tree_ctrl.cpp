#include "browse_network/drag_tree_ctrl.h"

const MessageMapEntry DragTreeCtrl::messageEntries[] = {
    {kReflectedNotify, TVN_ENDLABELEDITA, 0,
     NotifyHandler<DragTreeCtrl, &DragTreeCtrl::OnEndLabelEdit>},
    {kReflectedNotify, TVN_BEGINDRAGA, 0, NotifyHandler<DragTreeCtrl, &DragTreeCtrl::OnBeginDrag>},
    {kReflectedNotify, TVN_BEGINRDRAGA, 0, NotifyHandler<DragTreeCtrl, &DragTreeCtrl::OnBeginDrag>},
    {WM_LBUTTONUP, 0, 0, MessageHandler<DragTreeCtrl, &DragTreeCtrl::OnButtonUp>},
    {WM_RBUTTONUP, 0, 0, MessageHandler<DragTreeCtrl, &DragTreeCtrl::OnButtonUp>},
    {WM_DESTROY, 0, 0, MessageHandler<DragTreeCtrl, &DragTreeCtrl::OnDestroy>},
    {0, 0, 0, nullptr},
};
const MessageMap DragTreeCtrl::messageMap = {&CTreeCtrl::messageMap, messageEntries};

void DragTreeCtrl::OnEndLabelEdit(NMHDR* notification, LRESULT* result) {
    auto* info = reinterpret_cast<NMTVDISPINFOA*>(notification);
    if (info->item.pszText != nullptr) { // null: the edit was cancelled
        TVITEMA item = {};
        item.mask = TVIF_TEXT;
        item.hItem = info->item.hItem;
        item.pszText = info->item.pszText;
        SetItem(&item);
    }
    *result = TRUE;
}

void DragTreeCtrl::OnBeginDrag(NMHDR*, LRESULT*) {
    SetCapture(hwnd_);
}

LRESULT DragTreeCtrl::OnButtonUp(WPARAM, LPARAM) {
    EndDrag();
    return Default();
}

// The capture is given back when a button comes up. When it is lost otherwise
// (another window takes it, or a cancel-mode message releases it) the drag is over
// too: it consists of nothing but the capture.
void DragTreeCtrl::EndDrag() {
    if (GetCapture() == hwnd_)
        ReleaseCapture();
}

LRESULT DragTreeCtrl::OnDestroy(WPARAM, LPARAM) {
    if (HIMAGELIST images = GetImageList(TVSIL_NORMAL))
        ImageList_Destroy(images);
    // The control frees its items when it sees the message.
    return Default();
}
