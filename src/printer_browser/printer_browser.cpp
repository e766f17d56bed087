#include "printer_browser/printer_browser.h"

#include "frame/module_state.h"
#include "printer_browser/shell_items.h"

PrinterBrowser::PrinterBrowser(CSharedString title, CSharedString initialPath, bool onlyIfEmpty)
    : title_(title.IsEmpty() ? CSharedString("Select Printer") : title) {
    if (!initialPath.IsEmpty())
        SetPreselect(initialPath, onlyIfEmpty);
}

PrinterBrowser::~PrinterBrowser() = default;

void PrinterBrowser::SetTitle(CSharedString title) {
    title_ = title;
}

void PrinterBrowser::SetPreselect(CSharedString path, bool onlyIfEmpty) {
    if (!onlyIfEmpty || PreselectPath.IsEmpty())
        PreselectPath = path;
}

bool PrinterBrowser::Browse() {
    // Without the shell's functions (an older shell lacks them) or its allocator,
    // to which item lists go back, no dialog opens.
    const ShellFunctions* shell = g_shellLibrary.Functions();
    if (shell == nullptr)
        return false;
    ShellAllocator allocator(*shell);
    if (!allocator)
        return false;
    ItemList root(allocator); // stays null when the network's list cannot be had
    shell->getSpecialFolderLocation(nullptr, CSIDL_NETWORK, root.Receive());

    // Receives the chosen item's display name, then its path.
    char buffer[MAX_PATH] = {};
    BROWSEINFOA info = {};
    info.hwndOwner = nullptr;
    info.pidlRoot = root.get();
    info.pszDisplayName = buffer;
    info.lpszTitle = title_.c_str();
    info.ulFlags = BIF_BROWSEFORPRINTER;
    info.lpfn = BrowseCallback;
    info.lParam = 0;
    info.iImage = 0;
    ItemList chosen(allocator, shell->browseForFolder(&info));
    if (!chosen)
        return false;

    // A printer has no file-system path: the call then fails and the buffer
    // keeps what the dialog left there, which becomes the path.
    shell->getPathFromIDList(chosen.get(), buffer);
    buffer[MAX_PATH - 1] = '\0';
    if (!path_.Assign(buffer))
        return false; // out of memory: reported as nothing chosen
    PreselectPath = path_;
    return true;
}

void PrinterBrowser::GetPath(CSharedString& path) const {
    path = path_;
}

int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM) {
    if (message == BFFM_INITIALIZED)
        SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE,
                     reinterpret_cast<LPARAM>(PreselectPath.c_str()));
    return 0;
}
