#include "commands.h"

#include <win32.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* PlatformName(int code) {
    switch (code) {
    case KVX_PLATFORM_WIN95:
        return "Windows 95";
    case KVX_PLATFORM_WIN98:
        return "Windows 98";
    case KVX_PLATFORM_NT3:
        return "Windows NT 3";
    case KVX_PLATFORM_NT4:
        return "Windows NT 4 or later";
    default:
        return "other";
    }
}

const char* ErrorName(unsigned error) {
    switch (error) {
    case 2:
        return "ERROR_FILE_NOT_FOUND";
    case 5:
        return "ERROR_ACCESS_DENIED";
    case 31:
        return "ERROR_GEN_FAILURE";
    case 1797:
        return "ERROR_UNKNOWN_PRINTER_DRIVER";
    case 1805:
        return "ERROR_INVALID_ENVIRONMENT";
    case 3001:
        return "ERROR_PRINTER_DRIVER_IN_USE";
    default:
        return "system error";
    }
}

int PlatformCode(const KvxLibrary& kvx) {
    int16_t code = 0, major = 0, minor = 0, id = 0;
    kvx.GetPlatformFrom32(&code, &major, &minor, &id);
    return code;
}

// The driver directory through the library's two-call protocol: ask for the
// length, then fetch into a buffer of length + 1 bytes.
bool DriverDirectory(const KvxLibrary& kvx, std::string* directory) {
    uint32_t length = 0;
    uint32_t* lengthRef = &length;
    kvx.GetPrinterDriverDir(nullptr, &lengthRef);
    if (length == 0)
        return false;
    std::vector<char> buffer(length + 1);
    length = static_cast<uint32_t>(buffer.size());
    if (kvx.GetPrinterDriverDir(buffer.data(), &lengthRef) == 0)
        return false;
    *directory = buffer.data();
    return true;
}

int RunPlatform(const KvxLibrary& kvx, int argc, char**) {
    if (argc != 0)
        return kExitUsage;
    int16_t code = 0, major = 0, minor = 0, id = 0;
    kvx.GetPlatformFrom32(&code, &major, &minor, &id);
    std::printf("platform code  %d (%s)\nversion        %d.%d\nplatform id    %d\n", code,
                PlatformName(code), major, minor, id);
    return kExitOk;
}

int RunDriverDir(const KvxLibrary& kvx, int argc, char**) {
    if (argc != 0)
        return kExitUsage;
    std::string directory;
    if (!DriverDirectory(kvx, &directory)) {
        std::fprintf(stderr, "kvxctl: the spooler reported no driver directory\n");
        return kExitRefused;
    }
    std::printf("%s\n", directory.c_str());
    return kExitOk;
}

int RunInstallDriver(const KvxLibrary& kvx, int argc, char**) {
    if (argc != 0)
        return kExitUsage;
    // The library copies no files and hides the spooler's reason for a refusal,
    // so name what is missing before asking.
    std::string directory;
    if (!DriverDirectory(kvx, &directory)) {
        std::fprintf(stderr, "kvxctl: the spooler reported no driver directory\n");
        return kExitRefused;
    }
    kvx_driver_files files = kvx_driver_files_for(PlatformCode(kvx));
    int missing = 0;
    for (const char* file : {files.driver_file, files.data_file, files.config_file}) {
        std::string path = directory + file;
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            std::fprintf(stderr, "kvxctl: missing driver file %s\n", path.c_str());
            ++missing;
        }
    }
    if (missing != 0) {
        std::fprintf(stderr, "kvxctl: copy the files above into %s, then try again\n",
                     directory.c_str());
        return kExitMissingFiles;
    }
    if (kvx.InstallThermalPrinterDriver() != 1) {
        std::fprintf(stderr, "kvxctl: the spooler refused the driver \"%s\"\n", files.driver_name);
        return kExitRefused;
    }
    std::printf("installed driver \"%s\" from %s\n", files.driver_name, directory.c_str());
    return kExitOk;
}

int RunRemoveDriver(const KvxLibrary& kvx, int argc, char**) {
    if (argc != 0)
        return kExitUsage;
    int32_t error = kvx.DesInstallThermalPrinterDriver();
    if (error != 0) {
        std::fprintf(stderr, "kvxctl: the spooler refused the removal: %d (%s)\n", error,
                     ErrorName(static_cast<unsigned>(error)));
        return kExitRefused;
    }
    std::printf("removed the driver\n");
    return kExitOk;
}

const Command kCommands[] = {
    {"platform", "", "show the platform code and the system version", RunPlatform},
    {"driver-dir", "", "show the spooler's printer-driver directory", RunDriverDir},
    {"install-driver", "", "register the thermal printer driver (its files must be in driver-dir)",
     RunInstallDriver},
    {"remove-driver", "", "remove the driver registration", RunRemoveDriver},
    {"browse", "[--provider NAME] [--raw] [NAME ...]",
     "list what lies under a network container (providers, a provider's domains, ...)", RunBrowse},
};

} // namespace

const Command* FindCommand(const std::string& name) {
    for (const Command& command : kCommands)
        if (name == command.name)
            return &command;
    return nullptr;
}

void PrintCommands() {
    for (const Command& command : kCommands) {
        std::string usage = std::string(command.name) + " " + command.arguments;
        std::printf("  %-22s %s\n", usage.c_str(), command.summary);
    }
}
