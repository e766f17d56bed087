// Binding to the real KVX_32.dll, as a host does: LoadLibrary and GetProcAddress
// by export name.
#include "binding.h"

#include "simulation_options.h"

#include <win32.h>

#include <CLI/CLI.hpp>

#include <vector>

namespace {

std::string g_dllPath = "KVX_32.dll";
// Once loaded, the library stays loaded until the process ends, as for a host.
HMODULE g_module = nullptr;

template <typename Function>
bool Bind(HMODULE module, const char* name, Function* function, std::string* error) {
    *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (*function == nullptr)
        *error = g_dllPath + " is not KVX_32.dll: it has no export named " + name;
    return *function != nullptr;
}

bool BindAll(HMODULE module, KvxLibrary* library, std::string* error) {
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

// The file's version record as "4.0.24.0", or "" when it has none.
std::string FileVersion(const std::string& path) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::vector<char> record(size);
    void* value = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, record.data()) ||
        !VerQueryValueA(record.data(), "\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO))
        return "";
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(value);
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(info->dwFileVersionLS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionLS));
}

} // namespace

void AddBindingOptions(CLI::App& app) {
    app.add_option(kDllOption, g_dllPath,
                   "load the library from PATH (default: KVX_32.dll beside kvxctl)")
        ->type_name("PATH");
}

OtherBuildOptions OptionsOfOtherBuild() {
    return {{std::begin(kSimulationOptionNames), std::end(kSimulationOptionNames)},
            "the native kvxctl (the simulated machine)"};
}

bool BindLibrary(KvxLibrary* library, std::string* error) {
    if (g_module == nullptr) {
        g_module = LoadLibraryA(g_dllPath.c_str());
        if (g_module == nullptr) {
            DWORD code = GetLastError();
            if (code == ERROR_BAD_EXE_FORMAT || code == ERROR_BAD_FORMAT)
                *error = g_dllPath + " is not a library (error " + std::to_string(code) + ")";
            else
                *error = "cannot load " + g_dllPath + " (error " + std::to_string(code) + ")";
            return false;
        }
    }
    return BindAll(g_module, library, error);
}

bool QueryLibraryFile(LibraryFile* file, std::string* error) {
    KvxLibrary library;
    if (!BindLibrary(&library, error))
        return false;
    char path[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameA(g_module, path, MAX_PATH);
    file->path = length > 0 && length < MAX_PATH ? std::string(path, length) : g_dllPath;
    file->version = FileVersion(file->path);
    return true;
}

bool ReleaseLibrary(std::string*) {
    return true; // the real spooler keeps its own state
}
