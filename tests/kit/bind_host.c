/* A host that binds KVX_32.dll itself: every export found by name and by
 * ordinal through kvx32.h's binding macros, and every host helper used once.
 * Compiled as C89, C99, C++98 and C++17 with the warnings hosts turn on
 * (check_host_sources.sh); it must draw none. */
#define KVX32_NO_PROTOTYPES
#include <kvx32.h>

#define KVX_BOTH(module, name, found)                                                              \
    found += KVX_BIND(module, name) != NULL;                                                       \
    found += KVX_BIND_ORDINAL(module, name) != NULL

int bound_exports(HMODULE module) {
    int found = 0;
    char path[64] = "";
    const char* provider = kvx_shared_string("Kvx Network");
    kvx_net_entry entry;
    uint32_t offset = 0;
    KVX_BOTH(module, GetPortsSelect, found);
    KVX_BOTH(module, SetPortSettings, found);
    KVX_BOTH(module, NetGetInfos, found);
    KVX_BOTH(module, GetPlatformFrom32, found);
    KVX_BOTH(module, GetPrinterDriverDir, found);
    KVX_BOTH(module, GetNetBrowseDialog32b, found);
    KVX_BOTH(module, GetNetBrowseDialogNT4, found);
    KVX_BOTH(module, InstallThermalPrinter, found);
    KVX_BOTH(module, InstallThermalPrinterDriver, found);
    KVX_BOTH(module, DesInstallThermalPrinterDriver, found);
    KVX_BOTH(module, EnumLocalPorts, found);
    KVX_BOTH(module, GetPrinterDriverName, found);
    kvx_shared_string_free(provider);
    found += kvx_network_path_append(path, sizeof path, "SALES");
    found += kvx_net_entry_next("A\0B\0\2\0", 7, &offset, &entry);
    found += kvx_driver_files_for(KVX_PLATFORM_NT4).driver_name != NULL;
    return found;
}
