// What install-driver and install-printer share: the driver files put in place
// (--from FOLDER [--force]) or found there, and how that is reported.
#pragma once

#include "binding.h"
#include "driver_files_copy.h"
#include "json_output.h"
#include "platform_driver.h"

#include <cstdio>
#include <string>
#include <vector>

namespace CLI {
class App;
}

// The options of the commands that place the driver files: --from FOLDER [--force].
struct DriverFilesOptions {
    bool placing = false; // --from given; else the files must be in the driver directory
    std::string from;
    bool force = false;
};

// Declares --from and --force on `command`, read into *options.
void AddDriverFilesOptions(CLI::App& command, DriverFilesOptions* options);

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
int PrepareDriverFiles(const KvxLibrary& kvx, const DriverFilesOptions& options,
                       DriverSetup* setup);

// The files' lines of the text report ("copied NAME to PATH", ...), one for
// each file placed or left unchanged.
void PrintPlacedFiles(const DriverSetup& setup, FILE* out);
// Adds the members "driver", "environment", "driver_directory", "from" and "files".
void AddDriverSetupJson(Json& json, const DriverSetup& setup);
