// The tree-view control: items in sibling lists under a hidden root, inserted first,
// last, after an item or sorted by label (TVI_SORT), their fields set and read with
// TVIF_* masks, expansion and selection with the notifications the parent receives,
// and the normal and state image lists. Item handles are never reused.
//
// Sorted insertion walks the siblings from the first and goes in front of the first
// label that compares greater, or behind the first equal one; labels compare as
// lstrcmpA does for plain ASCII text (letters before case, lower case first). When
// the siblings are known to be in order, a label that sorts after the last one goes
// straight to the end, which gives the same place without the walk.
#include "sim_internal.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>

namespace {

struct Item {
    HTREEITEM handle = nullptr;
    Item* parent = nullptr; // the hidden root for a top-level item; null for the root
    Item* firstChild = nullptr;
    Item* lastChild = nullptr;
    Item* previous = nullptr;
    Item* next = nullptr;
    bool childrenSorted = true; // every sibling's label sorts no lower than the one before
    std::string text;
    UINT state = 0;
    int image = 0;
    int selectedImage = 0;
    int children = 0;
    LPARAM param = 0;
};

struct Tree {
    Item root;
    std::unordered_map<HTREEITEM, std::unique_ptr<Item>> items;
    Item* selected = nullptr;
    HIMAGELIST normalImages = nullptr;
    HIMAGELIST stateImages = nullptr;
};

std::map<HWND, std::unique_ptr<Tree>> g_trees;
uintptr_t g_lastItem = 0;

int Fold(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? u - 'A' + 'a' : u;
}

int CompareLabels(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (Fold(a[i]) != Fold(b[i]))
            return Fold(a[i]) < Fold(b[i]) ? -1 : 1;
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (size_t i = 0; i < n; ++i) // same letters: lower case sorts first
        if (a[i] != b[i])
            return a[i] > b[i] ? -1 : 1;
    return 0;
}

Tree* FindTree(HWND window) {
    auto it = g_trees.find(window);
    return it == g_trees.end() ? nullptr : it->second.get();
}

Item* FindItem(Tree& tree, HTREEITEM handle) {
    auto it = tree.items.find(handle);
    return it == tree.items.end() ? nullptr : it->second.get();
}

// The item of the tree-view window, or null; looked up afresh, since a parent's
// notification handler may add or remove items.
Item* FindItem(HWND window, HTREEITEM handle) {
    Tree* tree = FindTree(window);
    return tree ? FindItem(*tree, handle) : nullptr;
}

bool InOrderWithNeighbours(const Item& item) {
    return (item.previous == nullptr || CompareLabels(item.previous->text, item.text) <= 0) &&
           (item.next == nullptr || CompareLabels(item.text, item.next->text) <= 0);
}

void LinkAfter(Item* item, Item* after, Item* parent) {
    item->parent = parent;
    item->previous = after;
    item->next = after ? after->next : parent->firstChild;
    (item->next ? item->next->previous : parent->lastChild) = item;
    (after ? after->next : parent->firstChild) = item;
    parent->childrenSorted = parent->childrenSorted && InOrderWithNeighbours(*item);
}

// Where TVI_SORT puts a label among the children of parent: behind the returned item,
// or first for null.
Item* SortedPlace(const Item& parent, const std::string& label) {
    if (parent.childrenSorted && parent.lastChild &&
        CompareLabels(label, parent.lastChild->text) > 0)
        return parent.lastChild;
    Item* before = nullptr;
    for (Item* child = parent.firstChild; child != nullptr; child = child->next) {
        int order = CompareLabels(label, child->text);
        if (order < 0)
            return before;
        if (order == 0)
            return child;
        before = child;
    }
    return before;
}

void SetFields(Item& item, const TVITEMA& fields) {
    if ((fields.mask & TVIF_TEXT) && fields.pszText != nullptr)
        item.text = fields.pszText;
    if (fields.mask & TVIF_IMAGE)
        item.image = fields.iImage;
    if (fields.mask & TVIF_SELECTEDIMAGE)
        item.selectedImage = fields.iSelectedImage;
    if (fields.mask & TVIF_CHILDREN)
        item.children = fields.cChildren;
    if (fields.mask & TVIF_PARAM)
        item.param = fields.lParam;
    if (fields.mask & TVIF_STATE)
        item.state = (item.state & ~fields.stateMask) | (fields.state & fields.stateMask);
}

HTREEITEM Insert(Tree& tree, const TVINSERTSTRUCTA* insert) {
    if (insert == nullptr)
        return nullptr;
    Item* parent = &tree.root;
    if (insert->hParent != nullptr && insert->hParent != TVI_ROOT) {
        parent = FindItem(tree, insert->hParent);
        if (parent == nullptr)
            return nullptr;
    }
    auto item = std::make_unique<Item>();
    item->handle = reinterpret_cast<HTREEITEM>(static_cast<uintptr_t>(0x40000 + 8 * ++g_lastItem));
    SetFields(*item, insert->item);
    HTREEITEM after = insert->hInsertAfter;
    Item* place;
    if (after == TVI_FIRST) {
        place = nullptr;
    } else if (after == TVI_SORT) {
        place = SortedPlace(*parent, item->text);
    } else {
        place = after == TVI_LAST ? nullptr : FindItem(tree, after);
        if (place == nullptr || place->parent != parent)
            place = parent->lastChild;
    }
    LinkAfter(item.get(), place, parent);
    if (parent->children == 0)
        parent->children = 1;
    HTREEITEM handle = item->handle;
    tree.items[handle] = std::move(item);
    return handle;
}

BOOL GetFields(Tree& tree, TVITEMA* fields) {
    Item* item = fields ? FindItem(tree, fields->hItem) : nullptr;
    if (item == nullptr)
        return FALSE;
    if ((fields->mask & TVIF_TEXT) && fields->pszText != nullptr && fields->cchTextMax > 0) {
        size_t count = std::min(item->text.size(), static_cast<size_t>(fields->cchTextMax) - 1);
        std::memcpy(fields->pszText, item->text.data(), count);
        fields->pszText[count] = '\0';
    }
    if (fields->mask & TVIF_IMAGE)
        fields->iImage = item->image;
    if (fields->mask & TVIF_SELECTEDIMAGE)
        fields->iSelectedImage = item->selectedImage;
    if (fields->mask & TVIF_CHILDREN)
        fields->cChildren = item->children;
    if (fields->mask & TVIF_PARAM)
        fields->lParam = item->param;
    if (fields->mask & TVIF_STATE)
        fields->state = item->state;
    return TRUE;
}

HTREEITEM Handle(const Item* item) {
    return item && item->parent ? item->handle : nullptr;
}

HTREEITEM NextItem(Tree& tree, WPARAM flag, HTREEITEM handle) {
    if (flag == TVGN_ROOT)
        return Handle(tree.root.firstChild);
    Item* item = FindItem(tree, handle);
    if (item == nullptr)
        return nullptr;
    switch (flag) {
    case TVGN_NEXT:
        return Handle(item->next);
    case TVGN_CHILD:
        return Handle(item->firstChild);
    default:
        return nullptr;
    }
}

void Describe(const Item* item, UINT mask, TVITEMA* fields) {
    if (item == nullptr)
        return;
    fields->mask = mask;
    fields->hItem = item->handle;
    fields->state = item->state;
    fields->lParam = item->param;
    fields->iImage = item->image;
    fields->iSelectedImage = item->selectedImage;
}

// Sends a tree-view notification to the parent; answers the parent's result.
LRESULT Notify(HWND window, UINT code, UINT action, const Item* oldItem, const Item* newItem,
               UINT mask = TVIF_HANDLE | TVIF_STATE | TVIF_PARAM | TVIF_IMAGE |
                           TVIF_SELECTEDIMAGE) {
    NMTREEVIEWA notification = {};
    notification.hdr.hwndFrom = window;
    notification.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(window));
    notification.hdr.code = code;
    notification.action = action;
    Describe(oldItem, mask, &notification.itemOld);
    Describe(newItem, mask, &notification.itemNew);
    GetCursorPos(&notification.ptDrag);
    return SendMessageA(GetParent(window), WM_NOTIFY, notification.hdr.idFrom,
                        reinterpret_cast<LPARAM>(&notification));
}

