/*
 * kvx32.h - host interface of KVX_32.dll, the thermal printer set-up library.
 *
 * The exports use ANSI strings and the standard Windows calling convention,
 * except InstallThermalPrinterDriver and DesInstallThermalPrinterDriver: these
 * take no arguments and use the C convention (KVX_CDECL). For a function without
 * arguments the two conventions are the same at run time, and both import
 * libraries also resolve a host that declares them __stdcall.
 * Declare KVX32_NO_PROTOTYPES to get only the constants and function-pointer
 * types (for hosts that bind the library with LoadLibrary/GetProcAddress).
 */
#ifndef KVX32_H
#define KVX32_H

#include <stdint.h>
#include <string.h>

/* The process heap, for the strings GetPortsSelect takes over. */
#include <windows.h>

#if defined(_WIN32)
#define KVX_API __stdcall
#define KVX_CDECL __cdecl
#else
#define KVX_API
#define KVX_CDECL
#endif

/* The helpers below are inline functions; C89 compilers know the keyword by
 * another name. */
#if defined(__cplusplus) || (defined(__STDC_VERSION__) && __STDC_VERSION__ >= 199901L)
#define KVX_INLINE static inline
#elif defined(_MSC_VER) || defined(__GNUC__)
#define KVX_INLINE static __inline
#else
#define KVX_INLINE static
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The exports' fixed ordinals. A host that binds the library itself may find an
 * export by name or by ordinal: KVX_BIND(module, GetPortsSelect) or
 * KVX_BIND_ORDINAL(module, GetPortsSelect) gives a kvx_GetPortsSelect_fn, or null
 * when the module lacks it (see kvx_find_export below). */
enum {
    KVX_ORDINAL_GetPortsSelect = 2,
    KVX_ORDINAL_SetPortSettings = 3,
    KVX_ORDINAL_NetGetInfos = 4,
    KVX_ORDINAL_GetPlatformFrom32 = 5,
    KVX_ORDINAL_GetPrinterDriverDir = 6,
    KVX_ORDINAL_GetNetBrowseDialog32b = 7,
    KVX_ORDINAL_GetNetBrowseDialogNT4 = 8,
    KVX_ORDINAL_InstallThermalPrinter = 9,
    KVX_ORDINAL_InstallThermalPrinterDriver = 10,
    KVX_ORDINAL_DesInstallThermalPrinterDriver = 11,
    KVX_ORDINAL_EnumLocalPorts = 12,
    KVX_ORDINAL_GetPrinterDriverName = 13
};

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

KVX_INLINE kvx_driver_files kvx_driver_files_for(int platform_code) {
    kvx_driver_files nt3 = {"Printer KVX", "\\RASDD.DLL", "\\KVX.DLL", "\\RASDDUI.DLL"};
    kvx_driver_files nt4 = {"Printer KVX 5.0", "\\KVX_50.DLL", "\\KVX_50.PPD", "\\KVX_50UI.DLL"};
    kvx_driver_files win4x = {"Printer KVX 5.0", "\\KVX.DRV", "\\KVX.DRV", "\\KVX.DRV"};
    if (platform_code == KVX_PLATFORM_NT3)
        return nt3;
    if (platform_code == KVX_PLATFORM_NT4)
        return nt4;
    return win4x;
}

/* The spooler environments the driver is registered under: on the NT platforms
 * "Windows NT x86" from a 32-bit process and "Windows x64" from a 64-bit one
 * (whose spooler serves its printers from that environment alone), and
 * "Windows 4.0" on every other platform. */
#define KVX_ENVIRONMENT_NT_X86 "Windows NT x86"
#define KVX_ENVIRONMENT_X64 "Windows x64"
#define KVX_ENVIRONMENT_WIN4 "Windows 4.0"

KVX_INLINE const char* kvx_driver_environment_for(int platform_code, int is_64bit_process) {
    if (platform_code != KVX_PLATFORM_NT3 && platform_code != KVX_PLATFORM_NT4)
        return KVX_ENVIRONMENT_WIN4;
    return is_64bit_process ? KVX_ENVIRONMENT_X64 : KVX_ENVIRONMENT_NT_X86;
}

