/*
 * kvx32.h - host interface of KVX_32.dll, the thermal printer set-up library.
 *
 * Every export uses the standard Windows calling convention and ANSI strings.
 * Declare KVX32_NO_PROTOTYPES to get only the constants and function-pointer
 * types (for hosts that bind the library with LoadLibrary/GetProcAddress).
 */
#ifndef KVX32_H
#define KVX32_H

#include <stdint.h>

#if defined(_WIN32)
#define KVX_API __stdcall
#else
#define KVX_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Platform codes written by GetPlatformFrom32. */
enum {
    KVX_PLATFORM_OTHER = 0,
    KVX_PLATFORM_WIN95 = 2,
    KVX_PLATFORM_NT3 = 4,
    KVX_PLATFORM_NT4 = 8,
    KVX_PLATFORM_WIN98 = 16
};

/* Driver files that must lie in the spooler's driver directory before the
 * driver is installed, by platform code. The library copies no files. */
typedef struct kvx_driver_files {
    const char* driver_name; /* name registered with the spooler */
    const char* driver_file; /* each file name starts with a backslash */
    const char* data_file;
    const char* config_file;
} kvx_driver_files;

static inline kvx_driver_files kvx_driver_files_for(int platform_code) {
    kvx_driver_files nt3 = {"Printer KVX", "\\RASDD.DLL", "\\KVX.DLL", "\\RASDDUI.DLL"};
    kvx_driver_files nt4 = {"Printer KVX 5.0", "\\KVX_50.DLL", "\\KVX_50.PPD", "\\KVX_50UI.DLL"};
    kvx_driver_files win4x = {"Printer KVX 5.0", "\\KVX.DRV", "\\KVX.DRV", "\\KVX.DRV"};
    if (platform_code == KVX_PLATFORM_NT3)
        return nt3;
    if (platform_code == KVX_PLATFORM_NT4)
        return nt4;
    return win4x;
}

typedef int32_t(KVX_API* kvx_GetPlatformFrom32_fn)(int16_t* platform_code, int16_t* major,
                                                   int16_t* minor, int16_t* platform_id);
typedef uint32_t(KVX_API* kvx_GetPrinterDriverDir_fn)(char* buffer, uint32_t** length);
typedef int32_t(KVX_API* kvx_InstallThermalPrinterDriver_fn)(void);
typedef int32_t(KVX_API* kvx_DesInstallThermalPrinterDriver_fn)(void);

/* Printers, ports and machine identity. */
enum {
    KVX_USER_NAME_SIZE = 256,   /* bytes of the user-name buffer of NetGetInfos */
    KVX_COMPUTER_NAME_SIZE = 16 /* bytes of its computer-name buffer */
};
typedef int32_t(KVX_API* kvx_InstallThermalPrinter_fn)(const char* port_name);
typedef int32_t(KVX_API* kvx_GetPrinterDriverName_fn)(const char* printer_name, char* name,
                                                      uint32_t capacity);
typedef void(KVX_API* kvx_EnumLocalPorts_fn)(char* list, uint32_t* size);
typedef int32_t(KVX_API* kvx_SetPortSettings_fn)(const char* port_name);
typedef int32_t(KVX_API* kvx_NetGetInfos_fn)(char* user_name, char* computer_name);

/* Result codes of the two printer dialogs (GetNetBrowseDialogNT4 and
 * GetNetBrowseDialog32b). A positive result of a sizing call is the size the
 * fetch call needs, counted as each export says. */
enum {
    KVX_DIALOG_COPIED = -99,               /* the result was copied into the destination */
    KVX_DIALOG_FETCH_NO_DESTINATION = -22, /* fetch without destination; still pending */
    KVX_DIALOG_FETCH_LOCK_FAILED = -20,    /* the pending result was lost */
    KVX_DIALOG_INFO_FAILED = -3,           /* the printer's information could not be read */
    KVX_DIALOG_NO_DESTINATION = -2,        /* the result fits but no destination was given */
    KVX_DIALOG_NO_MEMORY = -1,             /* a memory block could not be obtained */
    KVX_DIALOG_NOTHING_CHOSEN = 0
};

typedef int32_t(KVX_API* kvx_GetNetBrowseDialog32b_fn)(uint32_t reserved1, int32_t max_length,
                                                       char* destination, const char* title,
                                                       uint32_t reserved5, const char* dialog_title,
                                                       uint32_t reserved7, uint32_t reserved8,
                                                       uint32_t reserved9);
typedef int32_t(KVX_API* kvx_GetNetBrowseDialogNT4_fn)(void* owner, int32_t max_length,
                                                       char* destination);

