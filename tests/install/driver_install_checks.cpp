// Driver installation and removal, checked against whatever platform the test
// runs on.
#include "harness/test_machine.h"

#include <win32.h>

#include <gtest/gtest.h>
#include <kvx32.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string FileNameOf(const std::string& path) {
    return path.substr(path.find_last_of('\\'));
}

TEST(DriverInstallCheck, InstalledDriverIsListedByTheSpoolerAndRemovedOnce) {
    harness::ForEachRelease([](const harness::Release& release) {
        harness::Clean();
        int driverCode = harness::DriverCode(release.code);
        kvx_driver_files files = kvx_driver_files_for(driverCode);
        harness::PlaceDriverFiles(release.code);

        EXPECT_EQ(InstallThermalPrinterDriver(), 1);

        char environment[32];
        std::strcpy(environment, harness::DriverEnvironment(release.code));
        DWORD needed = 0, returned = 0;
        EnumPrinterDriversA(nullptr, environment, 2, nullptr, 0, &needed, &returned);
        std::vector<BYTE> list(needed + 1);
        ASSERT_TRUE(
            EnumPrinterDriversA(nullptr, environment, 2, list.data(), needed, &needed, &returned));
        const auto* drivers = reinterpret_cast<const DRIVER_INFO_2A*>(list.data());
        const DRIVER_INFO_2A* ours = nullptr;
        for (DWORD i = 0; i < returned; ++i)
            if (std::string(drivers[i].pName) == files.driver_name)
                ours = &drivers[i];
        ASSERT_NE(ours, nullptr) << files.driver_name << " not listed under " << environment;
        // The spooler may move the files into a version subfolder of the directory
        // GetPrinterDriverDir reports; the names stay.
        std::string directory = harness::SpoolerDriverDirectory();
        for (const char* path : {ours->pDriverPath, ours->pDataFile, ours->pConfigFile})
            EXPECT_EQ(std::string(path).compare(0, directory.size(), directory), 0) << path;
        EXPECT_EQ(FileNameOf(ours->pDriverPath), files.driver_file);
        EXPECT_EQ(FileNameOf(ours->pDataFile), files.data_file);
        EXPECT_EQ(FileNameOf(ours->pConfigFile), files.config_file);

        // Removal asks for "Printer KVX" outside the Windows 95/98/NT 4 codes, so on
        // those it finds nothing to remove.
        bool removesInstalled = driverCode == KVX_PLATFORM_WIN95 ||
                                driverCode == KVX_PLATFORM_WIN98 ||
                                driverCode == KVX_PLATFORM_NT4 || driverCode == KVX_PLATFORM_NT3;
        if (removesInstalled) {
            EXPECT_EQ(DesInstallThermalPrinterDriver(), 0);
        }
        // Nothing left to remove: the spooler's own error code comes back unchanged.
        int32_t refusal = DesInstallThermalPrinterDriver();
        char removalName[32];
        std::strcpy(removalName, removesInstalled ? files.driver_name : "Printer KVX");
        EXPECT_FALSE(DeletePrinterDriverA(nullptr, environment, removalName));
        EXPECT_EQ(refusal, static_cast<int32_t>(GetLastError()));
        EXPECT_NE(refusal, 0);
        harness::Clean();
    });
}

} // namespace
