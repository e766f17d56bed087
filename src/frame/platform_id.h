// Platform identification: which Windows platform the library runs on.
#pragma once

#include <kvx32.h>

typedef int16_t PlatformCode;

// The platform code of the running system, asked afresh on every call.
PlatformCode CurrentPlatform();

// The spooler environment name of the running platform: "Windows NT x86" on the
// NT platforms, "Windows 4.0" on every other.
const char* GetPrinterEnvironment();
// The same for a platform code already asked for: an operation that needs both
// asks once, so that a failing version query cannot make them disagree.
const char* PrinterEnvironmentOf(PlatformCode code);
