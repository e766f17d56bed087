// CDialog: a modal dialog box from a dialog template of the module, with dialog
// data exchange between its controls and the members of the derived class.
#pragma once

#include "appkit/shared_string.h"
#include "appkit/wnd.h"

class CDialog;

// One exchange between the controls and the members, in one direction.
class CDataExchange {
public:
    CDataExchange(CDialog* dialog, bool saveAndValidate)
        : dialog_(dialog), saveAndValidate_(saveAndValidate) {}
    void Fail() { failed_ = true; }
    bool Failed() const { return failed_; }
    CDialog* Dialog() const { return dialog_; }
    // True: controls to members; false: members to controls.
    bool SavesToMembers() const { return saveAndValidate_; }

private:
    CDialog* dialog_;
    bool saveAndValidate_;
    bool failed_ = false;
};

// Exchanges the text of control `id` with `value`.
void DDX_Text(CDataExchange* exchange, int id, CSharedString& value);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr)
        : templateId_(templateId), parent_(parent) {}
    const MessageMap* GetMessageMap() const override { return &messageMap; }

    // Shows the dialog and returns when it ends: the code given to EndDialog, or -1
    // when the dialog could not be created.
    INT_PTR DoModal();
    // Runs the data exchange: from the controls into the members when
    // saveAndValidate, else from the members into the controls. False when it failed.
    bool UpdateData(bool saveAndValidate = true);
    void EndDialog(int result);

    static const MessageMap messageMap;

protected:
    // Called once the controls exist; writes the members into them. The result is
    // that of WM_INITDIALOG: TRUE lets the system set the focus.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange*) {}
    // OK reads the controls into the members and ends the dialog; Cancel ends it.
    virtual void OnOK();
    virtual void OnCancel();

private:
    static const MessageMapEntry messageEntries[];
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    UINT templateId_;
    CWnd* parent_;
};
