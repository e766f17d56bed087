// The host's own folders natively (POSIX).
#pragma once

#include "file_system.h"

class PosixFiles : public FileSystem {
public:
    PathKind Kind(const std::string& path) const override;
    std::string Join(const std::string& folder, const std::string& name) const override;
    bool Read(const std::string& path, std::string* bytes, std::string* error) const override;
    bool Stage(const std::string& path, const std::string& bytes, std::string* staged,
               std::string* error) override;
    ReplaceResult Replace(const std::string& staged, const std::string& path,
                          std::string* error) override;
    bool Delete(const std::string& path, std::string* error) override;
    bool Rename(const std::string& staged, const std::string& path, std::string* error) override;
    void Discard(const std::string& staged) override;
    bool Remove(const std::string& path, std::string* error) override;
};
