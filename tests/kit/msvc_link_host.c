/* A host without a C runtime that calls every export through kvx32.h, linked
 * with lld-link against KVX_32.lib the way an MSVC host is. It is linked, not
 * run. */
#include <kvx32.h>

void* __cdecl memcpy(void* destination, const void* source, size_t count) {
    char* to = (char*)destination;
    const char* from = (const char*)source;
    while (count-- > 0)
        *to++ = *from++;
    return destination;
}

#ifdef __cplusplus
#define KVX_CHECK_ENTRY extern "C"
#else
#define KVX_CHECK_ENTRY
#endif

KVX_CHECK_ENTRY void __cdecl start(void) {
    int16_t code, major, minor, id;
    char user[KVX_USER_NAME_SIZE], computer[KVX_COMPUTER_NAME_SIZE], text[64] = "";
    uint32_t size = sizeof text;
    uint32_t* length = &size;
    int32_t result = GetPlatformFrom32(&code, &major, &minor, &id);
    result += (int32_t)GetPrinterDriverDir(text, &length);
    result += InstallThermalPrinterDriver() + DesInstallThermalPrinterDriver();
    result += InstallThermalPrinter("LPT1:") + SetPortSettings("LPT1:");
    result += GetPrinterDriverName("KVX_50 LPT1:", text, sizeof text);
    result += NetGetInfos(user, computer);
    EnumLocalPorts(text, &size);
    result += GetNetBrowseDialog32b(0, sizeof text, text, "", 0, "", 0, 0, 0);
    result += GetNetBrowseDialogNT4(NULL, sizeof text - 1, text);
    kvx_network_path_append(text, sizeof text, "SALES");
    GetPortsSelect(NULL, &size, kvx_shared_string(""), kvx_shared_string(text));
    ExitProcess((unsigned)result);
}
