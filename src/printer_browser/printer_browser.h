// PrinterBrowser runs the shell's folder-browse dialog, started at the network
// and limited to printers, for the length of one export call. The last chosen
// path lives on in PreselectPath and is preselected when the dialog next opens.
#pragma once

#include "appkit/shared_string.h"

#include <win32.h>

class PrinterBrowser {
public:
    // An empty title gives "Select Printer". A non-empty initial path goes to
    // SetPreselect with the flag.
    PrinterBrowser(CSharedString title, CSharedString initialPath, bool onlyIfEmpty);
    PrinterBrowser(const PrinterBrowser&) = delete;
    PrinterBrowser& operator=(const PrinterBrowser&) = delete;
    virtual ~PrinterBrowser();

    void SetTitle(CSharedString title);
    // Replaces PreselectPath, unless onlyIfEmpty is set and it holds a path.
    void SetPreselect(CSharedString path, bool onlyIfEmpty);
    // Runs the dialog; true when the user confirmed an item.
    bool Browse();
    void GetPath(CSharedString& path) const;

private:
    CSharedString title_;
    CSharedString path_; // of the item confirmed in the last Browse
};

// The dialog's callback: once the dialog is up, selects PreselectPath in it.
int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM lParam, LPARAM data);
