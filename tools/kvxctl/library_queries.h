// What the library says about the machine, asked as a host asks: the platform
// and the spooler's driver directory.
#pragma once

#include "binding.h"
#include "json_output.h"

#include <string>

struct Platform {
    int16_t code = 0, major = 0, minor = 0, id = 0;
};

Platform QueryPlatform(const KvxLibrary& kvx);
int PlatformCode(const KvxLibrary& kvx);
const char* PlatformName(int code);
// The platform in --json output (GetPlatformFrom32's answers).
Json PlatformJson(const Platform& platform);

// The driver directory through the library's two-call protocol.
bool DriverDirectory(const KvxLibrary& kvx, std::string* directory);
