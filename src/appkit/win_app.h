// CWinApp: the application object the framework requires once per module.
#pragma once

#include "appkit/message_map.h"

class CWinApp : public CCmdTarget {
public:
    ~CWinApp() override = default;
    const MessageMap* GetMessageMap() const override { return &messageMap; }

    static const MessageMap messageMap;
};
