#include "appkit/dialog.h"

#include "appkit/heap_buffer.h"
#include "appkit/module_instance.h"

const MessageMapEntry CDialog::messageEntries[] = {
    {WM_COMMAND, BN_CLICKED, IDOK, CommandHandler<CDialog, &CDialog::OnOK>},
    {WM_COMMAND, BN_CLICKED, IDCANCEL, CommandHandler<CDialog, &CDialog::OnCancel>},
    {0, 0, 0, nullptr},
};
const MessageMap CDialog::messageMap = {&CWnd::messageMap, messageEntries};

void DDX_Text(CDataExchange* exchange, int id, CSharedString& value) {
    HWND control = GetDlgItem(exchange->Dialog()->GetSafeHwnd(), id);
    if (control == nullptr) {
        exchange->Fail();
        return;
    }
    if (!exchange->SavesToMembers()) {
        if (!SetWindowTextA(control, value))
            exchange->Fail();
        return;
    }
    int length = GetWindowTextLengthA(control);
    HeapBuffer text(static_cast<SIZE_T>(length > 0 ? length : 0) + 1);
    if (!text) {
        exchange->Fail();
        return;
    }
    GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
    if (!value.Assign(text.data()))
        exchange->Fail();
}

INT_PTR CDialog::DoModal() {
    return DialogBoxParamA(ModuleInstance(), MAKEINTRESOURCEA(templateId_),
                           parent_ ? parent_->GetSafeHwnd() : nullptr, &CDialog::DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange exchange(this, saveAndValidate);
    DoDataExchange(&exchange);
    return !exchange.Failed();
}

void CDialog::EndDialog(int result) {
    ::EndDialog(hwnd_, result);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        if (!dialog->Attach(window)) {
            ::EndDialog(window, -1);
            return FALSE;
        }
        return dialog->OnInitDialog();
    }
    CWnd* object = FromHandlePermanent(window);
    if (object == nullptr)
        return FALSE;
    LRESULT result = 0;
    bool handled = static_cast<CDialog*>(object)->OnWndMsg(message, wParam, lParam, &result);
    if (message == WM_NCDESTROY)
        object->Detach();
    if (!handled)
        return FALSE;
    SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
    return TRUE;
}
