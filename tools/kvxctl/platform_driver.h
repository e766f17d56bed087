// The thermal printer driver the library registers on the running platform, as
// kvxctl needs it: its name, its spooler environment and its files, each once.
#pragma once

#define KVX32_NO_PROTOTYPES // kvxctl calls the exports through its binding
#include <kvx32.h>

#include <string>
#include <vector>

struct PlatformDriver {
    std::string name;
    std::string environment;        // the environment the library registers it under
    std::vector<std::string> files; // distinct file names, without a directory
};

// The spooler environments worth asking about, the library's own among them.
constexpr const char* kSpoolerEnvironments[] = {KVX_ENVIRONMENT_NT_X86, KVX_ENVIRONMENT_WIN4,
                                                KVX_ENVIRONMENT_X64};

// The driver the library registers from this process on the platform
// `platformCode`: a 64-bit process on Windows NT registers the Windows NT 4 driver
// under "Windows x64" whatever NT version runs (the library and kvxctl are
// always of one architecture).
PlatformDriver PlatformDriverFor(int platformCode);
