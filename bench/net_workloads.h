// The two ways of listing the 10000 printer shares of \\BENCH10K in the test
// network (tests/data/test_network.txt) that the benchmark compares.
#pragma once

#include <win32.h>

#include <kvx32.h>

#include <string>
#include <vector>

namespace bench {

// GetPortsSelect as a host calls it for the server's container in the domain of
// a provider: the sizing call, then the fetch. Returns the list's size in bytes.
inline uint32_t ListWithGetPortsSelect(std::vector<char>* list,
                                       const char* provider = "Kvx Network",
                                       const char* domain = "BENCH",
                                       const char* server = "\\\\BENCH10K") {
    char path[256] = "";
    kvx_network_path_append(path, sizeof path, domain);
    kvx_network_path_append(path, sizeof path, server);
    uint32_t size = 0;
    GetPortsSelect(nullptr, &size, kvx_shared_string(provider), kvx_shared_string(path));
    list->resize(size);
    GetPortsSelect(list->data(), &size, nullptr, nullptr);
    return size;
}

// Opens `container` through the router and counts its printer entries with a
// bare loop of requests into `buffer`.
inline size_t CountWithRouter(NETRESOURCEA* container, std::vector<char>* buffer) {
    HANDLE enumeration = nullptr;
    if (WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_PRINT, 0, container, &enumeration) !=
        NO_ERROR)
        return 0;
    size_t entries = 0;
    for (;;) {
        DWORD count = 0xFFFFFFFF, size = static_cast<DWORD>(buffer->size());
        if (WNetEnumResourceA(enumeration, &count, buffer->data(), &size) != NO_ERROR)
            break;
        entries += count;
    }
    WNetCloseEnum(enumeration);
    return entries;
}

// A bare loop of the router over the same container, opened directly. Returns
// the number of entries.
inline size_t ListWithRouter(std::vector<char>* buffer) {
    char provider[] = "Kvx Network";
    char server[] = "\\\\BENCH10K";
    NETRESOURCEA container = {};
    container.dwScope = RESOURCE_GLOBALNET;
    container.dwDisplayType = RESOURCEDISPLAYTYPE_SERVER;
    container.dwUsage = RESOURCEUSAGE_CONTAINER;
    container.lpRemoteName = server;
    container.lpProvider = provider;
    buffer->resize(16384);
    return CountWithRouter(&container, buffer);
}

// The records of a fetched list, as a host walks them.
inline size_t CountRecords(const std::vector<char>& list) {
    uint32_t offset = 0;
    size_t records = 0;
    kvx_net_entry entry;
    while (kvx_net_entry_next(list.data(), static_cast<uint32_t>(list.size()), &offset, &entry) ==
           1)
        ++records;
    return records;
}

} // namespace bench
