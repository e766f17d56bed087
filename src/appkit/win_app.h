// CWinApp: the application object the framework requires once per module.
#pragma once

#include "appkit/message_map.h"

class CWinApp : public CCmdTarget {
public:
    explicit CWinApp(const char* appName = nullptr) : m_pszAppName(appName) {}
    ~CWinApp() override = default;
    const MessageMap* GetMessageMap() const override { return &messageMap; }

    const char* m_pszAppName;
    static const MessageMap messageMap;
};
