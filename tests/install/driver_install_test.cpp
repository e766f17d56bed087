#include "harness/sim_fixture.h"

#include <kvx32.h>

#include <string>

namespace {
using namespace harness;

struct InstallCase {
    const char* release;
    const char* environment;
    const char* installedName;
    const char* driverFile;
    const char* dataFile;
    const char* configFile;
    const char* removalName;
    WORD architecture = PROCESSOR_ARCHITECTURE_INTEL; // of the process
};

const InstallCase kPlatforms[] = {
    {"win95", "Windows 4.0", "Printer KVX 5.0", "\\KVX.DRV", "\\KVX.DRV", "\\KVX.DRV",
     "Printer KVX 5.0"},
    {"win98", "Windows 4.0", "Printer KVX 5.0", "\\KVX.DRV", "\\KVX.DRV", "\\KVX.DRV",
     "Printer KVX 5.0"},
    {"nt351", "Windows NT x86", "Printer KVX", "\\RASDD.DLL", "\\KVX.DLL", "\\RASDDUI.DLL",
     "Printer KVX"},
    {"nt40", "Windows NT x86", "Printer KVX 5.0", "\\KVX_50.DLL", "\\KVX_50.PPD", "\\KVX_50UI.DLL",
     "Printer KVX 5.0"},
    {"win2k", "Windows NT x86", "Printer KVX 5.0", "\\KVX_50.DLL", "\\KVX_50.PPD", "\\KVX_50UI.DLL",
     "Printer KVX 5.0"},
    // Neither family: the Windows 4.x files go in, but the removal names the NT 3 driver.
    {"win31", "Windows 4.0", "Printer KVX 5.0", "\\KVX.DRV", "\\KVX.DRV", "\\KVX.DRV",
     "Printer KVX"},
    // A 64-bit process on Windows NT: the NT 4 driver under "Windows x64", whatever
    // NT version runs; Windows 4.x releases as for a 32-bit process.
    {"nt351", "Windows x64", "Printer KVX 5.0", "\\KVX_50.DLL", "\\KVX_50.PPD", "\\KVX_50UI.DLL",
     "Printer KVX 5.0", PROCESSOR_ARCHITECTURE_AMD64},
    {"nt40", "Windows x64", "Printer KVX 5.0", "\\KVX_50.DLL", "\\KVX_50.PPD", "\\KVX_50UI.DLL",
     "Printer KVX 5.0", PROCESSOR_ARCHITECTURE_AMD64},
    {"win10", "Windows x64", "Printer KVX 5.0", "\\KVX_50.DLL", "\\KVX_50.PPD", "\\KVX_50UI.DLL",
     "Printer KVX 5.0", PROCESSOR_ARCHITECTURE_AMD64},
    {"win98", "Windows 4.0", "Printer KVX 5.0", "\\KVX.DRV", "\\KVX.DRV", "\\KVX.DRV",
     "Printer KVX 5.0", PROCESSOR_ARCHITECTURE_AMD64},
};

void PlaceFiles(const InstallCase& c) {
    std::string directory = sim::DriverDirectory(c.environment);
    for (const char* file : {c.driverFile, c.dataFile, c.configFile})
        sim::AddFile(directory + file);
}

// The driver Windows NT 4 registers, as the removal names it there.
const sim::Driver kNt4Driver = {"Windows NT x86", "Printer KVX 5.0", 0x400, "", "", ""};

using DriverInstallTest = SimTest;

TEST_F(DriverInstallTest, RegistersThePlatformsFileSetAndRemovesByThePlatformsRemovalName) {
    for (const InstallCase& c : kPlatforms) {
        SCOPED_TRACE(std::string(c.release) + " architecture " + std::to_string(c.architecture));
        sim::Reset();
        ASSERT_TRUE(sim::SetWindowsVersion(c.release));
        sim::SetProcessArchitecture(c.architecture);
        PlaceFiles(c);
        EXPECT_EQ(InstallThermalPrinterDriver(), 1);
        auto drivers = sim::Drivers();
        ASSERT_EQ(drivers.size(), 1u);
        std::string directory = sim::DriverDirectory(c.environment);
        EXPECT_EQ(drivers[0].environment, c.environment);
        EXPECT_EQ(drivers[0].name, c.installedName);
        EXPECT_EQ(drivers[0].version, 0x400u);
        EXPECT_EQ(drivers[0].driverPath, directory + c.driverFile);
        EXPECT_EQ(drivers[0].dataFile, directory + c.dataFile);
        EXPECT_EQ(drivers[0].configFile, directory + c.configFile);

        sim::AddDriver({c.environment, c.removalName, 0x400, "", "", ""});
        size_t before = sim::Drivers().size();
        EXPECT_EQ(DesInstallThermalPrinterDriver(), 0);
        EXPECT_EQ(sim::Drivers().size(), before - 1);
        if (std::string(c.removalName) != c.installedName) {
            ASSERT_EQ(sim::Drivers().size(), 1u);
            EXPECT_EQ(sim::Drivers()[0].name, c.installedName); // the installed one stays
        }
    }
}

TEST_F(DriverInstallTest, RefusalReturnsZeroAndClearsTheLastError) {
    struct Case {
        const char* what;
        void (*arrange)();
    } cases[] = {
        {"driver files missing", [] {}},
        {"directory query refused",
         [] { ASSERT_TRUE(sim::FailCalls("GetPrinterDriverDirectoryA", ERROR_ACCESS_DENIED)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        c.arrange();
        SetLastError(12345);
        EXPECT_EQ(InstallThermalPrinterDriver(), 0);
        EXPECT_EQ(GetLastError(), 0u);
        EXPECT_TRUE(sim::Drivers().empty());
    }
}

TEST_F(DriverInstallTest, DirectoryLongerThanTheFirstRequestAllowsStillGivesWholePaths) {
    for (size_t length : {239u, 240u, 241u, 300u, 1000u}) {
        SCOPED_TRACE(length);
        sim::Reset();
        std::string directory = "C:\\" + std::string(length - 3, 'd');
        sim::SetDriverDirectory("Windows NT x86", directory);
        PlaceFiles(kPlatforms[3]);
        EXPECT_EQ(InstallThermalPrinterDriver(), 1);
        ASSERT_EQ(sim::Drivers().size(), 1u);
        EXPECT_EQ(sim::Drivers()[0].configFile, directory + "\\KVX_50UI.DLL");
    }
}

TEST_F(DriverInstallTest, RemovalPassesTheSpoolersErrorCodeOn) {
    struct Case {
        const char* what;
        void (*arrange)();
        int32_t result;
    } cases[] = {
        {"removed", [] { sim::AddDriver(kNt4Driver); }, 0},
        {"no such driver", [] {}, ERROR_UNKNOWN_PRINTER_DRIVER},
        {"driver in use",
         [] {
             sim::AddDriver(kNt4Driver);
             sim::SetDriverInUse(kNt4Driver.name, true);
         },
         ERROR_PRINTER_DRIVER_IN_USE},
        // A refusal never reads as success, even when the spooler leaves no error code.
        {"refused without an error code",
         [] {
             sim::AddDriver(kNt4Driver);
             ASSERT_TRUE(sim::FailCalls("DeletePrinterDriverA", 0)); // fails without a code
         },
         ERROR_GEN_FAILURE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        c.arrange();
        size_t drivers = sim::Drivers().size();
        EXPECT_EQ(DesInstallThermalPrinterDriver(), c.result);
        EXPECT_EQ(sim::Drivers().size(), c.result == 0 ? drivers - 1 : drivers);
    }
}

TEST_F(DriverInstallTest, EveryMemoryFailureRefusesCleanly) {
    sim::SetDriverDirectory("Windows NT x86", "C:\\" + std::string(400, 'x'));
    PlaceFiles(kPlatforms[3]);
    unsigned points = SweepMemoryFaults(
        [] {
            sim::ResetPlatformCalls();
            int32_t result = InstallThermalPrinterDriver();
            EXPECT_EQ(result == 1, !sim::FaultFired());
            EXPECT_EQ(sim::Drivers().size(), result == 1 ? 1u : 0u);
            // A path that could not be had is never handed to the spooler as a null.
            EXPECT_EQ(sim::PlatformCalls()["AddPrinterDriverA"], result == 1 ? 1u : 0u);
        },
        [](bool) {});
    EXPECT_GE(points, 5u); // two directory buffers and three path buffers
}

} // namespace
