#include "install/driver_files.h"

DriverFileSet DriverFilesFor(PlatformCode code) {
    kvx_driver_files files = kvx_driver_files_for(code);
    return {files.driver_name, files.driver_file, files.data_file, files.config_file};
}

const char* RemovalDriverName(PlatformCode code) {
    switch (code) {
    case KVX_PLATFORM_WIN95:
    case KVX_PLATFORM_WIN98:
    case KVX_PLATFORM_NT4:
        return "Printer KVX 5.0";
    default:
        return "Printer KVX";
    }
}
