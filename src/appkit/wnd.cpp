#include "appkit/wnd.h"

#include "appkit/tree_ctrl.h"

#include <utility>

namespace {
const char kObjectProperty[] = "KVX_32.CWnd";
const MessageMapEntry kNoEntries[] = {{0, 0, 0, nullptr}};
} // namespace

const MessageMap CWnd::messageMap = {&CCmdTarget::messageMap, kNoEntries};
const MessageMap CTreeCtrl::messageMap = {&CWnd::messageMap, kNoEntries};

CWnd::~CWnd() {
    if (hwnd_ != nullptr && superProc_ != nullptr && IsWindow(hwnd_))
        SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(superProc_));
    if (hwnd_ != nullptr)
        Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND window) {
    return window ? static_cast<CWnd*>(GetPropA(window, kObjectProperty)) : nullptr;
}

bool CWnd::Attach(HWND window) {
    if (window == nullptr || hwnd_ != nullptr || FromHandlePermanent(window) != nullptr)
        return false;
    if (!SetPropA(window, kObjectProperty, this))
        return false;
    hwnd_ = window;
    return true;
}

HWND CWnd::Detach() {
    HWND window = std::exchange(hwnd_, nullptr);
    if (window != nullptr)
        RemovePropA(window, kObjectProperty);
    superProc_ = nullptr;
    return window;
}

bool CWnd::SubclassWindow(HWND window) {
    if (!Attach(window))
        return false;
    superProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::WindowProc)));
    if (superProc_ == nullptr) {
        Detach();
        return false;
    }
    return true;
}

bool CWnd::SubclassDlgItem(int id, CWnd* parent) {
    return parent != nullptr && SubclassWindow(GetDlgItem(parent->GetSafeHwnd(), id));
}

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    UINT code = 0;
    UINT controlId = 0;
    if (message == WM_COMMAND) {
        code = HIWORD(wParam);
        controlId = LOWORD(wParam);
    } else if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header == nullptr)
            return false;
        CWnd* sender = FromHandlePermanent(header->hwndFrom);
        if (sender != nullptr && sender != this && sender->OnChildNotify(wParam, lParam, result))
            return true;
        code = header->code;
        controlId = static_cast<UINT>(header->idFrom);
    }
    const MessageMapEntry* entry = FindMessageEntry(GetMessageMap(), message, code, controlId);
    return entry != nullptr && entry->handler(this, wParam, lParam, result);
}

bool CWnd::OnChildNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
    UINT code = reinterpret_cast<const NMHDR*>(lParam)->code;
    const MessageMapEntry* entry = FindMessageEntry(GetMessageMap(), kReflectedNotify, code, 0);
    return entry != nullptr && entry->handler(this, wParam, lParam, result);
}

LRESULT CWnd::Default() {
    return CallWindowProcA(superProc_, hwnd_, current_.message, current_.wParam, current_.lParam);
}

LRESULT CALLBACK CWnd::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* object = FromHandlePermanent(window);
    if (object == nullptr || object->superProc_ == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    Message outer = std::exchange(object->current_, Message{message, wParam, lParam});
    LRESULT result = 0;
    if (!object->OnWndMsg(message, wParam, lParam, &result))
        result = object->Default();
    object->current_ = outer;
    if (message == WM_NCDESTROY) { // the window is gone: give back its procedure and untie
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(object->superProc_));
        object->Detach();
    }
    return result;
}
