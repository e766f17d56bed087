// The shell's module and the four functions of it the printer browser calls,
// found when the dialog is wanted rather than imported: they came with the
// shell of Windows 95 and Windows NT 4.0, and an older SHELL32.DLL lacks them.
// The DLL imports nothing else from the shell, so the module is loaded here; it
// is released when the object goes, which must be after the allocator and item
// lists the shell handed out (declare the library first).
#pragma once

#include "frame/system_module.h"

#include <win32.h>

class ShellLibrary {
public:
    ShellLibrary() : module_("SHELL32.DLL") {
        HMODULE shell = module_.get();
        found_ = shell != nullptr && FindFunction(shell, "SHGetMalloc", &getMalloc) &&
                 FindFunction(shell, "SHGetSpecialFolderLocation", &getSpecialFolderLocation) &&
                 FindFunction(shell, "SHBrowseForFolderA", &browseForFolder) &&
                 FindFunction(shell, "SHGetPathFromIDListA", &getPathFromIDList);
    }
    ShellLibrary(const ShellLibrary&) = delete;
    ShellLibrary& operator=(const ShellLibrary&) = delete;

    // True when the module and all four functions are there.
    explicit operator bool() const { return found_; }

    decltype(&SHGetMalloc) getMalloc = nullptr;
    decltype(&SHGetSpecialFolderLocation) getSpecialFolderLocation = nullptr;
    decltype(&SHBrowseForFolderA) browseForFolder = nullptr;
    decltype(&SHGetPathFromIDListA) getPathFromIDList = nullptr;

private:
    LoadedModule module_;
    bool found_ = false;
};
