#include "driver_setup.h"

#include "file_system.h"

#include <cstdio>

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

int PrepareDriverFiles(const KvxLibrary& kvx, const CommandLine& line, DriverSetup* setup) {
    if (!DriverDirectory(kvx, &setup->directory)) {
        std::fprintf(stderr, "kvxctl: the spooler reported no driver directory\n");
        return kExitRefused;
    }
    setup->driver = PlatformDriverFor(PlatformCode(kvx));
    auto from = line.values.find("--from");
    if (from != line.values.end()) {
        setup->from = from->second;
        return PlaceDriverFiles(from->second, setup->directory, setup->driver.files,
                                line.flags.count("--force") != 0, &setup->files);
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
        setup->files.push_back({file.name, file.path, Placement::Present});
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
    for (const PlacedFile& file : setup.files) {
        if (file.placement == Placement::Unchanged)
            std::fprintf(out, "unchanged %s (the same file is in place)\n", file.path.c_str());
        else if (file.placement != Placement::Present)
            std::fprintf(out, "%s %s to %s\n", PlacementName(file.placement), file.name.c_str(),
                         file.path.c_str());
    }
}

void WriteDriverSetup(JsonWriter& json, const DriverSetup& setup) {
    json.Key("driver").String(setup.driver.name);
    json.Key("environment").String(setup.driver.environment);
    json.Key("driver_directory").String(setup.directory);
    json.Key("from").StringOrNull(setup.from);
    json.Key("files").BeginArray();
    for (const PlacedFile& file : setup.files) {
        json.BeginObject();
        json.Key("name").String(file.name);
        json.Key("path").String(file.path);
        json.Key("action").String(PlacementName(file.placement));
        json.EndObject();
    }
    json.EndArray();
}
