// CWnd: a C++ object tied to a window. The tie is a window property, so the
// dialog procedure and the window procedure of a subclassed control find the
// object of a window; messages go through the object's message map, and what the
// map leaves alone gets the window's default processing.
#pragma once

#include "appkit/message_map.h"

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    ~CWnd() override;
    const MessageMap* GetMessageMap() const override { return &messageMap; }

    // The object tied to a window, or null.
    static CWnd* FromHandlePermanent(HWND window);

    // Ties the object to a window without taking over its messages.
    bool Attach(HWND window);
    HWND Detach();
    // Ties the object to a window and routes the window's messages through the
    // object's map; the window procedure it replaces does the default processing.
    bool SubclassWindow(HWND window);
    bool SubclassDlgItem(int id, CWnd* parent);

    HWND GetSafeHwnd() const { return hwnd_; }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(hwnd_, message, wParam, lParam);
    }

    static const MessageMap messageMap;

protected:
    HWND hwnd_ = nullptr;

    // Dispatches a message through the map: a notification goes first to the
    // control that sent it, then to this window's entries. True when handled.
    virtual bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // A notification this window sent to its parent, offered back to it.
    bool OnChildNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Default processing of the message being dispatched: the replaced window procedure.
    LRESULT Default();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    struct Message {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    WNDPROC superProc_ = nullptr;
    Message current_ = {0, 0, 0};
};
