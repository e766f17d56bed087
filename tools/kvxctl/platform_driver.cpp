#include "platform_driver.h"

#include <win32.h>

#include <algorithm>

namespace {

bool Is64BitProcess() {
    SYSTEM_INFO system = {};
    GetSystemInfo(&system);
    return system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

} // namespace

PlatformDriver PlatformDriverFor(int platformCode) {
    bool nt = platformCode == KVX_PLATFORM_NT3 || platformCode == KVX_PLATFORM_NT4;
    bool x64 = nt && Is64BitProcess();
    kvx_driver_files row = kvx_driver_files_for(x64 ? KVX_PLATFORM_NT4 : platformCode);
    PlatformDriver driver;
    driver.name = row.driver_name;
    driver.environment = kvx_driver_environment_for(platformCode, x64);
    // The Windows 4.x row names one file as driver, data and configuration file.
    for (const char* file : {row.driver_file, row.data_file, row.config_file}) {
        std::string name = file[0] == '\\' ? file + 1 : file;
        if (std::find(driver.files.begin(), driver.files.end(), name) == driver.files.end())
            driver.files.push_back(name);
    }
    return driver;
}
