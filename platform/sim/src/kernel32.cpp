// kernel32 outside memory: the thread's last error, interlocked counts, the
// version query and the process's architecture with settable answers, and file
// attributes over the simulated disk.
#include "sim_internal.h"

#include <cstring>
#include <map>

namespace {

thread_local DWORD t_lastError = 0;

struct Version {
    DWORD platformId, major, minor, build;
};
constexpr Version kNT40 = {VER_PLATFORM_WIN32_NT, 4, 0, 1381};
Version g_version = kNT40;                          // a new machine runs Windows NT 4.0
WORD g_architecture = PROCESSOR_ARCHITECTURE_INTEL; // a 32-bit process

const std::map<std::string, Version> kReleases = {
    {"win31", {VER_PLATFORM_WIN32s, 3, 10, 0}},
    {"win95", {VER_PLATFORM_WIN32_WINDOWS, 4, 0, 950}},
    {"win98", {VER_PLATFORM_WIN32_WINDOWS, 4, 10, 2222}},
    {"winme", {VER_PLATFORM_WIN32_WINDOWS, 4, 90, 3000}},
    {"nt351", {VER_PLATFORM_WIN32_NT, 3, 51, 1057}},
    {"nt40", kNT40},
    {"win2k", {VER_PLATFORM_WIN32_NT, 5, 0, 2195}},
    {"winxp", {VER_PLATFORM_WIN32_NT, 5, 1, 2600}},
    {"win10", {VER_PLATFORM_WIN32_NT, 6, 2, 9200}},
};

} // namespace

namespace sim {

void SetVersion(DWORD platformId, DWORD major, DWORD minor, DWORD build) {
    g_version = {platformId, major, minor, build};
}

bool SetWindowsVersion(const std::string& name) {
    auto it = kReleases.find(name);
    if (it == kReleases.end())
        return false;
    g_version = it->second;
    return true;
}

void SetProcessArchitecture(WORD architecture) {
    g_architecture = architecture;
}

namespace detail {

void ResetVersion() {
    g_version = kNT40;
    g_architecture = PROCESSOR_ARCHITECTURE_INTEL;
}

bool RunningOnNT() {
    return g_version.platformId == VER_PLATFORM_WIN32_NT;
}

std::string RunningEnvironment() {
    if (!RunningOnNT())
        return "Windows 4.0";
    return g_architecture == PROCESSOR_ARCHITECTURE_AMD64 ? "Windows x64" : "Windows NT x86";
}

} // namespace detail
} // namespace sim

DWORD GetLastError(void) {
    sim::detail::PlatformCall call("GetLastError");
    return t_lastError;
}

void SetLastError(DWORD error) {
    sim::detail::PlatformCall call("SetLastError");
    t_lastError = error;
}

LONG InterlockedIncrement(LONG volatile* value) {
    return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST);
}

LONG InterlockedDecrement(LONG volatile* value) {
    return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST);
}

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
    sim::detail::PlatformCall call("GetVersionExA");
    if (call.Fails())
        return FALSE;
    if (info == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    info->dwMajorVersion = g_version.major;
    info->dwMinorVersion = g_version.minor;
    info->dwBuildNumber = g_version.build;
    info->dwPlatformId = g_version.platformId;
    info->szCSDVersion[0] = '\0';
    return TRUE;
}

void GetSystemInfo(LPSYSTEM_INFO info) {
    sim::detail::PlatformCall call("GetSystemInfo");
    *info = {};
    info->wProcessorArchitecture = g_architecture;
    info->dwPageSize = 4096;
    info->dwActiveProcessorMask = 1;
    info->dwNumberOfProcessors = 1;
    info->dwProcessorType = g_architecture == PROCESSOR_ARCHITECTURE_AMD64 ? 8664 : 586;
    info->dwAllocationGranularity = 65536;
    info->wProcessorLevel = 6;
}

DWORD GetFileAttributesA(LPCSTR path) {
    if (path != nullptr && sim::FileExists(path))
        return FILE_ATTRIBUTE_NORMAL;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
}

int LoadStringA(HINSTANCE, UINT, LPSTR buffer, int capacity) {
    sim::detail::PlatformCall call("LoadStringA");
    if (call.Fails())
        return 0;
    // The module carries no string table.
    if (buffer != nullptr && capacity > 0)
        buffer[0] = '\0';
    SetLastError(1814); // ERROR_RESOURCE_NAME_NOT_FOUND
    return 0;
}
