// What install-driver and install-printer share: the driver files put in place
// (--from FOLDER [--force]) or found there, and how that is reported.
#pragma once

#include "commands.h"
#include "driver_files_copy.h"
#include "json_writer.h"
#include "platform_driver.h"

#include <cstdio>

struct DriverFile {
    std::string name;
    std::string path; // in the driver directory
    bool present;
};

// Each of `names` in the driver directory, present or not.
std::vector<DriverFile> DriverFilesIn(const std::string& directory,
                                      const std::vector<std::string>& names);

struct DriverSetup {
    PlatformDriver driver;
    std::string directory; // the spooler's driver directory
    std::string from;      // the --from folder, if any
    std::vector<PlacedFile> files;
};

// With --from, copies the platform's driver files into the driver directory;
// without it, checks that they are there and names each missing file once.
// Returns kExitOk or the exit code, its reason written on standard error.
int PrepareDriverFiles(const KvxLibrary& kvx, const CommandLine& line, DriverSetup* setup);

// The files' lines of the text report ("copied NAME to PATH").
void PrintPlacedFiles(const DriverSetup& setup, FILE* out);
// The members "driver", "environment", "driver_directory", "from" and "files".
void WriteDriverSetup(JsonWriter& json, const DriverSetup& setup);