typedef int32_t(KVX_API* kvx_GetPlatformFrom32_fn)(int16_t* platform_code, int16_t* major,
                                                   int16_t* minor, int16_t* platform_id);
typedef uint32_t(KVX_API* kvx_GetPrinterDriverDir_fn)(char* buffer, uint32_t** length);
typedef int32_t(KVX_CDECL* kvx_InstallThermalPrinterDriver_fn)(void);
typedef int32_t(KVX_CDECL* kvx_DesInstallThermalPrinterDriver_fn)(void);

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
/* ---- Network printer enumeration (GetPortsSelect) ---- */

/* GetPortsSelect takes its provider filter and NetworkPath as strings of the
 * library's own string type and releases them itself, so a host builds them
 * with the same layout and allocator: on the process heap, three 32-bit
 * integers (reference count 1, length, capacity) followed by the characters.
 * kvx_shared_string returns the pointer to pass (its characters), or null when
 * text is null (the library takes that as the empty string) or memory ran out.
 * A string that is built but never passed is freed with kvx_shared_string_free. */
KVX_INLINE const char* kvx_shared_string(const char* text) {
    size_t length = 0;
    int32_t* header;
    if (text == NULL)
        return NULL;
    while (text[length] != '\0')
        ++length;
    if (length > 0x7FFFFFF0u)
        return NULL;
    header = (int32_t*)HeapAlloc(GetProcessHeap(), 0, 3 * sizeof(int32_t) + length + 1);
    if (header == NULL)
        return NULL;
    header[0] = 1;
    header[1] = (int32_t)length;
    header[2] = (int32_t)length;
    memcpy(header + 3, text, length + 1);
    return (const char*)(header + 3);
}

KVX_INLINE void kvx_shared_string_free(const char* chars) {
    /* The block was the host's own; only the pointer the library took is const. */
    if (chars != NULL)
        HeapFree(GetProcessHeap(), 0, (void*)(uintptr_t)(chars - 3 * sizeof(int32_t)));
}

/* A NetworkPath names a container below a provider by the remote names of the
 * containers leading to it, from the top down, each as a segment of four
 * decimal digits (its length) followed by the name: the workgroup SALES is
 * "0005SALES", the server \\PRN01 in it "0005SALES0007\\PRN01". The empty
 * path names the provider's top. The longest name a segment can carry: */
#define KVX_NET_NAME_MAX 9999

/* Appends the segment of one container's remote name (exactly as the network
 * lists it, e.g. "SALES", then "\\\\PRN01") to the NetworkPath in path, a
 * NUL-terminated string in a buffer of capacity bytes: four decimal digits for
 * the length, then the name. Returns 1, or 0 with path unchanged when the name
 * is longer than KVX_NET_NAME_MAX or the segment does not fit. */
KVX_INLINE int kvx_network_path_append(char* path, size_t capacity, const char* name) {
    size_t used = 0, length = 0, digits, i;
    if (path == NULL || name == NULL)
        return 0;
    while (used < capacity && path[used] != '\0')
        ++used;
    while (name[length] != '\0')
        ++length;
    if (used >= capacity || length > KVX_NET_NAME_MAX || capacity - used <= 4 + length)
        return 0;
    for (i = 0, digits = length; i < 4; ++i, digits /= 10)
        path[used + 3 - i] = (char)('0' + digits % 10);
    memcpy(path + used + 4, name, length + 1);
    return 1;
}

/* The list GetPortsSelect returns is a run of NetEntryRecords closed by one
 * zero byte. A record is the provider's name, a zero, the remote name, a zero,
 * one byte of display type and a zero:
 *     Kvx Network <00> \\PRN01 <00> <02> <00> ... <00>
 * A list holds at most 4 MiB of records: a longer one is cut before the first
 * record that would pass that, and still ends with the closing zero.
 * Display types, as the network reports them (low 8 bits): */
