#include "sim/sim_driver_disk.h"

#include "command_line.h"
#include "sim/file_system_posix.h"
#include "platform_driver.h"
#include "spooler_lists.h"

#include <sim_control.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

constexpr char kStateFile[] = "spooler-state.txt";

// A temporary store, removed with everything in it when kvxctl ends.
class TemporaryFolder {
public:
    ~TemporaryFolder() {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    bool Make(std::string* path) {
        std::string pattern = (std::filesystem::temp_directory_path() / "kvxctl-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            return false;
        path_ = pattern;
        *path = path_;
        return true;
    }

private:
    std::string path_;
};

// Windows 95, 98 and Me have no MoveFileEx: there a file is replaced by delete
// and rename, as on the real systems.
bool RunningWindows4x() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

class SimDriverDisk : public FileSystem {
public:
    std::string root;
    bool keepsState = false; // a store given with --driver-store, not a temporary one
    bool readOnly = false;
    bool renamesFail = false;
    std::vector<std::string> inUse; // names of driver files the system holds open

    // The host path of a simulated one: the drive letter dropped, backslashes as slashes.
    std::string HostPath(const std::string& simulated) const {
        std::string path =
            simulated.size() >= 2 && simulated[1] == ':' ? simulated.substr(2) : simulated;
        for (char& c : path)
            if (c == '\\')
                c = '/';
        return root + (path.empty() || path[0] != '/' ? "/" : "") + path;
    }

    PathKind Kind(const std::string& path) const override { return host_.Kind(HostPath(path)); }
    std::string Join(const std::string& folder, const std::string& name) const override {
        return folder + "\\" + name;
    }
    bool Read(const std::string& path, std::string* bytes, std::string* error) const override {
        return host_.Read(HostPath(path), bytes, error);
    }
    bool Stage(const std::string& path, const std::string& bytes, std::string* staged,
               std::string* error) override {
        if (readOnly) {
            *error = "cannot write " + path + ".kvxctl-new: the driver directory is read-only";
            return false;
        }
        std::string hostStaged;
        if (!host_.Stage(HostPath(path), bytes, &hostStaged, error))
            return false;
        *staged = path + ".kvxctl-new"; // the name hostStaged has on the simulated disk
        return true;
    }
    ReplaceResult Replace(const std::string& staged, const std::string& path,
                          std::string* error) override {
        if (RunningWindows4x())
            return ReplaceResult::NotImplemented;
        if (renamesFail) {
            *error = RenameRefused(path);
            return ReplaceResult::Failed;
        }
        ReplaceResult result = host_.Replace(HostPath(staged), HostPath(path), error);
        if (result == ReplaceResult::Replaced)
            sim::AddFile(path);
        return result;
    }
    bool Delete(const std::string& path, std::string* error) override {
        if (!host_.Delete(HostPath(path), error))
            return false;
        sim::RemoveFile(path);
        return true;
    }
    bool Rename(const std::string& staged, const std::string& path, std::string* error) override {
        if (renamesFail) {
            *error = RenameRefused(path);
            return false;
        }
        if (!host_.Rename(HostPath(staged), HostPath(path), error))
            return false;
        sim::AddFile(path);
        return true;
    }
    void Discard(const std::string& staged) override { host_.Discard(HostPath(staged)); }
    // As Windows deletes: not a read-only file (one the host may not write), nor
    // one in a read-only directory, nor one in use.
    bool Remove(const std::string& path, std::string* error) override {
        std::error_code failure;
        auto permissions = std::filesystem::status(HostPath(path), failure).permissions();
        bool writable = failure || (permissions & std::filesystem::perms::owner_write) !=
                                       std::filesystem::perms::none;
        DWORD refusal = 0;
        if (readOnly || !writable)
            refusal = ERROR_ACCESS_DENIED;
        for (const std::string& name : inUse)
            if (SameName(path.substr(path.find_last_of('\\') + 1), name))
                refusal = ERROR_SHARING_VIOLATION;
        if (refusal != 0) {
            *error = "cannot remove " + path + ": error " + std::to_string(refusal) + " (" +
                     ErrorName(refusal) + ")";
            return false;
        }
        if (!host_.Remove(HostPath(path), error))
            return false;
        sim::RemoveFile(path);
        return true;
    }

private:
    static std::string RenameRefused(const std::string& path) {
        return "cannot rename " + path + ".kvxctl-new to " + path +
               ": another program holds the file open";
    }

    PosixFiles host_;
};

SimDriverDisk& Disk() {
    static SimDriverDisk disk;
    return disk;
}

TemporaryFolder& Temporary() {
    static TemporaryFolder folder;
    return folder;
}

} // namespace

FileSystem& SourceFiles() {
    static PosixFiles files;
    return files;
}

FileSystem& DriverDirectoryFiles() {
    return Disk();
}

void SetSimDriverDiskReadOnly(bool readOnly) {
    Disk().readOnly = readOnly;
}

void SetSimDriverDiskRenamesFail(bool fail) {
    Disk().renamesFail = fail;
}

bool SetUpSimDriverDisk(const std::string& store, std::string* error) {
    SimDriverDisk& disk = Disk();
    disk.root = store;
    disk.keepsState = !store.empty();
    if (store.empty() && !Temporary().Make(&disk.root)) {
        *error = "cannot make a temporary folder for the driver directory";
        return false;
    }
    // A store named for the first time is made, folders above it included; a
    // mistyped one would otherwise pass unseen, so it is announced.
    std::error_code unknown;
    bool announce = !store.empty() && !std::filesystem::exists(store, unknown) && !unknown;
    for (const char* environment : kSpoolerEnvironments) {
        std::string directory = sim::DriverDirectory(environment);
        std::filesystem::path host = disk.HostPath(directory);
        std::error_code failure;
        std::filesystem::create_directories(host, failure);
        if (failure) {
            *error = "cannot make " + host.string() + ": " + failure.message();
            return false;
        }
        for (const auto& entry : std::filesystem::directory_iterator(host, failure))
            if (entry.is_regular_file())
                sim::AddFile(directory + "\\" + entry.path().filename().string());
        if (failure) {
            *error = "cannot read " + host.string() + ": " + failure.message();
            return false;
        }
    }
    if (announce)
        Complain("created the driver store " + store);
    return true;
}

bool PlacePlaceholderDriverFiles(int platformCode, std::string* error) {
    PlatformDriver driver = PlatformDriverFor(platformCode);
    std::string directory = sim::DriverDirectory(driver.environment);
    SimDriverDisk& disk = Disk();
    for (const std::string& name : driver.files) {
        std::string path = disk.Join(directory, name), staged;
        if (disk.Kind(path) == PathKind::File)
            continue;
        if (!disk.Stage(path, "placeholder driver file\n", &staged, error))
            return false;
        if (!disk.Rename(staged, path, error)) {
            disk.Discard(staged);
            return false;
        }
    }
    return true;
}

void MarkSimDriverFileInUse(const std::string& name) {
    Disk().inUse.push_back(name);
}

bool LoadSimSpoolerState(std::string* error) {
    std::string path = Disk().root + "/" + kStateFile, text;
    if (SourceFiles().Kind(path) == PathKind::Missing)
        return true; // a spooler with nothing installed
    if (!SourceFiles().Read(path, &text, error))
        return false;
    if (!sim::LoadSpoolerState(text, error)) {
        *error = "cannot read the simulated spooler's state " + path + ", " + *error;
        return false;
    }
    return true;
}

bool SaveSimSpoolerState(std::string* error) {
    SimDriverDisk& disk = Disk();
    if (!disk.keepsState)
        return true;
    std::string path = disk.root + "/" + kStateFile, staged;
    FileSystem& host = SourceFiles();
    if (sim::Drivers().empty() && sim::Printers().empty() && sim::PrintersPendingDeletion().empty())
        return host.Kind(path) == PathKind::Missing || host.Remove(path, error);
    if (!host.Stage(path, sim::SpoolerState(), &staged, error))
        return false;
    // The host's file system replaces a file in one step.
    if (host.Replace(staged, path, error) == ReplaceResult::Replaced)
        return true;
    host.Discard(staged);
    return false;
}
