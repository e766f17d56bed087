// Platform identification: which Windows platform the library runs on.
#pragma once

#include <kvx32.h>

typedef int16_t PlatformCode;

// The platform code of the running system, asked afresh on every call.
PlatformCode CurrentPlatform();

// The platform code whose driver row and printer name form the installation
// uses: the running platform's, except that a 64-bit process on Windows NT uses
// the Windows NT 4 row whatever NT version runs (its driver is the one built for
// 64-bit Windows).
PlatformCode DriverPlatform();
// The same for a platform code already asked for.
PlatformCode DriverPlatformOf(PlatformCode code);

// The spooler environment the driver is registered under: "Windows 4.0" on the
// Windows 4.x platforms and every platform the library does not know; on the NT
// platforms "Windows NT x86", or "Windows x64" for a 64-bit process, whose spooler
// serves its printers from that environment alone.
const char* GetPrinterEnvironment();
// The same for a platform code already asked for: an operation that needs both
// asks once, so that a failing version query cannot make them disagree.
const char* PrinterEnvironmentOf(PlatformCode code);
