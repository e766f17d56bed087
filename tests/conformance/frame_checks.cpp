// Behaviour of platform identification, the driver directory and the driver
// installation, checked against whatever platform the test runs on.
#include "conformance/test_machine.h"

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

TEST(PlatformCheck, CodeAndVersionNumbersMatchTheSystemsVersionQuery) {
    machine::ForEachRelease([](const machine::Release& release) {
        OSVERSIONINFOA system = {};
        system.dwOSVersionInfoSize = sizeof system;
        ASSERT_TRUE(GetVersionExA(&system));
        EXPECT_EQ(system.dwPlatformId, release.platformId);
        EXPECT_EQ(system.dwMajorVersion, release.major);
        EXPECT_EQ(system.dwMinorVersion, release.minor);

        int16_t code = -1, major = -1, minor = -1, id = -1;
        EXPECT_EQ(GetPlatformFrom32(&code, &major, &minor, &id), 0);
        EXPECT_EQ(code, release.code);
        EXPECT_EQ(major, static_cast<int16_t>(system.dwMajorVersion));
        EXPECT_EQ(minor, static_cast<int16_t>(system.dwMinorVersion));
        EXPECT_EQ(id, static_cast<int16_t>(system.dwPlatformId));
    });
}

TEST(DriverDirCheck, ReportsTheSpoolersDirectoryThroughTheTwoCallProtocol) {
    machine::ForEachRelease([](const machine::Release&) {
        std::string expected = machine::SpoolerDriverDirectory();
        uint32_t expectedLength = static_cast<uint32_t>(expected.size());
        ASSERT_GT(expectedLength, 0u);

        uint32_t length = 12345;
        uint32_t* lengthRef = &length;
        EXPECT_EQ(GetPrinterDriverDir(nullptr, &lengthRef), 0u); // no buffer: report the length
        EXPECT_EQ(length, expectedLength);

        std::vector<char> buffer(expectedLength + 8, '#');
        length = expectedLength; // one byte short of the terminator
        EXPECT_EQ(GetPrinterDriverDir(buffer.data(), &lengthRef), 0u);
        EXPECT_EQ(length, expectedLength);
        EXPECT_EQ(buffer[0], '\0');
        EXPECT_EQ(buffer[1], '#');

        length = expectedLength + 1;
        EXPECT_EQ(GetPrinterDriverDir(buffer.data(), &lengthRef), expectedLength + 1);
        EXPECT_EQ(std::string(buffer.data()), expected);
        EXPECT_EQ(buffer[expectedLength + 1], '#');
        EXPECT_EQ(length, expectedLength + 1); // untouched when the copy was made

        uint32_t* nullLength = nullptr;
        EXPECT_EQ(GetPrinterDriverDir(buffer.data(), &nullLength), 0u);
        EXPECT_EQ(GetPrinterDriverDir(buffer.data(), nullptr), 0u);
    });
}

TEST(DriverInstallCheck, InstalledDriverIsListedByTheSpoolerAndRemovedOnce) {
    machine::ForEachRelease([](const machine::Release& release) {
        machine::Clean();
        int driverCode = machine::DriverCode(release.code);
        kvx_driver_files files = kvx_driver_files_for(driverCode);
        machine::PlaceDriverFiles(release.code);

        EXPECT_EQ(InstallThermalPrinterDriver(), 1);

        char environment[32];
        std::strcpy(environment, machine::DriverEnvironment(release.code));
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
        std::string directory = machine::SpoolerDriverDirectory();
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
        machine::Clean();
    });
}

} // namespace
