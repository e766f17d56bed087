// Binding to the real KVX_32.dll, as a host does: LoadLibrary and GetProcAddress
// by export name.
#include "binding.h"

#include <win32.h>

#include <CLI/CLI.hpp>

namespace {

std::string g_dllPath = "KVX_32.dll";

template <typename Function>
bool Bind(HMODULE module, const char* name, Function* function, std::string* error) {
    *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (*function == nullptr)
        *error = std::string("KVX_32.dll has no export named ") + name;
    return *function != nullptr;
}

} // namespace

void AddBindingOptions(CLI::App& app) {
    app.add_option("--dll", g_dllPath,
                   "load the library from PATH (default: KVX_32.dll beside kvxctl)")
        ->type_name("PATH");
}

bool BindLibrary(KvxLibrary* library, std::string* error) {
    HMODULE module = LoadLibraryA(g_dllPath.c_str());
    if (module == nullptr) {
        *error = "cannot load " + g_dllPath + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    return Bind(module, "GetPlatformFrom32", &library->GetPlatformFrom32, error) &&
           Bind(module, "GetPrinterDriverDir", &library->GetPrinterDriverDir, error) &&
           Bind(module, "InstallThermalPrinterDriver", &library->InstallThermalPrinterDriver,
                error) &&
           Bind(module, "DesInstallThermalPrinterDriver", &library->DesInstallThermalPrinterDriver,
                error) &&
           Bind(module, "InstallThermalPrinter", &library->InstallThermalPrinter, error) &&
           Bind(module, "GetPrinterDriverName", &library->GetPrinterDriverName, error) &&
           Bind(module, "EnumLocalPorts", &library->EnumLocalPorts, error) &&
           Bind(module, "SetPortSettings", &library->SetPortSettings, error) &&
           Bind(module, "NetGetInfos", &library->NetGetInfos, error) &&
           Bind(module, "GetNetBrowseDialog32b", &library->GetNetBrowseDialog32b, error) &&
           Bind(module, "GetNetBrowseDialogNT4", &library->GetNetBrowseDialogNT4, error) &&
           Bind(module, "GetPortsSelect", &library->GetPortsSelect, error);
}

bool ReleaseLibrary(std::string*) {
    return true; // the real spooler keeps its own state
}
