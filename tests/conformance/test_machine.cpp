#include "conformance/test_machine.h"

#include <win32.h>

#include <kvx32.h>

namespace machine {

const std::vector<Release>& Releases() {
    static const std::vector<Release> releases = {
        {"win31", 0, 3, 10, 0},  {"win95", 1, 4, 0, 2},  {"win98", 1, 4, 10, 16},
        {"winme", 1, 4, 90, 16}, {"nt351", 2, 3, 51, 4}, {"nt40", 2, 4, 0, 8},
        {"win2k", 2, 5, 0, 8},   {"win10", 2, 6, 2, 8},
    };
    return releases;
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
    kvx_driver_files files = kvx_driver_files_for(code);
    for (const char* file : {files.driver_file, files.data_file, files.config_file})
        PlaceFile(directory + file);
}

void Clean() {
    // Printers first: a driver a printer uses cannot be removed.
    DeleteOurPrinters();
    // Remove every name our driver may be registered under, in both environments.
    for (const char* environment : {"Windows NT x86", "Windows 4.0"})
        for (const char* name : {"Printer KVX 5.0", "Printer KVX"})
            DeletePrinterDriverA(nullptr, const_cast<char*>(environment), const_cast<char*>(name));
}

} // namespace machine
