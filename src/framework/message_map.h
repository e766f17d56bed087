// Message maps: a static table of handlers per class whose base is the parent
// class's table, searched from the most derived class outward.
#pragma once

#include <win32.h>

class CCmdTarget;

struct MessageMapEntry {
    UINT message;   // window message, 0 ends the table
    UINT code;      // notification code for WM_NOTIFY entries, else 0
    UINT controlId; // sending control for WM_NOTIFY entries, else 0
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
