#include "harness/test_machine.h"

#include <win32.h>

#include <kvx32.h>

namespace harness {

const std::vector<Release>& Releases() {
    static const std::vector<Release> releases = [] {
        std::vector<Release> list = {
            {"win31", 0, 3, 10, 0, false},  {"win95", 1, 4, 0, 2, false},
            {"win98", 1, 4, 10, 16, false}, {"winme", 1, 4, 90, 16, false},
            {"nt351", 2, 3, 51, 4, false},  {"nt40", 2, 4, 0, 8, false},
            {"win2k", 2, 5, 0, 8, false},   {"win10", 2, 6, 2, 8, false},
        };
        for (size_t i = 0, count = list.size(); i < count; ++i) {
            list.push_back(list[i]);
            list.back().process64bit = true;
        }
        return list;
    }();
    return releases;
}

bool Is64BitProcess() {
    SYSTEM_INFO system = {};
    GetSystemInfo(&system);
    return system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

namespace {

bool IsNT(int code) {
    return code == KVX_PLATFORM_NT3 || code == KVX_PLATFORM_NT4;
}

} // namespace

int DriverCode(int code) {
    return IsNT(code) && Is64BitProcess() ? KVX_PLATFORM_NT4 : code;
}

const char* DriverEnvironment(int code) {
    if (!IsNT(code))
        return "Windows 4.0";
    return Is64BitProcess() ? "Windows x64" : "Windows NT x86";
}

namespace {

// Deletes every local printer that uses one of our drivers.
void DeleteOurPrinters() {
    DWORD needed = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + sizeof(PRINTER_INFO_2A));
    if (!EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(),
                       static_cast<DWORD>(buffer.size()), &needed, &count))
        return;
    const auto* printers = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        std::string driver = printers[i].pDriverName ? printers[i].pDriverName : "";
        if (driver != "Printer KVX 5.0" && driver != "Printer KVX")
            continue;
        PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
        HANDLE printer = nullptr;
        if (OpenPrinterA(printers[i].pPrinterName, &printer, &defaults)) {
            DeletePrinter(printer);
            ClosePrinter(printer);
        }
    }
}

} // namespace

std::string SpoolerDriverDirectory() {
    char directory[1024] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(directory),
                                    sizeof directory, &needed))
        return {};
    return directory;
}

void PlaceDriverFiles(int code) {
    std::string directory = SpoolerDriverDirectory();
    if (directory.empty())
        return;
    kvx_driver_files files = kvx_driver_files_for(DriverCode(code));
    for (const char* file : {files.driver_file, files.data_file, files.config_file})
        PlaceFile(directory + file);
}

void Clean() {
    // Printers first: a driver a printer uses cannot be removed.
    DeleteOurPrinters();
    // Remove every name our driver may be registered under, in every environment.
    for (const char* environment : {"Windows NT x86", "Windows 4.0", "Windows x64"})
        for (const char* name : {"Printer KVX 5.0", "Printer KVX"})
            DeletePrinterDriverA(nullptr, const_cast<char*>(environment), const_cast<char*>(name));
}

} // namespace harness
