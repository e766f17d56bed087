#include "driver_setup.h"

#include "command_line.h"
#include "file_system.h"
#include "library_queries.h"

#include <CLI/CLI.hpp>

#include <cstdio>

void AddDriverFilesOptions(CLI::App& command, DriverFilesOptions* options) {
    AddValueOption(command, "--from", "FOLDER", "the folder the driver files are copied from",
                   &options->from, &options->placing);
    command.add_flag("--force", options->force, "replace different files in the driver directory")
        ->needs("--from"); // it replaces only what --from copies
}

std::vector<DriverFile> DriverFilesIn(const std::string& directory,
                                      const std::vector<std::string>& names) {
    FileSystem& files = DriverDirectoryFiles();
    std::vector<DriverFile> found;
    for (const std::string& name : names) {
        std::string path = files.Join(directory, name);
        found.push_back({name, path, files.Kind(path) == PathKind::File});
    }
    return found;
}

int PrepareDriverFiles(const KvxLibrary& kvx, const DriverFilesOptions& options,
                       DriverSetup* setup) {
    if (!DriverDirectory(kvx, &setup->directory)) {
        std::fprintf(stderr, "kvxctl: the spooler reported no driver directory\n");
        return kExitRefused;
    }
    setup->driver = PlatformDriverFor(PlatformCode(kvx));
    if (options.placing) {
        setup->from = options.from;
        return PlaceDriverFiles(options.from, setup->directory, setup->driver.files, options.force,
                                &setup->files);
    }

    // The library copies no files and hides the spooler's reason for a refusal,
    // so name what is missing before asking.
    int missing = 0;
    for (const DriverFile& file : DriverFilesIn(setup->directory, setup->driver.files)) {
        if (!file.present) {
            std::fprintf(stderr, "kvxctl: missing driver file %s\n", file.path.c_str());
            ++missing;
            continue;
        }
        setup->files.push_back({file.name, file.path, Placement::Present, ""});
    }
    if (missing != 0) {
        std::fprintf(stderr,
                     "kvxctl: copy the files above into %s, or give --from FOLDER to copy them "
                     "from FOLDER\n",
                     setup->directory.c_str());
        return kExitMissingFiles;
    }
    return kExitOk;
}

void PrintPlacedFiles(const DriverSetup& setup, FILE* out) {
    for (const PlacedFile& file : setup.files)
        if (file.placement != Placement::Present) // found in place: nothing was done
            std::fprintf(out, "%s\n", PlacementReport(file).c_str());
}

void AddDriverSetupJson(Json& json, const DriverSetup& setup) {
    json["driver"] = AnsiText(setup.driver.name);
    json["environment"] = AnsiText(setup.driver.environment);
    json["driver_directory"] = AnsiText(setup.directory);
    json["from"] = AnsiTextOrNull(setup.from);
    Json files = Json::array();
    for (const PlacedFile& file : setup.files)
        files.push_back({{"name", AnsiText(file.name)},
                         {"path", AnsiText(file.path)},
                         {"action", PlacementName(file.placement)}});
    json["files"] = files;
}