bool HasChildren(const Item& item) {
    return item.firstChild != nullptr || item.children > 0;
}

bool IsDescendant(const Item* item, const Item* ancestor) {
    for (item = item ? item->parent : nullptr; item != nullptr; item = item->parent)
        if (item == ancestor)
            return true;
    return false;
}

// Expands an item; notifies the parent when the user asked, or the first time.
// The parent may add or remove items meanwhile, so the item is looked up again.
BOOL Expand(HWND window, HTREEITEM handle, bool user) {
    Item* item = FindItem(window, handle);
    if (item == nullptr || !HasChildren(*item))
        return FALSE;
    bool notifies = user || (item->children != 0 && !(item->state & TVIS_EXPANDEDONCE));
    if (notifies && Notify(window, TVN_ITEMEXPANDINGA, TVE_EXPAND, nullptr, item) != 0)
        return FALSE;
    item = FindItem(window, handle);
    if (item == nullptr || item->firstChild == nullptr)
        return FALSE;
    item->state |= TVIS_EXPANDED;
    if (notifies) {
        Notify(window, TVN_ITEMEXPANDEDA, TVE_EXPAND, nullptr, item);
        if (Item* expanded = FindItem(window, handle))
            expanded->state |= TVIS_EXPANDEDONCE;
    }
    return TRUE;
}

BOOL Collapse(HWND window, HTREEITEM handle, bool user) {
    Tree* tree = FindTree(window);
    Item* item = tree ? FindItem(*tree, handle) : nullptr;
    if (item == nullptr || !HasChildren(*item))
        return FALSE;
    if (user)
        Notify(window, TVN_ITEMEXPANDINGA, TVE_COLLAPSE, nullptr, item);
    tree = FindTree(window);
    item = tree ? FindItem(*tree, handle) : nullptr;
    if (item == nullptr || item->firstChild == nullptr)
        return FALSE;
    bool wasExpanded = (item->state & TVIS_EXPANDED) != 0;
    item->state &= ~TVIS_EXPANDED;
    if (IsDescendant(tree->selected, item)) { // a hidden selection moves up, without notifications
        tree->selected->state &= ~TVIS_SELECTED;
        item->state |= TVIS_SELECTED;
        tree->selected = item;
    }
    if (wasExpanded && user)
        Notify(window, TVN_ITEMEXPANDEDA, TVE_COLLAPSE, nullptr, item);
    return wasExpanded;
}

