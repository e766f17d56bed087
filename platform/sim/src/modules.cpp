// Loaded modules: the spooler's module and its functions, found by name as
// GetModuleHandleA and GetProcAddress find them, with functions or the whole
// module taken away as a test asks.
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
    Module(std::string file, std::map<std::string, FARPROC> exported)
        : fileName(std::move(file)), exports(std::move(exported)) {}

    std::string fileName; // upper case, as the loader reports it
    std::map<std::string, FARPROC> exports;
    std::set<std::string> removed; // exports a test took away
    bool unloaded = false;
};

// The modules of the process; the first is the program itself, which no name
// finds and which exports nothing. A module's handle is the address of its
// entry, which stays put for the life of the process.
Module g_modules[] = {
    {"", {}},
    {"WINSPOOL.DRV",
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
        if (HandleOf(module) == handle && !module.unloaded)
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
        module.removed.clear();
        module.unloaded = false;
    }
}

} // namespace detail

void RemoveExport(const std::string& module, const std::string& function) {
    if (Module* named = Named(module))
        named->removed.insert(function);
}

void UnloadModule(const std::string& module) {
    if (Module* named = Named(module))
        named->unloaded = true;
}

} // namespace sim

HMODULE GetModuleHandleA(LPCSTR moduleName) {
    sim::detail::PlatformCall call("GetModuleHandleA");
    if (call.Fails())
        return nullptr;
    if (moduleName == nullptr)
        return HandleOf(g_program);
    Module* module = Named(moduleName);
    if (module == nullptr || module->unloaded) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return HandleOf(*module);
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
