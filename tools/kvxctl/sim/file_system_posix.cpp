#include "sim/file_system_posix.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// An open file descriptor, closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }
    bool Close() {
        bool closed = fd_ < 0 || close(fd_) == 0;
        fd_ = -1;
        return closed;
    }

private:
    int fd_;
};

// The message for the call that just failed; `what` names it ("read", ...).
std::string Failure(const char* what, const std::string& path, int error = errno) {
    return std::string("cannot ") + what + " " + path + ": " + std::strerror(error);
}

} // namespace

PathKind PosixFiles::Kind(const std::string& path) const {
    struct stat status;
    if (stat(path.c_str(), &status) != 0)
        return errno == ENOENT || errno == ENOTDIR ? PathKind::Missing : PathKind::Inaccessible;
    return S_ISDIR(status.st_mode) ? PathKind::Directory : PathKind::File;
}

std::string PosixFiles::Join(const std::string& folder, const std::string& name) const {
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

bool PosixFiles::Read(const std::string& path, std::string* bytes, std::string* error) const {
    Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) {
        *error = Failure("read", path);
        return false;
    }
    bytes->clear();
    char chunk[65536];
    for (;;) {
        ssize_t got = read(file.Get(), chunk, sizeof chunk);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            *error = Failure("read", path);
            return false;
        }
        bytes->append(chunk, static_cast<size_t>(got));
    }
}

bool PosixFiles::Stage(const std::string& path, const std::string& bytes, std::string* staged,
                       std::string* error) {
    *staged = path + ".kvxctl-new";
    Descriptor file(open(staged->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (file.Get() < 0) {
        *error = Failure("write", *staged);
        return false;
    }
    size_t offset = 0;
    while (offset < bytes.size()) {
        ssize_t written = write(file.Get(), bytes.data() + offset, bytes.size() - offset);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            *error = Failure("write", *staged);
            file.Close();
            Discard(*staged);
            return false;
        }
        offset += static_cast<size_t>(written);
    }
    if (fsync(file.Get()) != 0 || !file.Close()) {
        *error = Failure("write", *staged);
        Discard(*staged);
        return false;
    }
    return true;
}

ReplaceResult PosixFiles::Replace(const std::string& staged, const std::string& path,
                                  std::string* error) {
    if (rename(staged.c_str(), path.c_str()) == 0)
        return ReplaceResult::Replaced;
    *error = Failure("replace", path);
    return ReplaceResult::Failed;
}

bool PosixFiles::Delete(const std::string& path, std::string* error) {
    if (unlink(path.c_str()) == 0 || errno == ENOENT)
        return true;
    *error = Failure("delete", path);
    return false;
}

bool PosixFiles::Rename(const std::string& staged, const std::string& path, std::string* error) {
    if (rename(staged.c_str(), path.c_str()) == 0)
        return true;
    int failure = errno;
    *error = Failure("rename", staged + " to " + path, failure);
    return false;
}

void PosixFiles::Discard(const std::string& staged) {
    unlink(staged.c_str());
}

bool PosixFiles::Remove(const std::string& path, std::string* error) {
    if (unlink(path.c_str()) == 0)
        return true;
    *error = Failure("remove", path);
    return false;
}
