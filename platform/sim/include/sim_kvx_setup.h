// Set-up of the simulated machine for the library's own needs.
#pragma once

#include <sim_control.h>

#undef KVX32_NO_PROTOTYPES
#include <kvx32.h>

#include <string>

namespace sim {

// Places the driver files of the running platform in the simulated driver
// directory, as an administrator would before installing the driver.
inline void PlaceKvxDriverFiles() {
    int16_t code = 0, major = 0, minor = 0, id = 0;
    GetPlatformFrom32(&code, &major, &minor, &id);
    bool nt = code == KVX_PLATFORM_NT3 || code == KVX_PLATFORM_NT4;
    std::string directory = DriverDirectory(nt ? "Windows NT x86" : "Windows 4.0");
    kvx_driver_files files = kvx_driver_files_for(code);
    for (const char* file : {files.driver_file, files.data_file, files.config_file})
        AddFile(directory + file);
}

} // namespace sim
