#include "driver_files_copy.h"

#include "command_line.h"
#include "file_system.h"

#include <cstdio>

namespace {

struct PendingCopy {
    PlacedFile file;
    std::string bytes;
    std::string staged;
};

// Every source present and readable, read whole.
int ReadSources(const std::string& from, const std::vector<std::string>& names,
                std::vector<PendingCopy>* copies) {
    FileSystem& source = SourceFiles();
    switch (source.Kind(from)) {
    case PathKind::Missing:
        Complain("the folder " + from + " does not exist");
        return kExitFilesNotPlaced;
    case PathKind::File:
        Complain(from + " is a file, not a folder");
        return kExitFilesNotPlaced;
    case PathKind::Inaccessible:
        Complain("cannot read the folder " + from);
        return kExitFilesNotPlaced;
    case PathKind::Directory:
        break;
    }
    bool missing = false, unusable = false;
    for (const std::string& name : names) {
        std::string path = source.Join(from, name);
        switch (source.Kind(path)) {
        case PathKind::Missing:
            Complain("missing driver file " + path);
            missing = true;
            continue;
        case PathKind::Directory:
            Complain(path + " is a folder, not a driver file");
            unusable = true;
            continue;
        case PathKind::Inaccessible:
            Complain("cannot read " + path);
            unusable = true;
            continue;
        case PathKind::File:
            break;
        }
        PendingCopy copy;
        copy.file.name = name;
        copy.file.source = path;
        std::string error;
        if (!source.Read(path, &copy.bytes, &error)) {
            Complain(error);
            unusable = true;
            continue;
        }
        copies->push_back(std::move(copy));
    }
    if (missing) {
        Complain("nothing was copied or installed: " + from + " lacks the files above");
        return kExitMissingFiles;
    }
    return unusable ? kExitFilesNotPlaced : kExitOk;
}

// What each copy does to the driver directory.
int CheckDestinations(const std::string& from, const std::string& directory, bool force,
                      std::vector<PendingCopy>* copies) {
    FileSystem& target = DriverDirectoryFiles();
    bool blocked = false;
    for (PendingCopy& copy : *copies) {
        copy.file.path = target.Join(directory, copy.file.name);
        switch (target.Kind(copy.file.path)) {
        case PathKind::Missing:
            copy.file.placement = Placement::Copied;
            continue;
        case PathKind::Directory:
            Complain(copy.file.path + " is a folder: move it out of the driver directory");
            blocked = true;
            continue;
        case PathKind::Inaccessible:
            Complain("cannot read " + copy.file.path);
            blocked = true;
            continue;
        case PathKind::File:
            break;
        }
        std::string existing, error;
        if (!target.Read(copy.file.path, &existing, &error)) {
            Complain(error);
            blocked = true;
        } else if (existing == copy.bytes) {
            copy.file.placement = Placement::Unchanged;
        } else if (force) {
            copy.file.placement = Placement::Replaced;
        } else {
            Complain(copy.file.path + " differs from the one in " + from +
                     " (--force replaces it)");
            blocked = true;
        }
    }
    return blocked ? kExitFilesNotPlaced : kExitOk;
}

enum class Commit { Placed, NothingChanged, OldFileDeleted };

// Puts a staged copy in the place of its destination: in one step where the
// system can; else (Windows 95, 98 and Me) the old file is deleted and the copy
// renamed. Until the old file is gone a failure discards the copy and leaves the
// directory as it was. A rename that fails after the delete keeps the copy under
// its staged name, so the new contents are not lost with the old file: running
// the command again finds the file missing and places it.
Commit CommitStaged(FileSystem& target, const PendingCopy& copy, std::string* error) {
    switch (target.Replace(copy.staged, copy.file.path, error)) {
    case ReplaceResult::Replaced:
        return Commit::Placed;
    case ReplaceResult::Failed:
        target.Discard(copy.staged);
        return Commit::NothingChanged;
    case ReplaceResult::NotImplemented:
        break;
    }
    if (!target.Delete(copy.file.path, error)) {
        target.Discard(copy.staged);
        return Commit::NothingChanged;
    }
    if (target.Rename(copy.staged, copy.file.path, error))
        return Commit::Placed;
    return Commit::OldFileDeleted;
}

} // namespace

const char* PlacementName(Placement placement) {
    switch (placement) {
    case Placement::Copied:
        return "copied";
    case Placement::Replaced:
        return "replaced";
    case Placement::Unchanged:
        return "unchanged";
    case Placement::Present:
        return "present";
    }
    return "unknown";
}

std::string PlacementReport(const PlacedFile& file) {
    switch (file.placement) {
    case Placement::Copied:
        return "copied " + file.name + " to " + file.path;
    case Placement::Replaced:
        return "replaced " + file.path + " with " + file.source;
    case Placement::Unchanged:
        return "unchanged " + file.path + " (the same file is in place)";
    case Placement::Present:
        break;
    }
    return "present " + file.path;
}

int PlaceDriverFiles(const std::string& from, const std::string& directory,
                     const std::vector<std::string>& names, bool force,
                     std::vector<PlacedFile>* placed) {
    std::vector<PendingCopy> copies;
    int result = ReadSources(from, names, &copies);
    if (result == kExitOk)
        result = CheckDestinations(from, directory, force, &copies);
    if (result != kExitOk) {
        if (result == kExitFilesNotPlaced)
            Complain("nothing was copied or installed");
        return result;
    }

    // All copies are written beside their destinations first; only then does
    // each take its place, so a failed write leaves the driver directory as it was.
    FileSystem& target = DriverDirectoryFiles();
    std::vector<PendingCopy*> staged;
    std::string error;
    for (PendingCopy& copy : copies) {
        if (copy.file.placement == Placement::Unchanged)
            continue;
        if (!target.Stage(copy.file.path, copy.bytes, &copy.staged, &error)) {
            for (PendingCopy* done : staged)
                target.Discard(done->staged);
            Complain(error);
            Complain("nothing was copied or installed");
            return kExitFilesNotPlaced;
        }
        staged.push_back(&copy);
    }
    for (size_t i = 0; i < staged.size(); ++i) {
        Commit outcome = CommitStaged(target, *staged[i], &error);
        if (outcome == Commit::Placed)
            continue;
        for (size_t rest = i + 1; rest < staged.size(); ++rest)
            target.Discard(staged[rest]->staged);
        Complain(error);
        if (outcome == Commit::OldFileDeleted)
            Complain("the old " + staged[i]->file.path + " is deleted; its new copy is kept as " +
                     staged[i]->staged + ": run the command again to put it in place");
        if (i > 0)
            Complain("only the files before it were placed; nothing was installed");
        else
            Complain(outcome == Commit::NothingChanged ? "nothing was copied or installed"
                                                       : "nothing was installed");
        return kExitFilesNotPlaced;
    }
    for (PendingCopy& copy : copies)
        placed->push_back(copy.file);
    return kExitOk;
}
