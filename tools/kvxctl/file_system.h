// The files kvxctl reads and writes itself: the folder an administrator gives
// with --from, and the spooler's driver directory. Each binding supplies both
// (the real file system through Win32, or the host's folders natively with the
// driver directory on the simulated machine's disk).
#pragma once

#include <string>

enum class PathKind { Missing, File, Directory, Inaccessible };

enum class ReplaceResult { Replaced, NotImplemented, Failed };

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual PathKind Kind(const std::string& path) const = 0;
    // The path of `name` inside `folder`.
    virtual std::string Join(const std::string& folder, const std::string& name) const = 0;
    // The whole file, or false with the reason.
    virtual bool Read(const std::string& path, std::string* bytes, std::string* error) const = 0;
    // Writes `bytes` to a new file beside `path` (its name returned in *staged),
    // so that nothing is written over `path` yet. On failure nothing is left.
    virtual bool Stage(const std::string& path, const std::string& bytes, std::string* staged,
                       std::string* error) = 0;
    // Puts a staged file in the place of `path` in one step, whether a file is
    // there or not; NotImplemented where the system has no such step (Windows 95,
    // 98 and Me lack MoveFileEx). Nothing has changed unless it answers Replaced.
    virtual ReplaceResult Replace(const std::string& staged, const std::string& path,
                                  std::string* error) = 0;
    // Deletes the file at `path`; a file that is not there counts as deleted.
    virtual bool Delete(const std::string& path, std::string* error) = 0;
    // Gives a staged file the name `path`, where no file is.
    virtual bool Rename(const std::string& staged, const std::string& path, std::string* error) = 0;
    // Removes a staged file that will not be committed.
    virtual void Discard(const std::string& staged) = 0;
    // Deletes a file, as the system allows: false with the reason for a read-only
    // file or one in use.
    virtual bool Remove(const std::string& path, std::string* error) = 0;
};

// The file system the --from folder is read from.
FileSystem& SourceFiles();
// The file system the spooler's driver directory lives on.
FileSystem& DriverDirectoryFiles();
