// The spooler's driver side: driver directories per environment, the files on
// the simulated disk, and the installed drivers.
#include "sim_internal.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <set>

namespace {

std::map<std::string, std::string> DefaultDirectories() {
    return {{"Windows NT x86", "C:\\windows\\system32\\spool\\drivers\\w32x86"},
            {"Windows 4.0", "C:\\windows\\system32\\spool\\drivers\\win40"},
            {"Windows x64", "C:\\windows\\system32\\spool\\drivers\\x64"}};
}

std::map<std::string, std::string> g_directories = DefaultDirectories(); // by environment
std::set<std::string> g_files;                                           // lowercase full paths
std::vector<sim::Driver> g_drivers;
std::set<std::string> g_driversInUse; // lowercase names

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool Present(LPCSTR text) {
    return text != nullptr && *text != '\0';
}

} // namespace

namespace sim {

namespace detail {

bool EqualNoCase(const std::string& a, const std::string& b) {
    return Lower(a) == Lower(b);
}

bool ResolveEnvironment(LPCSTR requested, std::string* environment) {
    std::string name = requested && *requested ? requested : RunningEnvironment();
    for (auto& [known, directory] : g_directories) {
        if (EqualNoCase(known, name)) {
            *environment = known;
            return true;
        }
    }
    return false;
}

bool Fits(size_t total, LPBYTE buffer, DWORD bufferSize, LPDWORD needed) {
    *needed = static_cast<DWORD>(total);
    if (bufferSize < total) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    if (buffer == nullptr && total != 0) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return false;
    }
    return true;
}

size_t DriverInfo2Size(const Driver& driver) {
    return sizeof(DRIVER_INFO_2A) + driver.name.size() + driver.environment.size() +
           driver.driverPath.size() + driver.dataFile.size() + driver.configFile.size() + 5;
}

void FillDriverInfo2(const Driver& driver, DRIVER_INFO_2A* record, StringArea& strings) {
    record->cVersion = driver.version;
    record->pName = strings.Place(driver.name);
    record->pEnvironment = strings.Place(driver.environment);
    record->pDriverPath = strings.Place(driver.driverPath);
    record->pDataFile = strings.Place(driver.dataFile);
    record->pConfigFile = strings.Place(driver.configFile);
}

void ResetSpooler() {
    g_directories = DefaultDirectories();
    g_files.clear();
    g_drivers.clear();
    g_driversInUse.clear();
}

} // namespace detail

void SetDriverDirectory(const std::string& environment, const std::string& directory) {
    g_directories[environment] = directory;
}

std::string DriverDirectory(const std::string& environment) {
    auto it = g_directories.find(environment);
    return it == g_directories.end() ? std::string() : it->second;
}

void AddFile(const std::string& path) {
    g_files.insert(Lower(path));
}

void RemoveFile(const std::string& path) {
    g_files.erase(Lower(path));
}

bool FileExists(const std::string& path) {
    return g_files.count(Lower(path)) != 0;
}

std::vector<Driver> Drivers() {
    return g_drivers;
}

void AddDriver(const Driver& driver) {
    g_drivers.push_back(driver);
}

void SetDriverInUse(const std::string& name, bool inUse) {
    if (inUse)
        g_driversInUse.insert(Lower(name));
    else
        g_driversInUse.erase(Lower(name));
}

} // namespace sim

using sim::detail::PlatformCall;
using sim::detail::ResolveEnvironment;

