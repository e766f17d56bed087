// The module's static objects, constructed at load in this order (PreselectPath,
// then the application object) and destroyed at unload in reverse. The handoff
// slots hold plain handles and need no construction.
#include "frame/handoff.h"
#include "frame/kvx_app.h"
#include "frame/module_state.h"

CSharedString PreselectPath;
CKvxApp theApp;

HandoffSlot g_portsSlot;
HandoffSlot g_netListSlot;
HandoffSlot g_connectDialogSlot;
HandoffSlot g_printerBrowserSlot;

namespace {
const MessageMapEntry kNoEntries[] = {{0, 0, 0, nullptr}};
}

const MessageMap CKvxApp::messageMap = {&CWinApp::messageMap, kNoEntries};

CKvxApp::~CKvxApp() = default;
