// The real file system through Win32, for both the --from folder and the
// driver directory.
#include "command_line.h"
#include "file_system.h"

#include <win32.h>

#include <algorithm>

namespace {

// An open file handle, closed when it goes out of scope.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }
    bool Close() {
        bool closed = !Valid() || CloseHandle(handle_) != 0;
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle_;
};

// The message for the call that just failed; `what` names it ("read", ...).
std::string Failure(const char* what, const std::string& path, DWORD error = GetLastError()) {
    return std::string("cannot ") + what + " " + path + ": error " + std::to_string(error) + " (" +
           ErrorName(error) + ")";
}

class Win32Files : public FileSystem {
public:
    PathKind Kind(const std::string& path) const override {
        DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            DWORD error = GetLastError();
            return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                       ? PathKind::Missing
                       : PathKind::Inaccessible;
        }
        return attributes & FILE_ATTRIBUTE_DIRECTORY ? PathKind::Directory : PathKind::File;
    }

    std::string Join(const std::string& folder, const std::string& name) const override {
        if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/'))
            return folder + name;
        return folder + "\\" + name;
    }

    bool Read(const std::string& path, std::string* bytes, std::string* error) const override {
        FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) {
            *error = Failure("read", path);
            return false;
        }
        bytes->clear();
        char chunk[65536];
        DWORD read = 0;
        while (ReadFile(file.Get(), chunk, sizeof chunk, &read, nullptr)) {
            if (read == 0)
                return true;
            bytes->append(chunk, read);
        }
        *error = Failure("read", path);
        return false;
    }

    bool Stage(const std::string& path, const std::string& bytes, std::string* staged,
               std::string* error) override {
        *staged = path + ".kvxctl-new";
        FileHandle file(CreateFileA(staged->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) {
            *error = Failure("write", *staged);
            return false;
        }
        size_t offset = 0;
        while (offset < bytes.size()) {
            DWORD written = 0;
            DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - offset, 1u << 20));
            if (!WriteFile(file.Get(), bytes.data() + offset, chunk, &written, nullptr) ||
                written == 0) {
                *error = Failure("write", *staged);
                file.Close();
                Discard(*staged);
                return false;
            }
            offset += written;
        }
        if (!FlushFileBuffers(file.Get()) || !file.Close()) {
            *error = Failure("write", *staged);
            Discard(*staged);
            return false;
        }
        return true;
    }

    ReplaceResult Replace(const std::string& staged, const std::string& path,
                          std::string* error) override {
        if (MoveFileExA(staged.c_str(), path.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return ReplaceResult::Replaced;
        if (GetLastError() == ERROR_CALL_NOT_IMPLEMENTED)
            return ReplaceResult::NotImplemented;
        *error = Failure("replace", path);
        return ReplaceResult::Failed;
    }

    bool Delete(const std::string& path, std::string* error) override {
        if (DeleteFileA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND)
            return true;
        *error = Failure("delete", path);
        return false;
    }

    bool Rename(const std::string& staged, const std::string& path, std::string* error) override {
        if (MoveFileA(staged.c_str(), path.c_str()))
            return true;
        DWORD failure = GetLastError();
        *error = Failure("rename", staged + " to " + path, failure);
        return false;
    }

    void Discard(const std::string& staged) override { DeleteFileA(staged.c_str()); }

    bool Remove(const std::string& path, std::string* error) override {
        if (DeleteFileA(path.c_str()))
            return true;
        *error = Failure("remove", path);
        return false;
    }
};

} // namespace

FileSystem& SourceFiles() {
    static Win32Files files;
    return files;
}

FileSystem& DriverDirectoryFiles() {
    return SourceFiles();
}
