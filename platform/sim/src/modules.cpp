// Modules of the system: the spooler's, which the process has loaded, and the
// shell's, which it loads on demand; found by name as GetModuleHandleA and
// LoadLibraryA find them, their functions as GetProcAddress does, each module's
// references counted as LoadLibraryA and FreeLibrary count them, and functions
// or a whole module taken away as a test asks.
#include "sim_internal.h"

#include <cctype>
#include <map>
#include <set>
#include <utility>

namespace {

template <typename Function> FARPROC Address(Function* function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(function));
}

struct Module {
    Module(std::string file, unsigned processReferences, std::map<std::string, FARPROC> exported)
        : fileName(std::move(file)), startReferences(processReferences),
          references(processReferences), exports(std::move(exported)) {}

    bool Loaded() const { return !absent && references > 0; }

    std::string fileName; // upper case, as the loader reports it
    // The references the process holds of its own (1: it imports the module).
    unsigned startReferences;
    unsigned references; // loaded while there is one
    std::map<std::string, FARPROC> exports;
    std::set<std::string> removed; // exports a test took away
    bool absent = false;           // not on this system: neither loaded nor loadable
};

// The modules of the system; the first is the program itself, which no name
// finds, which exports nothing and which stays loaded. A module's handle is the
// address of its entry, which stays put for the life of the process.
Module g_modules[] = {
    {"", 1, {}},
    {"SHELL32.DLL",
     0,
     {
         {"SHBrowseForFolderA", Address(&SHBrowseForFolderA)},
         {"SHGetMalloc", Address(&SHGetMalloc)},
         {"SHGetPathFromIDListA", Address(&SHGetPathFromIDListA)},
         {"SHGetSpecialFolderLocation", Address(&SHGetSpecialFolderLocation)},
     }},
    {"WINSPOOL.DRV",
     1,
     {
         {"AddPrinterA", Address(&AddPrinterA)},
         {"AddPrinterDriverA", Address(&AddPrinterDriverA)},
         {"ClosePrinter", Address(&ClosePrinter)},
         {"ConfigurePortA", Address(&ConfigurePortA)},
         {"ConnectToPrinterDlg", Address(&ConnectToPrinterDlg)},
         {"DeletePrinter", Address(&DeletePrinter)},
         {"DeletePrinterConnectionA", Address(&DeletePrinterConnectionA)},
         {"DeletePrinterDriverA", Address(&DeletePrinterDriverA)},
         {"EnumPortsA", Address(&EnumPortsA)},
         {"EnumPrinterDriversA", Address(&EnumPrinterDriversA)},
         {"EnumPrintersA", Address(&EnumPrintersA)},
         {"GetPrinterA", Address(&GetPrinterA)},
         {"GetPrinterDriverA", Address(&GetPrinterDriverA)},
         {"GetPrinterDriverDirectoryA", Address(&GetPrinterDriverDirectoryA)},
         {"OpenPrinterA", Address(&OpenPrinterA)},
     }},
};
Module& g_program = g_modules[0];

HMODULE HandleOf(Module& module) {
    return reinterpret_cast<HMODULE>(&module);
}

Module* Loaded(HMODULE handle) {
    for (Module& module : g_modules)
        if (HandleOf(module) == handle && module.Loaded())
            return &module;
    return nullptr;
}

// The name the loader compares: the extension .DLL added where none is given
// (a name ending in '.' has none), in upper case.
std::string FileNameOf(const std::string& name) {
    std::string file = name;
    if (file.find('.') == std::string::npos)
        file += ".DLL";
    else if (file.back() == '.')
        file.pop_back();
    for (char& c : file)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return file;
}

Module* Named(const std::string& name) {
    std::string file = FileNameOf(name);
    for (Module& module : g_modules)
        if (&module != &g_program && module.fileName == file)
            return &module;
    return nullptr;
}

} // namespace

namespace sim {

namespace detail {

void ResetModules() {
    for (Module& module : g_modules) {
        module.references = module.startReferences;
        module.removed.clear();
        module.absent = false;
    }
}

bool ModuleLoaded(const std::string& name) {
    const Module* module = Named(name);
    return module != nullptr && module->Loaded();
}

} // namespace detail

void RemoveExport(const std::string& module, const std::string& function) {
    if (Module* named = Named(module))
        named->removed.insert(function);
}

void UnloadModule(const std::string& module) {
    if (Module* named = Named(module))
        named->absent = true;
}

long LibraryModuleReferences() {
    long taken = 0;
    for (const Module& module : g_modules)
        taken += static_cast<long>(module.references) - static_cast<long>(module.startReferences);
    return taken;
}

} // namespace sim

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    sim::detail::PlatformCall call("GetModuleHandleA");
    if (call.Fails())
        return nullptr;
    if (moduleName == nullptr)
        return HandleOf(g_program);
    Module* module = Named(moduleName);
    if (module == nullptr || !module->Loaded()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return HandleOf(*module);
}

HMODULE LoadLibraryA(LPCSTR fileName) {
    sim::detail::PlatformCall call("LoadLibraryA");
    if (call.Fails())
        return nullptr;
    if (fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Module* module = Named(fileName);
    if (module == nullptr || module->absent) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++module->references;
    return HandleOf(*module);
}

BOOL FreeLibrary(HMODULE handle) {
    sim::detail::PlatformCall call("FreeLibrary");
    if (call.Fails())
        return FALSE; // the module stays
    if (handle == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Module* module = Loaded(handle);
    if (module == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    if (module != &g_program) // the program stays loaded
        --module->references;
    return TRUE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
    sim::detail::PlatformCall call("GetProcAddress");
    if (call.Fails())
        return nullptr;
    const Module* loaded = Loaded(module == nullptr ? HandleOf(g_program) : module);
    if (loaded == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    bool exported = !IS_INTRESOURCE(procName) && loaded->removed.count(procName) == 0;
    auto it = exported ? loaded->exports.find(procName) : loaded->exports.end();
    if (it == loaded->exports.end()) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return it->second;
}
