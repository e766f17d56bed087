// Printer creation on a port, checked against whatever platform the test runs on.
#include "harness/test_machine.h"

#include <win32.h>

#include <gtest/gtest.h>
#include <kvx32.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// The printer's level-2 record as the spooler gives it.
std::vector<BYTE> PrinterRecord(const std::string& name) {
    HANDLE printer = nullptr;
    if (!OpenPrinterA(const_cast<char*>(name.c_str()), &printer, nullptr))
        return {};
    DWORD needed = 0;
    GetPrinterA(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> record(needed + sizeof(PRINTER_INFO_2A));
    if (!GetPrinterA(printer, 2, record.data(), static_cast<DWORD>(record.size()), &needed))
        record.clear();
    ClosePrinter(printer);
    return record;
}

TEST(PrinterInstallCheck, PrinterOnLpt1HasThePlatformsNameAndDriver) {
    struct Expected {
        const char* release;
        bool process64bit;
        const char* printer;
        const char* driverName; // what GetPrinterDriverName reports
    };
    // A 64-bit process on Windows NT registers the Windows NT 4 driver under
    // "Windows x64", the one environment its spooler serves printers from.
    static const Expected expected[] = {
        {"nt40", false, "KVX_50 LPT1:", "KVX_50"}, {"win2k", false, "KVX_50 LPT1:", "KVX_50"},
        {"nt351", false, "KVX LPT1:", "KVX"},      {"win95", false, "KVX_50 LPT1:", "KVX"},
        {"win98", false, "KVX_50 LPT1:", "KVX"},   {"win10", false, "KVX_50 LPT1:", "KVX_50"},
        {"nt40", true, "KVX_50 LPT1:", "KVX_50"},  {"win2k", true, "KVX_50 LPT1:", "KVX_50"},
        {"nt351", true, "KVX_50 LPT1:", "KVX_50"}, {"win95", true, "KVX_50 LPT1:", "KVX"},
        {"win98", true, "KVX_50 LPT1:", "KVX"},    {"win10", true, "KVX_50 LPT1:", "KVX_50"},
    };
    harness::ForEachRelease(
        [](const harness::Release& release) {
            const Expected* e = nullptr;
            for (const Expected& candidate : expected)
                if (std::string(candidate.release) == release.name &&
                    candidate.process64bit == release.process64bit)
                    e = &candidate;
            ASSERT_NE(e, nullptr);
            harness::Clean();
            harness::PlaceDriverFiles(release.code);

            EXPECT_EQ(InstallThermalPrinter("LPT1:"), 1);
            std::vector<BYTE> record = PrinterRecord(e->printer);
            ASSERT_FALSE(record.empty()) << e->printer << " cannot be read";
            const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(record.data());
            EXPECT_STREQ(info->pDriverName,
                         kvx_driver_files_for(harness::DriverCode(release.code)).driver_name);
            EXPECT_STREQ(info->pPortName, "LPT1:");

            char name[32];
            std::memset(name, '#', sizeof name);
            EXPECT_NE(GetPrinterDriverName(e->printer, name, sizeof name), 0);
            EXPECT_STREQ(name, e->driverName);
            harness::Clean();
        },
        {"nt40", "win2k", "nt351", "win95", "win98", "win10"});
}

} // namespace