#ifdef __cplusplus
}
#endif

#endif /* KVX32_H */

/* The prototypes have a guard of their own, so that a host that binds some
 * exports dynamically can still declare them elsewhere. */
#if !defined(KVX32_NO_PROTOTYPES) && !defined(KVX32_PROTOTYPES)
#define KVX32_PROTOTYPES
#ifdef __cplusplus
extern "C" {
#endif
/* Ordinal 5. Writes the platform code and the low 16 bits of the system's major
 * version, minor version and platform identifier. Returns 0. */
int32_t KVX_API GetPlatformFrom32(int16_t* platform_code, int16_t* major, int16_t* minor,
                                  int16_t* platform_id);

/* Ordinal 6. Copies the spooler's driver directory into buffer when **length
 * (the capacity in bytes) exceeds its length, and returns the bytes written
 * including the terminator. Otherwise returns 0 and stores the directory's
 * length (without terminator) in **length. */
uint32_t KVX_API GetPrinterDriverDir(char* buffer, uint32_t** length);

/* Ordinal 10. Registers the platform's driver: 1 when the spooler accepted it,
 * 0 when it refused (the thread's last error is then 0). */
int32_t KVX_API InstallThermalPrinterDriver(void);

/* Ordinal 11. Removes the driver registration: 0 on success, else the
 * spooler's system error code. */
int32_t KVX_API DesInstallThermalPrinterDriver(void);

/* Ordinal 9. Installs the driver (as ordinal 10, whatever its outcome), then adds
 * a local printer for it on port_name, named "KVX_50 <port>" ("KVX <port>" on
 * Windows NT 3); outside the NT platforms backslashes in the name become slashes
 * and it is cut to 31 characters. 1 when the printer was added, 0 when it was
 * refused (the thread's last error is then 0). */
int32_t KVX_API InstallThermalPrinter(const char* port_name);

/* Ordinal 13. Writes to name the base name of the printer's driver data file
 * ("KVX_50", "KVX"), always terminated within capacity bytes (cut if need be),
 * or the empty string when the spooler gives no driver information; a capacity
 * of 0 writes nothing. Returns 0 when the printer cannot be opened, else the
 * non-zero result of closing it. */
int32_t KVX_API GetPrinterDriverName(const char* printer_name, char* name, uint32_t capacity);

/* Ordinal 12. Two calls. With list null: appends the local port names (each
 * NUL-terminated, back to back) to a pending block and adds their length to
 * *size (set it to 0 first). With list non-null: copies *size bytes of the
 * pending block (never more than it holds) to list and frees the block; nothing
 * is written when none is pending. */
void KVX_API EnumLocalPorts(char* list, uint32_t* size);

/* Ordinal 3. Opens the port monitor's configuration dialog for port_name;
 * non-zero when it succeeded. */
int32_t KVX_API SetPortSettings(const char* port_name);

/* Ordinal 4. Writes the user name (KVX_USER_NAME_SIZE bytes) and the computer
 * name (KVX_COMPUTER_NAME_SIZE bytes) as the system reports them. Non-zero when
 * the computer name was delivered; the user name's outcome does not count. */
int32_t KVX_API NetGetInfos(char* user_name, char* computer_name);

/* Ordinal 7. Lets the user pick a printer in the shell's folder-browse dialog,
 * started at the network and preselecting the previous choice, with
 * dialog_title above the tree (title is accepted and not shown). Sizing call
 * (nothing pending): a path shorter than max_length bytes is copied at once
 * (KVX_DIALOG_COPIED); otherwise the path waits and its length + 1 is returned.
 * Fetch call (a path waiting): copies it into destination, whatever the other
 * arguments. Returns a KVX_DIALOG_ code otherwise. */
int32_t KVX_API GetNetBrowseDialog32b(uint32_t reserved1, int32_t max_length, char* destination,
                                      const char* title, uint32_t reserved5,
                                      const char* dialog_title, uint32_t reserved7,
                                      uint32_t reserved8, uint32_t reserved9);

/* Ordinal 8. Registers the driver, then lets the user pick a network printer in
 * the system's connect-to-printer dialog. Sizing call (nothing pending): a name
 * of at most max_length characters (low 16 bits; the destination holds
 * max_length + 1 bytes) is copied at once (KVX_DIALOG_COPIED); otherwise the
 * name waits and its length without terminator is returned. Fetch call (a name
 * waiting): copies it into destination, whatever the other arguments. */
int32_t KVX_API GetNetBrowseDialogNT4(void* owner, int32_t max_length, char* destination);

#ifdef __cplusplus
}
#endif
#endif /* KVX32_PROTOTYPES */
