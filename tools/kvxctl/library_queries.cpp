#include "library_queries.h"

#include <vector>

Platform QueryPlatform(const KvxLibrary& kvx) {
    Platform platform;
    kvx.GetPlatformFrom32(&platform.code, &platform.major, &platform.minor, &platform.id);
    return platform;
}

int PlatformCode(const KvxLibrary& kvx) {
    return QueryPlatform(kvx).code;
}

const char* PlatformName(int code) {
    switch (code) {
    case KVX_PLATFORM_WIN95:
        return "Windows 95";
    case KVX_PLATFORM_WIN98:
        return "Windows 98";
    case KVX_PLATFORM_NT3:
        return "Windows NT 3";
    case KVX_PLATFORM_NT4:
        return "Windows NT 4 or later";
    default:
        return "other";
    }
}

Json PlatformJson(const Platform& platform) {
    Json json;
    json["platform_code"] = platform.code;
    json["platform_name"] = PlatformName(platform.code);
    json["major"] = platform.major;
    json["minor"] = platform.minor;
    json["platform_id"] = platform.id;
    return json;
}

// Ask for the length, then fetch into a buffer of length + 1 bytes.
bool DriverDirectory(const KvxLibrary& kvx, std::string* directory) {
    uint32_t length = 0;
    uint32_t* lengthRef = &length;
    kvx.GetPrinterDriverDir(nullptr, &lengthRef);
    if (length == 0)
        return false;
    std::vector<char> buffer(length + 1);
    length = static_cast<uint32_t>(buffer.size());
    if (kvx.GetPrinterDriverDir(buffer.data(), &lengthRef) == 0)
        return false;
    *directory = buffer.data();
    return true;
}
