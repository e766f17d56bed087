// How kvxctl reaches the library: KVX_32.dll through LoadLibrary/GetProcAddress
// on Windows, or the library linked in over the simulated platform natively.
#pragma once

#define KVX32_NO_PROTOTYPES
#include <kvx32.h>

#include <string>

struct KvxLibrary {
    kvx_GetPlatformFrom32_fn GetPlatformFrom32 = nullptr;
    kvx_GetPrinterDriverDir_fn GetPrinterDriverDir = nullptr;
    kvx_InstallThermalPrinterDriver_fn InstallThermalPrinterDriver = nullptr;
    kvx_DesInstallThermalPrinterDriver_fn DesInstallThermalPrinterDriver = nullptr;
    kvx_GetPortsSelect_fn GetPortsSelect = nullptr;
};

// Options only this binding understands (the DLL path, or the simulated
// machine's set-up). Consumes argv[*index] (and its value) and returns true when
// the option is one of them; on a bad value sets *error.
bool ParseBindingOption(int argc, char** argv, int* index, std::string* error);

// Help lines for those options.
const char* BindingOptionsHelp();

// Binds every export; false with a message when the library cannot be loaded or
// lacks an export.
bool BindLibrary(KvxLibrary* library, std::string* error);
