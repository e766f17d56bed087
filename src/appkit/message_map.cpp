#include "appkit/message_map.h"

#include "appkit/win_app.h"

namespace {
const MessageMapEntry kNoEntries[] = {{0, 0, 0, nullptr}};

bool Matches(const MessageMapEntry& entry, UINT message, UINT code, UINT controlId) {
    if (entry.message != message)
        return false;
    if (message == kReflectedNotify)
        return entry.code == code;
    if (message == WM_NOTIFY || message == WM_COMMAND)
        return entry.code == code && entry.controlId == controlId;
    return true;
}
} // namespace

const MessageMap CCmdTarget::messageMap = {nullptr, kNoEntries};
const MessageMap CWinApp::messageMap = {&CCmdTarget::messageMap, kNoEntries};

const MessageMapEntry* FindMessageEntry(const MessageMap* map, UINT message, UINT code,
                                        UINT controlId) {
    for (; map != nullptr; map = map->base)
        for (const MessageMapEntry* entry = map->entries; entry->message != 0; ++entry)
            if (Matches(*entry, message, code, controlId))
                return entry;
    return nullptr;
}