BOOL Select(HWND window, HTREEITEM handle, UINT cause) {
    Tree* tree = FindTree(window);
    Item* item = tree ? FindItem(*tree, handle) : nullptr;
    if (tree == nullptr || (handle != nullptr && item == nullptr))
        return FALSE;
    Item* previous = tree->selected;
    if (item == previous)
        return TRUE;
    if (Notify(window, TVN_SELCHANGINGA, cause, previous, item) != 0)
        return FALSE;
    tree = FindTree(window);
    if (tree == nullptr)
        return FALSE;
    item = FindItem(*tree, handle);
    previous = tree->selected;
    if (previous != nullptr)
        previous->state &= ~TVIS_SELECTED;
    if (item != nullptr)
        item->state |= TVIS_SELECTED;
    tree->selected = item;
    Notify(window, TVN_SELCHANGEDA, cause, previous, item);
    return TRUE;
}

} // namespace

namespace sim {

namespace detail {

void ResetTreeViews() {
    g_trees.clear();
}

LRESULT CALLBACK TreeViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        g_trees[window] = std::make_unique<Tree>();
        return 0;
    }
    if (message == WM_DESTROY) { // the control frees its items; image lists belong to the owner
        g_trees.erase(window);
        return 0;
    }
    Tree* tree = FindTree(window);
    if (tree == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case TVM_INSERTITEMA:
        return reinterpret_cast<LRESULT>(
            Insert(*tree, reinterpret_cast<const TVINSERTSTRUCTA*>(lParam)));
    case TVM_SETITEMA: {
        auto* fields = reinterpret_cast<const TVITEMA*>(lParam);
        Item* item = fields ? FindItem(*tree, fields->hItem) : nullptr;
        if (item == nullptr)
            return FALSE;
        SetFields(*item, *fields);
        item->parent->childrenSorted = item->parent->childrenSorted && InOrderWithNeighbours(*item);
        return TRUE;
    }
    case TVM_GETITEMA:
        return GetFields(*tree, reinterpret_cast<TVITEMA*>(lParam));
    case TVM_GETNEXTITEM:
        return reinterpret_cast<LRESULT>(
            NextItem(*tree, wParam, reinterpret_cast<HTREEITEM>(lParam)));
    case TVM_GETCOUNT:
        return static_cast<LRESULT>(tree->items.size());
    case TVM_EXPAND: {
        auto handle = reinterpret_cast<HTREEITEM>(lParam);
        switch (wParam) {
        case TVE_EXPAND:
            return Expand(window, handle, false);
        case TVE_COLLAPSE:
            return Collapse(window, handle, false);
        default:
            return FALSE;
        }
    }
    case TVM_SELECTITEM:
        if (wParam != TVGN_CARET)
            return FALSE;
        return Select(window, reinterpret_cast<HTREEITEM>(lParam), TVC_UNKNOWN);
    case TVM_GETIMAGELIST:
        return reinterpret_cast<LRESULT>(wParam == TVSIL_NORMAL  ? tree->normalImages
                                         : wParam == TVSIL_STATE ? tree->stateImages
                                                                 : nullptr);
    case TVM_SETIMAGELIST: {
        HIMAGELIST* slot = wParam == TVSIL_NORMAL  ? &tree->normalImages
                           : wParam == TVSIL_STATE ? &tree->stateImages
                                                   : nullptr;
        if (slot == nullptr)
            return 0;
        return reinterpret_cast<LRESULT>(
            std::exchange(*slot, reinterpret_cast<HIMAGELIST>(lParam)));
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace detail

bool ClickExpandButton(HWND window, HTREEITEM handle) {
    detail::CallerScope user(false);
    Item* item = FindItem(window, handle);
    if (item == nullptr || !HasChildren(*item))
        return false;
    if (item->state & TVIS_EXPANDED)
        Collapse(window, handle, true);
    else
        Expand(window, handle, true);
    item = FindItem(window, handle);
    return item != nullptr && (item->state & TVIS_EXPANDED) != 0;
}

void StartDrag(HWND window, HTREEITEM handle, bool rightButton) {
    detail::CallerScope user(false);
    Item* item = FindItem(window, handle);
    if (item != nullptr)
        Notify(window, rightButton ? TVN_BEGINRDRAGA : TVN_BEGINDRAGA, 0, nullptr, item,
               TVIF_HANDLE | TVIF_STATE | TVIF_PARAM);
}

size_t LiveTreeViews() {
    return g_trees.size();
}

size_t LiveTreeItems() {
    size_t items = 0;
    for (auto& [window, tree] : g_trees)
        items += tree->items.size();
    return items;
}

} // namespace sim
