// The shell's module and the four functions of it the printer browser calls,
// found when the dialog is wanted rather than imported: they came with the
// shell of Windows 95 and Windows NT 4.0, and an older SHELL32.DLL lacks them.
// The DLL imports nothing else from the shell, so the module is loaded here.
#pragma once

#include <win32.h>

struct ShellFunctions {
    decltype(&SHGetMalloc) getMalloc = nullptr;
    decltype(&SHGetSpecialFolderLocation) getSpecialFolderLocation = nullptr;
    decltype(&SHBrowseForFolderA) browseForFolder = nullptr;
    decltype(&SHGetPathFromIDListA) getPathFromIDList = nullptr;
};

// The shell's module, loaded by the first dialog and kept for the rest of the
// process once all four functions are found; later dialogs reuse it. The browse
// dialog leaves threads and objects behind whose code lies in the module, so it
// is never unloaded (nor from DllMain, where FreeLibrary is forbidden). A module
// that lacks a function is released at once and asked for again next time.
class ShellLibrary {
public:
    // The four functions, or null when the shell cannot give them all.
    const ShellFunctions* Functions();

private:
    HMODULE module_ = nullptr; // a plain handle: its reference is never given back
    ShellFunctions functions_;
};

// The process's one. A test's new machine, which has not loaded the shell,
// replaces it with a new one.
extern ShellLibrary g_shellLibrary;
