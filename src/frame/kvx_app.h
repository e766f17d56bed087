// The module's application object.
#pragma once

#include "appkit/win_app.h"

class CKvxApp : public CWinApp {
public:
    ~CKvxApp() override;
    const MessageMap* GetMessageMap() const override { return &messageMap; }

    static const MessageMap messageMap;
};
