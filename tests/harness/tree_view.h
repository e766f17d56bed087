// A view of a tree control's items, for the Browse Network dialog's tests; the
// module's resources come from res/sim_resources.h.
#pragma once

#include "sim_resources.h"

#include <win32.h>

#include <string>
#include <vector>

namespace harness {

using sim_resources::InstallBrowseResources;

struct ItemView {
    HTREEITEM item;
    std::string text;
    int image;
    int selectedImage;
    int children;
    UINT state;
};

inline ItemView ViewOf(HWND tree, HTREEITEM item) {
    char text[512] = {};
    TVITEMA fields = {};
    fields.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_STATE;
    fields.hItem = item;
    fields.pszText = text;
    fields.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&fields));
    return {item, text, fields.iImage, fields.iSelectedImage, fields.cChildren, fields.state};
}

// The items under `parent` (null: the root of the tree), in the tree's order.
inline std::vector<ItemView> ChildrenOf(HWND tree, HTREEITEM parent) {
    std::vector<ItemView> children;
    auto next = [tree](WPARAM flag, HTREEITEM item) {
        return reinterpret_cast<HTREEITEM>(
            SendMessageA(tree, TVM_GETNEXTITEM, flag, reinterpret_cast<LPARAM>(item)));
    };
    for (HTREEITEM item = parent ? next(TVGN_CHILD, parent) : next(TVGN_ROOT, nullptr);
         item != nullptr; item = next(TVGN_NEXT, item))
        children.push_back(ViewOf(tree, item));
    return children;
}

inline std::vector<std::string> Labels(const std::vector<ItemView>& items) {
    std::vector<std::string> labels;
    for (const ItemView& item : items)
        labels.push_back(item.text);
    return labels;
}

} // namespace harness