enum {
    KVX_NET_GENERIC = 0,
    KVX_NET_DOMAIN = 1,
    KVX_NET_SERVER = 2,
    KVX_NET_SHARE = 3,
    KVX_NET_NETWORK = 6 /* a provider, in the list of an empty provider */
};

/* One NetEntryRecord, as kvx_net_entry_next reads it. */
typedef struct kvx_net_entry {
    const char* provider;    /* "No Provider" when the network named none */
    const char* remote_name; /* "No Remote" when the network named none */
    unsigned display_type;   /* a KVX_NET_ value, or another the network used */
} kvx_net_entry;

/* Walks a fetched list of size bytes (the size the sizing call reported: the
 * records and the closing zero). Reads the record at *offset into entry and
 * moves *offset past it. Returns 1 for a record, 0 at the end of the list, -1
 * when the bytes at *offset are not a whole record. Reads only list[0 .. size). */
KVX_INLINE int kvx_net_entry_next(const char* list, uint32_t size, uint32_t* offset,
                                  kvx_net_entry* entry) {
    uint32_t end, at;
    const char* provider;
    const char* remote;
    if (list == NULL || offset == NULL || entry == NULL || size == 0 || *offset >= size - 1)
        return 0;
    end = size - 1; /* the closing zero */
    at = *offset;
    provider = list + at;
    while (at < end && list[at] != '\0')
        ++at;
    if (at >= end)
        return -1;
    remote = list + ++at;
    while (at < end && list[at] != '\0')
        ++at;
    if (end - at < 3 || list[at + 2] != '\0')
        return -1;
    entry->provider = provider;
    entry->remote_name = remote;
    entry->display_type = (unsigned char)list[at + 1];
    *offset = at + 3;
    return 1;
}

typedef void(KVX_API* kvx_GetPortsSelect_fn)(char* buffer, uint32_t* size, const char* provider,
                                             const char* path);

/* ---- Binding the library by name or ordinal ---- */

/* A function pointer of no particular type: GetProcAddress's answer passes
 * through it on its way to an export's own type, which compilers accept without
 * a cast-function-type warning (void (*)(void) matches every function type). */
typedef void (*kvx_any_fn)(void);

/* The export named by name, or by ordinal when name is MAKEINTRESOURCEA(n); null
 * when module does not export it. */
KVX_INLINE kvx_any_fn kvx_find_export(HMODULE module, const char* name) {
    return module != NULL ? (kvx_any_fn)GetProcAddress(module, name) : (kvx_any_fn)NULL;
}

#define KVX_BIND(module, export_name)                                                              \
    ((kvx_##export_name##_fn)kvx_find_export((module), #export_name))
#define KVX_BIND_ORDINAL(module, export_name)                                                      \
    ((kvx_##export_name##_fn)kvx_find_export((module), MAKEINTRESOURCEA(KVX_ORDINAL_##export_name)))

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
int32_t KVX_CDECL InstallThermalPrinterDriver(void);

/* Ordinal 11. Removes the driver registration: 0 on success, else the
 * spooler's system error code. */
int32_t KVX_CDECL DesInstallThermalPrinterDriver(void);

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
 * arguments. Returns a KVX_DIALOG_ code otherwise. Once the dialog has been
 * shown, the shell (SHELL32.DLL) stays loaded until the process ends. */
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
/* Ordinal 2. Lists the resources of one network container: with an empty
 * provider the network providers; with a provider and an empty path its
 * domains; with a NetworkPath (kvx_network_path_append) the container it
 * names. provider and path are strings built with kvx_shared_string (or null
 * for empty); the call takes them over and releases them, so a host does not
 * free them again. Two calls: with buffer null the list is computed and *size
 * receives its size; with a buffer the list is copied (at most *size bytes)
 * and freed. A call with a buffer while no list is pending computes one,
 * writes its records (at most *size bytes, without the closing zero) and keeps
 * it pending for the next call with a buffer. */
void KVX_API GetPortsSelect(char* buffer, uint32_t* size, const char* provider, const char* path);

#ifdef __cplusplus
}
#endif
#endif /* KVX32_PROTOTYPES */
