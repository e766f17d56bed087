// kvxctl's printer, port and identity commands.
#include "commands.h"

#include <win32.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The names of the local printers, as the spooler lists them.
std::vector<std::string> LocalPrinterNames() {
    DWORD needed = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + sizeof(PRINTER_INFO_4A));
    if (!EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, buffer.data(),
                       static_cast<DWORD>(buffer.size()), &needed, &count))
        return {};
    const auto* printers = reinterpret_cast<const PRINTER_INFO_4A*>(buffer.data());
    std::vector<std::string> names;
    for (DWORD i = 0; i < count; ++i)
        names.push_back(printers[i].pPrinterName);
    return names;
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    for (const std::string& known : names)
        if (known == name)
            return true;
    return false;
}

} // namespace

int RunInstallPrinter(const KvxLibrary& kvx, int argc, char** argv) {
    if (argc != 1)
        return kExitUsage;
    const char* port = argv[0];
    std::vector<std::string> before = LocalPrinterNames();
    if (kvx.InstallThermalPrinter(port) != 1) {
        std::fprintf(stderr,
                     "kvxctl: the spooler refused a printer on %s (is the port known and the "
                     "driver installed? see ports and install-driver)\n",
                     port);
        return kExitRefused;
    }
    // The library does not say which name it chose: it is the one that is new.
    for (const std::string& name : LocalPrinterNames()) {
        if (!Contains(before, name)) {
            std::printf("added printer \"%s\" on %s\n", name.c_str(), port);
            return kExitOk;
        }
    }
    std::printf("added a printer on %s\n", port);
    return kExitOk;
}

int RunDriverName(const KvxLibrary& kvx, int argc, char** argv) {
    if (argc != 1)
        return kExitUsage;
    char name[256];
    if (kvx.GetPrinterDriverName(argv[0], name, sizeof name) == 0) {
        std::fprintf(stderr, "kvxctl: cannot open the printer \"%s\"\n", argv[0]);
        return kExitRefused;
    }
    if (name[0] == '\0') {
        std::fprintf(stderr, "kvxctl: the spooler gave no driver information for \"%s\"\n",
                     argv[0]);
        return kExitRefused;
    }
    std::printf("%s\n", name);
    return kExitOk;
}

int RunPorts(const KvxLibrary& kvx, int argc, char**) {
    if (argc != 0)
        return kExitUsage;
    uint32_t size = 0;
    kvx.EnumLocalPorts(nullptr, &size);
    std::vector<char> list(size + 1, '\0');
    kvx.EnumLocalPorts(list.data(), &size); // fetches, and frees the pending list even when empty
    for (const char* name = list.data(); name < list.data() + size; name += std::strlen(name) + 1)
        if (*name != '\0')
            std::printf("%s\n", name);
    return kExitOk;
}

int RunConfigurePort(const KvxLibrary& kvx, int argc, char** argv) {
    if (argc != 1)
        return kExitUsage;
    if (kvx.SetPortSettings(argv[0]) == 0) {
        unsigned error = GetLastError();
        std::fprintf(stderr, "kvxctl: %s was not configured: %u (%s)\n", argv[0], error,
                     ErrorName(error));
        return kExitRefused;
    }
    std::printf("configured %s\n", argv[0]);
    return kExitOk;
}

int RunWhoami(const KvxLibrary& kvx, int argc, char**) {
    if (argc != 0)
        return kExitUsage;
    char user[KVX_USER_NAME_SIZE] = {};
    char computer[KVX_COMPUTER_NAME_SIZE] = {};
    int32_t delivered = kvx.NetGetInfos(user, computer);
    user[sizeof user - 1] = '\0';
    computer[sizeof computer - 1] = '\0';
    std::printf("user      %s\n", user[0] != '\0' ? user : "(not reported)");
    if (delivered == 0) {
        std::fprintf(stderr, "kvxctl: the system did not report the computer name\n");
        return kExitRefused;
    }
    std::printf("computer  %s\n", computer);
    return kExitOk;
}
