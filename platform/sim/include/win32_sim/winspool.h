// Simulated print spooler (winspool.drv): drivers, the driver directory, printers and ports.
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

// ---- printers ----
#define PRINTER_ATTRIBUTE_LOCAL 0x00000040
#define PRINTER_STATUS_PENDING_DELETION 0x00000004
#define PRINTER_ENUM_LOCAL 0x00000002
#define PRINTER_ACCESS_ADMINISTER 0x00000004
#define PRINTER_ACCESS_USE 0x00000008
#define DELETE 0x00010000
#define READ_CONTROL 0x00020000
#define STANDARD_RIGHTS_REQUIRED 0x000F0000
#define PRINTER_ALL_ACCESS                                                                         \
    (STANDARD_RIGHTS_REQUIRED | PRINTER_ACCESS_ADMINISTER | PRINTER_ACCESS_USE)

typedef HANDLE* LPHANDLE;
typedef void* PSECURITY_DESCRIPTOR;
// The device mode is passed through by pointer only.
typedef struct _devicemodeA DEVMODEA, *LPDEVMODEA;

typedef struct _PRINTER_DEFAULTSA {
    LPSTR pDatatype;
    LPDEVMODEA pDevMode;
    DWORD DesiredAccess;
} PRINTER_DEFAULTSA, *PPRINTER_DEFAULTSA, *LPPRINTER_DEFAULTSA;

typedef struct _PRINTER_INFO_2A {
    LPSTR pServerName;
    LPSTR pPrinterName;
    LPSTR pShareName;
    LPSTR pPortName;
    LPSTR pDriverName;
    LPSTR pComment;
    LPSTR pLocation;
    LPDEVMODEA pDevMode;
    LPSTR pSepFile;
    LPSTR pPrintProcessor;
    LPSTR pDatatype;
    LPSTR pParameters;
    PSECURITY_DESCRIPTOR pSecurityDescriptor;
    DWORD Attributes;
    DWORD Priority;
    DWORD DefaultPriority;
    DWORD StartTime;
    DWORD UntilTime;
    DWORD Status;
    DWORD cJobs;
    DWORD AveragePPM;
} PRINTER_INFO_2A, *PPRINTER_INFO_2A, *LPPRINTER_INFO_2A;

typedef struct _PRINTER_INFO_4A {
    LPSTR pPrinterName;
    LPSTR pServerName;
    DWORD Attributes;
} PRINTER_INFO_4A, *PPRINTER_INFO_4A, *LPPRINTER_INFO_4A;

HANDLE AddPrinterA(LPSTR server, DWORD level, LPBYTE printerInfo);
BOOL OpenPrinterA(LPSTR printerName, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults);
BOOL ClosePrinter(HANDLE printer);
BOOL DeletePrinter(HANDLE printer);
BOOL GetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD bufferSize, LPDWORD needed);
BOOL GetPrinterDriverA(HANDLE printer, LPSTR environment, DWORD level, LPBYTE buffer,
                       DWORD bufferSize, LPDWORD needed);
BOOL EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD bufferSize,
                   LPDWORD needed, LPDWORD returned);

// ---- ports ----
#define PORT_TYPE_WRITE 0x0001
#define PORT_TYPE_READ 0x0002

typedef struct _PORT_INFO_1A {
    LPSTR pName;
} PORT_INFO_1A, *PPORT_INFO_1A, *LPPORT_INFO_1A;

typedef struct _PORT_INFO_2A {
    LPSTR pPortName;
    LPSTR pMonitorName;
    LPSTR pDescription;
    DWORD fPortType;
    DWORD Reserved;
} PORT_INFO_2A, *PPORT_INFO_2A, *LPPORT_INFO_2A;

BOOL EnumPortsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD bufferSize, LPDWORD needed,
                LPDWORD returned);
BOOL ConfigurePortA(LPSTR server, HWND owner, LPSTR portName);

// ---- printer connections ----
// The connect-to-printer dialog: connects the user to the chosen printer and
// answers an open handle to it, or null when the user cancels.
HANDLE ConnectToPrinterDlg(HWND owner, DWORD flags);
BOOL DeletePrinterConnectionA(LPSTR name);
