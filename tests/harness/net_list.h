// The network list as tests see it: NetEntryRecords encoded as the network
// search writes them, GetPortsSelect called as a host calls it, and its lists
// read back. Shared by the native tests and the behaviour checks.
#pragma once

#include <kvx32.h>

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace harness {

// One NetEntryRecord: provider, remote name and display type.
struct NetRecord {
    std::string provider;
    std::string remoteName;
    unsigned displayType;

    bool operator==(const NetRecord& other) const {
        return provider == other.provider && remoteName == other.remoteName &&
               displayType == other.displayType;
    }
    friend std::ostream& operator<<(std::ostream& out, const NetRecord& record) {
        return out << "{" << record.provider << ", " << record.remoteName << ", "
                   << record.displayType << "}";
    }
};

// The NetworkPath of the containers named, from the provider down.
inline std::string NetPath(const std::vector<std::string>& names) {
    std::vector<char> path(1, '\0');
    for (const std::string& name : names) {
        path.resize(path.size() + 4 + name.size(), '\0');
        if (!kvx_network_path_append(path.data(), path.size(), name.c_str()))
            return "<name too long>";
    }
    return path.data();
}

// One call with strings built for the library to take over.
inline void CallGetPortsSelect(char* buffer, uint32_t* size, const std::string& provider,
                               const std::string& path) {
    GetPortsSelect(buffer, size, kvx_shared_string(provider.c_str()),
                   kvx_shared_string(path.c_str()));
}

// The sizing call, then the fetch of the size it reported.
inline std::vector<char> FetchNetList(const std::string& provider, const std::string& path) {
    uint32_t size = 0;
    CallGetPortsSelect(nullptr, &size, provider, path);
    std::vector<char> list(size, '\0');
    if (size != 0)
        GetPortsSelect(list.data(), &size, nullptr, nullptr);
    return list;
}

// The records of a list of `list.size()` bytes (records and closing zero);
// *whole is false when it breaks off inside a record.
inline std::vector<NetRecord> ParseNetList(const std::vector<char>& list, bool* whole = nullptr) {
    std::vector<NetRecord> records;
    uint32_t offset = 0;
    kvx_net_entry entry;
    int read;
    while ((read = kvx_net_entry_next(list.data(), static_cast<uint32_t>(list.size()), &offset,
                                      &entry)) == 1)
        records.push_back({entry.provider, entry.remote_name, entry.display_type});
    if (whole != nullptr)
        *whole = read == 0;
    return records;
}

// Each record of `records` is one of `full`, in the same order.
inline void ExpectOrderedPart(const std::vector<NetRecord>& records,
                              const std::vector<NetRecord>& full) {
    size_t next = 0;
    for (const NetRecord& record : records) {
        while (next < full.size() && !(full[next] == record))
            ++next;
        EXPECT_LT(next, full.size()) << "not in the list, or out of order: " << record;
        ++next;
    }
}

inline std::vector<NetRecord> BrowseNet(const std::string& provider,
                                        const std::vector<std::string>& names) {
    return ParseNetList(FetchNetList(provider, NetPath(names)));
}

// The bytes of the records, without the closing zero.
inline std::string NetRecordBytes(const std::vector<NetRecord>& records) {
    std::string bytes;
    for (const NetRecord& record : records) {
        bytes += record.provider + '\0' + record.remoteName + '\0';
        bytes += static_cast<char>(record.displayType);
        bytes += '\0';
    }
    return bytes;
}

// A whole list: the records back to back, then the closing zero byte.
inline std::string NetListBytes(const std::vector<NetRecord>& records) {
    return NetRecordBytes(records) + '\0';
}

} // namespace harness