BOOL GetPrinterDriverDirectoryA(LPSTR, LPSTR environment, DWORD level, LPBYTE buffer,
                                DWORD bufferSize, LPDWORD needed) {
    PlatformCall call("GetPrinterDriverDirectoryA");
    if (call.Fails())
        return FALSE;
    std::string resolved;
    if (!ResolveEnvironment(environment, &resolved)) {
        SetLastError(ERROR_INVALID_ENVIRONMENT);
        return FALSE;
    }
    if (level != 1) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if (needed == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string& directory = g_directories[resolved];
    *needed = static_cast<DWORD>(directory.size() + 1);
    if (bufferSize < *needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    if (buffer == nullptr) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    std::memcpy(buffer, directory.c_str(), directory.size() + 1);
    return TRUE;
}

BOOL AddPrinterDriverA(LPSTR, DWORD level, LPBYTE driverInfo) {
    PlatformCall call("AddPrinterDriverA");
    if (call.Fails())
        return FALSE;
    if (!sim::detail::Administrator()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (level != 2) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    auto* info = reinterpret_cast<DRIVER_INFO_2A*>(driverInfo);
    if (info == nullptr || !Present(info->pName) || !Present(info->pDriverPath) ||
        !Present(info->pDataFile) || !Present(info->pConfigFile)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string environment;
    if (!ResolveEnvironment(info->pEnvironment, &environment)) {
        SetLastError(ERROR_INVALID_ENVIRONMENT);
        return FALSE;
    }
    for (LPCSTR file : {info->pDriverPath, info->pDataFile, info->pConfigFile}) {
        if (!sim::FileExists(file)) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return FALSE;
        }
    }
    sim::Driver driver{environment,       info->pName,     info->cVersion,
                       info->pDriverPath, info->pDataFile, info->pConfigFile};
    for (auto& existing : g_drivers) {
        if (existing.environment == environment &&
            sim::detail::EqualNoCase(existing.name, driver.name)) {
            existing = driver; // installing again updates the driver
            return TRUE;
        }
    }
    g_drivers.push_back(driver);
    return TRUE;
}

BOOL DeletePrinterDriverA(LPSTR, LPSTR environment, LPSTR driverName) {
    PlatformCall call("DeletePrinterDriverA");
    if (call.Fails())
        return FALSE;
    if (!sim::detail::Administrator()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::string resolved;
    if (!ResolveEnvironment(environment, &resolved)) {
        SetLastError(ERROR_INVALID_ENVIRONMENT);
        return FALSE;
    }
    if (!Present(driverName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto it = std::find_if(g_drivers.begin(), g_drivers.end(), [&](const sim::Driver& d) {
        return d.environment == resolved && sim::detail::EqualNoCase(d.name, driverName);
    });
    if (it == g_drivers.end()) {
        SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
        return FALSE;
    }
    if (g_driversInUse.count(Lower(driverName)) != 0 ||
        sim::detail::PrinterUsesDriver(driverName)) {
        SetLastError(ERROR_PRINTER_DRIVER_IN_USE);
        return FALSE;
    }
    g_drivers.erase(it);
    return TRUE;
}

BOOL EnumPrinterDriversA(LPSTR, LPSTR environment, DWORD level, LPBYTE buffer, DWORD bufferSize,
                         LPDWORD needed, LPDWORD returned) {
    std::string resolved;
    if (!ResolveEnvironment(environment, &resolved)) {
        SetLastError(ERROR_INVALID_ENVIRONMENT);
        return FALSE;
    }
    if (level != 2) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if (needed == nullptr || returned == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<const sim::Driver*> listed;
    size_t total = 0;
    for (auto& driver : g_drivers) {
        if (driver.environment != resolved)
            continue;
        listed.push_back(&driver);
        total += sim::detail::DriverInfo2Size(driver);
    }
    *returned = 0;
    if (!sim::detail::Fits(total, buffer, bufferSize, needed))
        return FALSE;
    // Records first, their strings packed from the end of the buffer, as the spooler lays them.
    auto* records = reinterpret_cast<DRIVER_INFO_2A*>(buffer);
    sim::detail::StringArea strings(buffer, bufferSize);
    for (size_t i = 0; i < listed.size(); ++i)
        sim::detail::FillDriverInfo2(*listed[i], &records[i], strings);
    *returned = static_cast<DWORD>(listed.size());
    return TRUE;
}
