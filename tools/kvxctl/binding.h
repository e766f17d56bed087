// How kvxctl reaches the library: KVX_32.dll through LoadLibrary/GetProcAddress
// on Windows, or the library linked in over the simulated platform natively.
#pragma once

#define KVX32_NO_PROTOTYPES
#include <kvx32.h>

#include <string>
#include <vector>

struct KvxLibrary {
    kvx_GetPlatformFrom32_fn GetPlatformFrom32 = nullptr;
    kvx_GetPrinterDriverDir_fn GetPrinterDriverDir = nullptr;
    kvx_InstallThermalPrinterDriver_fn InstallThermalPrinterDriver = nullptr;
    kvx_DesInstallThermalPrinterDriver_fn DesInstallThermalPrinterDriver = nullptr;
    kvx_InstallThermalPrinter_fn InstallThermalPrinter = nullptr;
    kvx_GetPrinterDriverName_fn GetPrinterDriverName = nullptr;
    kvx_EnumLocalPorts_fn EnumLocalPorts = nullptr;
    kvx_SetPortSettings_fn SetPortSettings = nullptr;
    kvx_NetGetInfos_fn NetGetInfos = nullptr;
    kvx_GetNetBrowseDialog32b_fn GetNetBrowseDialog32b = nullptr;
    kvx_GetNetBrowseDialogNT4_fn GetNetBrowseDialogNT4 = nullptr;
    kvx_GetPortsSelect_fn GetPortsSelect = nullptr;
};

namespace CLI {
class App;
}

// Adds the options only this binding understands (the DLL path, or the simulated
// machine's set-up) to kvxctl's own; a bad value is a usage error. What depends
// on other options is done by BindLibrary.
void AddBindingOptions(CLI::App& app);

// The options only the other build of kvxctl has, and where they are: kvxctl
// names them as such rather than as unknown.
struct OtherBuildOptions {
    std::vector<std::string> names;
    std::string where; // "the native kvxctl (the simulated machine)"
};
OtherBuildOptions OptionsOfOtherBuild();

// Binds every export; false with a message when the library cannot be loaded or
// lacks an export.
bool BindLibrary(KvxLibrary* library, std::string* error);

// The library's file version ("4.0.24.0") and the file it was loaded from
// (empty when it is linked in); false with a message, as BindLibrary's, when it
// cannot be loaded. Needs no BindLibrary first.
struct LibraryFile {
    std::string version;
    std::string path;
};
bool QueryLibraryFile(LibraryFile* file, std::string* error);

// Once the command has run: the simulated machine keeps what it must for the
// next run. False with a message when that fails.
bool ReleaseLibrary(std::string* error);
