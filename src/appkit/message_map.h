// Message maps: a static table of handlers per class whose base is the parent
// class's table, searched from the most derived class outward.
#pragma once

#include <win32.h>

class CCmdTarget;

struct MessageMapEntry {
    UINT message;   // window message, 0 ends the table
    UINT code;      // notification code for WM_NOTIFY and WM_COMMAND entries, else 0
    UINT controlId; // sending control for WM_NOTIFY and WM_COMMAND entries, else 0
    // Handler: returns true when it handled the message and set *result.
    bool (*handler)(CCmdTarget* target, WPARAM wParam, LPARAM lParam, LRESULT* result);
};

struct MessageMap {
    const MessageMap* base;
    const MessageMapEntry* entries;
};

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;
    virtual const MessageMap* GetMessageMap() const { return &messageMap; }

    static const MessageMap messageMap;
};

// A notification that a control sent to its parent comes back to the control's own
// map first under this message; entries for it match on the code alone.
constexpr UINT kReflectedNotify = 0xBC00 + WM_NOTIFY;

// The first entry for the message, searching `map` and then its bases; for
// WM_NOTIFY and WM_COMMAND the code and control id must match too (the control id
// is not compared for reflected notifications).
const MessageMapEntry* FindMessageEntry(const MessageMap* map, UINT message, UINT code,
                                        UINT controlId);

// Handler adapters for map entries, by the handler's form:
//   void T::OnNotify(NMHDR* notification, LRESULT* result)  (WM_NOTIFY, reflected or not)
//   void T::OnCommand()                                      (WM_COMMAND, result 0)
//   LRESULT T::OnMessage(WPARAM, LPARAM)                     (any message)
//   void T::OnEvent()                    (any message, which then gets default processing)
template <class T, void (T::*Handler)(NMHDR*, LRESULT*)>
bool NotifyHandler(CCmdTarget* target, WPARAM, LPARAM lParam, LRESULT* result) {
    (static_cast<T*>(target)->*Handler)(reinterpret_cast<NMHDR*>(lParam), result);
    return true;
}

template <class T, void (T::*Handler)()>
bool CommandHandler(CCmdTarget* target, WPARAM, LPARAM, LRESULT* result) {
    (static_cast<T*>(target)->*Handler)();
    *result = 0;
    return true;
}

template <class T, LRESULT (T::*Handler)(WPARAM, LPARAM)>
bool MessageHandler(CCmdTarget* target, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    *result = (static_cast<T*>(target)->*Handler)(wParam, lParam);
    return true;
}

template <class T, void (T::*Handler)()>
bool EventHandler(CCmdTarget* target, WPARAM, LPARAM, LRESULT*) {
    (static_cast<T*>(target)->*Handler)();
    return false;
}
