// The driver file set of each platform: the name the driver is registered under
// and the three files given to the spooler.
#pragma once

#include "frame/platform_id.h"

struct DriverFileSet {
    const char* driverName;
    const char* driverFile; // each file name starts with a backslash
    const char* dataFile;
    const char* configFile;
};

DriverFileSet DriverFilesFor(PlatformCode code);

// The name the removal asks the spooler to delete; it differs from the installed
// name on the platforms that are neither Windows 95, 98 nor NT 4.
const char* RemovalDriverName(PlatformCode code);
