#include "framework/message_map.h"

#include "framework/win_app.h"

namespace {
const MessageMapEntry kNoEntries[] = {{0, 0, 0, nullptr}};
}

const MessageMap CCmdTarget::messageMap = {nullptr, kNoEntries};
const MessageMap CWinApp::messageMap = {&CCmdTarget::messageMap, kNoEntries};
