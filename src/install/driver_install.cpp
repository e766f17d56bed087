// Registering the thermal printer driver with the local spooler, and removing it.
// The library copies no files: the platform's driver files must already lie in
// the spooler's driver directory.
#include "install/driver_directory.h"
#include "install/driver_files.h"

#include <win32.h>

#include <cstring>

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

// The spooler's reason is not passed on: hosts rely on the result alone.
int32_t Refused() {
    SetLastError(0);
    return 0;
}

} // namespace

extern "C" int32_t KVX_CDECL InstallThermalPrinterDriver(void) {
    DRIVER_INFO_2A info = {};
    info.cVersion = 0x400;
    info.pEnvironment = const_cast<char*>(GetPrinterEnvironment());

    HeapBuffer directory = QueryDriverDirectory();
    if (!directory)
        return Refused();
    DriverFileSet files = DriverFilesFor(CurrentPlatform());
    HeapBuffer driverPath = JoinPath(directory.data(), files.driverFile);
    HeapBuffer dataPath = JoinPath(directory.data(), files.dataFile);
    HeapBuffer configPath = JoinPath(directory.data(), files.configFile);
    if (!driverPath || !dataPath || !configPath)
        return Refused();

    info.pName = const_cast<char*>(files.driverName);
    info.pDriverPath = driverPath.data();
    info.pDataFile = dataPath.data();
    info.pConfigFile = configPath.data();
    if (!AddPrinterDriverA(nullptr, 2, reinterpret_cast<LPBYTE>(&info)))
        return Refused();
    return 1;
}

extern "C" int32_t KVX_CDECL DesInstallThermalPrinterDriver(void) {
    const char* environment = GetPrinterEnvironment();
    const char* name = RemovalDriverName(CurrentPlatform());
    if (DeletePrinterDriverA(nullptr, const_cast<char*>(environment), const_cast<char*>(name)))
        return 0;
    DWORD error = GetLastError();
    // A refusal must never read as success, even if the spooler left no reason.
    return error != 0 ? static_cast<int32_t>(error) : ERROR_GEN_FAILURE;
}
