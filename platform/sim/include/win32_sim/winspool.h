// Simulated print spooler (winspool.drv): drivers and the driver directory.
#pragma once

#include <win32_sim/base_types.h>

typedef struct _DRIVER_INFO_2A {
    DWORD cVersion;
    LPSTR pName;
    LPSTR pEnvironment;
    LPSTR pDriverPath;
    LPSTR pDataFile;
    LPSTR pConfigFile;
} DRIVER_INFO_2A, *PDRIVER_INFO_2A, *LPDRIVER_INFO_2A;

BOOL GetPrinterDriverDirectoryA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer,
                                DWORD bufferSize, LPDWORD needed);
BOOL AddPrinterDriverA(LPSTR server, DWORD level, LPBYTE driverInfo);
BOOL DeletePrinterDriverA(LPSTR server, LPSTR environment, LPSTR driverName);
BOOL EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer,
                         DWORD bufferSize, LPDWORD needed, LPDWORD returned);
