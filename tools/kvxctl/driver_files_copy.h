// Placing the driver files an administrator has (the --from folder) into the
// spooler's driver directory: the library copies no files, kvxctl does.
#pragma once

#include <string>
#include <vector>

enum class Placement { Copied, Replaced, Unchanged, Present }; // Present: found, not copied

struct PlacedFile {
    std::string name;
    std::string path; // in the driver directory
    Placement placement;
    std::string source; // in the --from folder; empty for a file found present
};

// The action word: "copied", "replaced", "unchanged" or "present".
const char* PlacementName(Placement placement);

// What was done to the file, as a sentence that begins with the action word
// ("replaced C:\...\KVX_50.DLL with D:\Driver\KVX_50.DLL").
std::string PlacementReport(const PlacedFile& file);

// Copies each of `names` from the folder `from` into `directory`. Every source
// is read and every destination checked before anything is written: an
// identical file is left alone, a different one is replaced only with `force`,
// and each copy is written beside its destination and renamed into place.
// Returns kExitOk with *placed filled, kExitMissingFiles when `from` lacks a file
// (each one named on standard error), or kExitFilesNotPlaced for any other
// reason (named on standard error).
int PlaceDriverFiles(const std::string& from, const std::string& directory,
                     const std::vector<std::string>& names, bool force,
                     std::vector<PlacedFile>* placed);
