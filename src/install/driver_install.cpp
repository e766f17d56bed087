// Registering the thermal printer driver with the local spooler, and removing it.
// The library copies no files: the platform's driver files must already lie in
// the spooler's driver directory.
#include "frame/platform_id.h"
#include "install/refusal.h"
#include "install/driver_directory.h"

#include <win32.h>

#include <cstring>
#include <kvx32.h>

namespace {

constexpr SIZE_T kPathBufferSize = 255;

// A path buffer holding directory + file name: 255 bytes, or more when the
// directory is longer than the first request allows.
HeapBuffer JoinPath(const char* directory, const char* fileName) {
    size_t directoryLength = std::strlen(directory);
    size_t fileLength = std::strlen(fileName);
    SIZE_T needed = directoryLength + fileLength + 1;
    HeapBuffer path(needed > kPathBufferSize ? needed : kPathBufferSize);
    if (path) {
        std::memcpy(path.data(), directory, directoryLength);
        std::memcpy(path.data() + directoryLength, fileName, fileLength + 1);
    }
    return path;
}

// The name the removal asks the spooler to delete: the driver Windows 95, 98 and
// NT 4 register, or on every other platform the Windows NT 3 one, even where the
// installation registered the other.
const char* RemovalDriverName(PlatformCode code) {
    bool registersVersion5 =
        code == KVX_PLATFORM_WIN95 || code == KVX_PLATFORM_WIN98 || code == KVX_PLATFORM_NT4;
    return kvx_driver_files_for(registersVersion5 ? KVX_PLATFORM_NT4 : KVX_PLATFORM_NT3)
        .driver_name;
}

// Registers the platform's driver with its files in the driver directory; false
// when the spooler refused it or the directory or memory could not be had. The
// environment and the file set come from one platform code, so that they agree.
bool RegisterDriver(PlatformCode code) {
    DRIVER_INFO_2A info = {};
    info.cVersion = 0x400;
    info.pEnvironment = const_cast<char*>(PrinterEnvironmentOf(code));

    HeapBuffer directory = QueryDriverDirectory();
    if (!directory)
        return false;
    kvx_driver_files files = kvx_driver_files_for(DriverPlatformOf(code));
    HeapBuffer driverPath = JoinPath(directory.data(), files.driver_file);
    HeapBuffer dataPath = JoinPath(directory.data(), files.data_file);
    HeapBuffer configPath = JoinPath(directory.data(), files.config_file);
    if (!driverPath || !dataPath || !configPath)
        return false;

    info.pName = const_cast<char*>(files.driver_name);
    info.pDriverPath = driverPath.data();
    info.pDataFile = dataPath.data();
    info.pConfigFile = configPath.data();
    return AddPrinterDriverA(nullptr, 2, reinterpret_cast<LPBYTE>(&info)) != FALSE;
}

} // namespace

// InstallThermalPrinterDriver (ordinal 10): registers the running platform's driver.
extern "C" int32_t KVX_CDECL InstallThermalPrinterDriver(void) {
    // The working buffers are released before the last error is cleared, so that
    // nothing can set it again after that.
    return RegisterDriver(CurrentPlatform()) ? 1 : Refused();
}

// DesInstallThermalPrinterDriver (ordinal 11): removes the driver's registration.
extern "C" int32_t KVX_CDECL DesInstallThermalPrinterDriver(void) {
    PlatformCode code = CurrentPlatform();
    const char* environment = PrinterEnvironmentOf(code);
    const char* name = RemovalDriverName(DriverPlatformOf(code));
    if (DeletePrinterDriverA(nullptr, const_cast<char*>(environment), const_cast<char*>(name)))
        return 0;
    DWORD error = GetLastError();
    // A refusal must never read as success, even if the spooler left no reason.
    return error != 0 ? static_cast<int32_t>(error) : ERROR_GEN_FAILURE;
}
