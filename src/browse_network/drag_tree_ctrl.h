// DragTreeCtrl: a tree control that accepts label edits and holds the mouse
// capture while a drag is under way, from the drag's start until a mouse button
// comes up; the drag does nothing more.
#pragma once

#include "appkit/tree_ctrl.h"

class DragTreeCtrl : public CTreeCtrl {
public:
    const MessageMap* GetMessageMap() const override { return &messageMap; }

    static const MessageMap messageMap;

private:
    static const MessageMapEntry messageEntries[];

    void OnEndLabelEdit(NMHDR* notification, LRESULT* result);
    void OnBeginDrag(NMHDR* notification, LRESULT* result);
    LRESULT OnButtonUp(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
    void EndDrag();
};
