// CTreeCtrl: the tree-view control of a window, driven through its messages.
#pragma once

#include "appkit/wnd.h"

class CTreeCtrl : public CWnd {
public:
    const MessageMap* GetMessageMap() const override { return &messageMap; }

    // The new item, or null when the control refused it.
    HTREEITEM InsertItem(const TVINSERTSTRUCTA* insert) const {
        return reinterpret_cast<HTREEITEM>(
            SendMessage(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(insert)));
    }
    bool SetItem(const TVITEMA* item) const {
        return SendMessage(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(item)) != 0;
    }
    HIMAGELIST GetImageList(int which) const {
        return reinterpret_cast<HIMAGELIST>(SendMessage(TVM_GETIMAGELIST, which));
    }
    // Returns the list it replaces.
    HIMAGELIST SetImageList(HIMAGELIST list, int which) const {
        return reinterpret_cast<HIMAGELIST>(
            SendMessage(TVM_SETIMAGELIST, which, reinterpret_cast<LPARAM>(list)));
    }

    static const MessageMap messageMap;
};
