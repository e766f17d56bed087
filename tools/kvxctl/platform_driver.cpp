#include "platform_driver.h"

#include <algorithm>

PlatformDriver PlatformDriverFor(int platformCode) {
    kvx_driver_files row = kvx_driver_files_for(platformCode);
    PlatformDriver driver;
    driver.name = row.driver_name;
    bool nt = platformCode == KVX_PLATFORM_NT3 || platformCode == KVX_PLATFORM_NT4;
    driver.environment = nt ? kNtEnvironment : kWindows4Environment;
    // The Windows 4.x row names one file as driver, data and configuration file.
    for (const char* file : {row.driver_file, row.data_file, row.config_file}) {
        std::string name = file[0] == '\\' ? file + 1 : file;
        if (std::find(driver.files.begin(), driver.files.end(), name) == driver.files.end())
            driver.files.push_back(name);
    }
    return driver;
}
