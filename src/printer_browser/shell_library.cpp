#include "printer_browser/shell_library.h"

#include "frame/system_module.h"

ShellLibrary g_shellLibrary;

const ShellFunctions* ShellLibrary::Functions() {
    if (module_ != nullptr)
        return &functions_;
    LoadedModule shell("SHELL32.DLL"); // released on return unless kept below
    ShellFunctions found;
    if (!shell || !FindFunction(shell.get(), "SHGetMalloc", &found.getMalloc) ||
        !FindFunction(shell.get(), "SHGetSpecialFolderLocation", &found.getSpecialFolderLocation) ||
        !FindFunction(shell.get(), "SHBrowseForFolderA", &found.browseForFolder) ||
        !FindFunction(shell.get(), "SHGetPathFromIDListA", &found.getPathFromIDList))
        return nullptr;
    functions_ = found;
    module_ = shell.Keep();
    return &functions_;
}
