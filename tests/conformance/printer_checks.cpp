// Printer creation and the driver-name query, checked against whatever
// platform the test runs on.
#include "conformance/test_machine.h"

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
        const char* printer;
        const char* driverName; // what GetPrinterDriverName reports
    };
    static const Expected expected[] = {
        {"nt40", "KVX_50 LPT1:", "KVX_50"}, {"win2k", "KVX_50 LPT1:", "KVX_50"},
        {"nt351", "KVX LPT1:", "KVX"},      {"win95", "KVX_50 LPT1:", "KVX"},
        {"win98", "KVX_50 LPT1:", "KVX"},
    };
    machine::ForEachRelease(
        [](const machine::Release& release) {
            const Expected* e = nullptr;
            for (const Expected& candidate : expected)
                if (std::string(candidate.release) == release.name)
                    e = &candidate;
            ASSERT_NE(e, nullptr);
            machine::Clean();
            machine::PlaceDriverFiles(release.code);

            EXPECT_EQ(InstallThermalPrinter("LPT1:"), 1);
            std::vector<BYTE> record = PrinterRecord(e->printer);
            ASSERT_FALSE(record.empty()) << e->printer << " cannot be read";
            const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(record.data());
            EXPECT_STREQ(info->pDriverName, kvx_driver_files_for(release.code).driver_name);
            EXPECT_STREQ(info->pPortName, "LPT1:");

            char name[32];
            std::memset(name, '#', sizeof name);
            EXPECT_NE(GetPrinterDriverName(e->printer, name, sizeof name), 0);
            EXPECT_STREQ(name, e->driverName);
            machine::Clean();
        },
        // A 64-bit process (the stand-in build under wine64) sees the NT spooler's
        // "Windows x64" environment, where the 32-bit product's "Windows NT x86"
        // driver cannot serve a printer: there only the Windows 4.x releases apply.
        sizeof(void*) == 4
            ? std::initializer_list<const char*>{"nt40", "win2k", "nt351", "win95", "win98"}
            : std::initializer_list<const char*>{"win95", "win98"});
}

TEST(DriverNameCheck, UnknownPrinterAnswersZeroAndAnEmptyName) {
    machine::ForEachRelease([](const machine::Release&) {
        char name[32] = "stale";
        EXPECT_EQ(GetPrinterDriverName("KVX no such printer", name, sizeof name), 0);
        EXPECT_STREQ(name, "");
    });
}

} // namespace
