#include "frame/platform_id.h"

#include <win32.h>

namespace {

PlatformCode CodeFor(const OSVERSIONINFOA& version) {
    switch (version.dwPlatformId) {
    case VER_PLATFORM_WIN32_WINDOWS:
        return version.dwMinorVersion == 0 ? KVX_PLATFORM_WIN95 : KVX_PLATFORM_WIN98;
    case VER_PLATFORM_WIN32_NT:
        return version.dwMajorVersion > 3 || version.dwMinorVersion > 51 ? KVX_PLATFORM_NT4
                                                                         : KVX_PLATFORM_NT3;
    default:
        return KVX_PLATFORM_OTHER;
    }
}

bool IsNT(PlatformCode code) {
    return code == KVX_PLATFORM_NT3 || code == KVX_PLATFORM_NT4;
}

// Only 64-bit Windows NT runs a 64-bit process, and the system reports the x64
// processor to it alone. A 32-bit process never is one, so the 32-bit DLL does
// not ask (and imports nothing for it).
bool Is64BitProcess() {
    if constexpr (sizeof(void*) < 8) {
        return false;
    } else {
        SYSTEM_INFO system = {};
        GetSystemInfo(&system);
        return system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
    }
}

void Put(int16_t* output, int16_t value) {
    if (output != nullptr)
        *output = value;
}

} // namespace

// GetPlatformFrom32 (ordinal 5): the platform code and the system's version numbers.
extern "C" int32_t KVX_API GetPlatformFrom32(int16_t* platformCode, int16_t* major, int16_t* minor,
                                             int16_t* platformId) {
    // The record starts zeroed, so a failed query reports 0 everywhere.
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    PlatformCode code =
        GetVersionExA(&version) ? CodeFor(version) : PlatformCode{KVX_PLATFORM_OTHER};
    Put(platformCode, code);
    Put(major, static_cast<int16_t>(version.dwMajorVersion & 0xFFFF));
    Put(minor, static_cast<int16_t>(version.dwMinorVersion & 0xFFFF));
    Put(platformId, static_cast<int16_t>(version.dwPlatformId & 0xFFFF));
    return 0;
}

PlatformCode CurrentPlatform() {
    int16_t code = 0, major = 0, minor = 0, platformId = 0;
    GetPlatformFrom32(&code, &major, &minor, &platformId);
    return code;
}

PlatformCode DriverPlatform() {
    return DriverPlatformOf(CurrentPlatform());
}

PlatformCode DriverPlatformOf(PlatformCode code) {
    return IsNT(code) && Is64BitProcess() ? PlatformCode{KVX_PLATFORM_NT4} : code;
}

const char* GetPrinterEnvironment() {
    return PrinterEnvironmentOf(CurrentPlatform());
}

const char* PrinterEnvironmentOf(PlatformCode code) {
    return kvx_driver_environment_for(code, IsNT(code) && Is64BitProcess());
}
