// The thermal printer driver the library registers on the running platform, as
// kvxctl needs it: its name, its spooler environment and its files, each once.
#pragma once

#include "binding.h"

#include <string>
#include <vector>

// The spooler environments the library registers the driver under: on the NT
// platforms from a 32-bit process and from a 64-bit one, and on every other.
constexpr const char* kNtEnvironment = "Windows NT x86";
constexpr const char* kX64Environment = "Windows x64";
constexpr const char* kWindows4Environment = "Windows 4.0";

struct PlatformDriver {
    std::string name;
    std::string environment;        // the environment the library registers it under
    std::vector<std::string> files; // distinct file names, without a directory
};

// The driver the library registers from this process on the platform
// `platformCode`: a 64-bit process on Windows NT registers the Windows NT 4 driver
// under "Windows x64" whatever NT version runs (the library and kvxctl are
// always of one architecture).
PlatformDriver PlatformDriverFor(int platformCode);
