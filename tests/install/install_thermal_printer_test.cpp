#include "harness/sim_fixture.h"

#include "harness/driver_files.h"

#include <kvx32.h>

#include <string>

namespace {
using namespace harness;

const std::string k24 = "ABCDEFGHIJKLMNOPQRSTUVWX"; // fills a cut name exactly
const std::string k25 = k24 + "Y";

using PrinterInstallTest = SimTest;

TEST_F(PrinterInstallTest, PrinterNameFollowsThePlatformsForm) {
    struct Case {
        const char* release;
        std::string port;
        std::string name; // as the spooler is asked for it
        const char* driver;
        int32_t result; // NT refuses a printer name holding a backslash
        WORD architecture = PROCESSOR_ARCHITECTURE_INTEL; // of the process
    } cases[] = {
        {"win95", "LPT1:", "KVX_50 LPT1:", "Printer KVX 5.0", 1},
        {"win98", "LPT1:", "KVX_50 LPT1:", "Printer KVX 5.0", 1},
        {"win31", "LPT1:", "KVX_50 LPT1:", "Printer KVX 5.0", 1},
        {"nt351", "LPT1:", "KVX LPT1:", "Printer KVX", 1},
        {"nt40", "LPT1:", "KVX_50 LPT1:", "Printer KVX 5.0", 1},
        {"win2k", "LPT1:", "KVX_50 LPT1:", "Printer KVX 5.0", 1},
        {"win95", "\\\\srv\\lbl", "KVX_50 //srv/lbl", "Printer KVX 5.0", 1},
        {"win98", "\\\\srv\\lbl", "KVX_50 //srv/lbl", "Printer KVX 5.0", 1},
        {"win31", "\\\\srv\\lbl", "KVX_50 //srv/lbl", "Printer KVX 5.0", 1},
        {"nt40", "\\\\srv\\lbl", "KVX_50 \\\\srv\\lbl", "Printer KVX 5.0", 0},
        {"nt351", "\\\\srv\\lbl", "KVX \\\\srv\\lbl", "Printer KVX", 0},
        {"win95", k24, "KVX_50 " + k24, "Printer KVX 5.0", 1},
        {"win95", k25, "KVX_50 " + k24, "Printer KVX 5.0", 1},
        {"win98", "\\\\server\\" + k24, "KVX_50 //server/ABCDEFGHIJKLMNO", "Printer KVX 5.0", 1},
        {"nt40", k25, "KVX_50 " + k25, "Printer KVX 5.0", 1},
        {"nt351", k24 + k24, "KVX " + k24 + k24, "Printer KVX", 1},
        {"win95", "", "KVX_50 ", "Printer KVX 5.0", 0}, // no such port
        {"nt351", "", "KVX ", "Printer KVX", 0},
        // A 64-bit process on Windows NT names the printer after the NT 4 driver it
        // registers, whatever NT version runs.
        {"nt351", "LPT1:", "KVX_50 LPT1:", "Printer KVX 5.0", 1, PROCESSOR_ARCHITECTURE_AMD64},
        {"win10", "LPT1:", "KVX_50 LPT1:", "Printer KVX 5.0", 1, PROCESSOR_ARCHITECTURE_AMD64},
        {"nt351", k25, "KVX_50 " + k25, "Printer KVX 5.0", 1, PROCESSOR_ARCHITECTURE_AMD64},
        {"win98", "\\\\srv\\lbl", "KVX_50 //srv/lbl", "Printer KVX 5.0", 1,
         PROCESSOR_ARCHITECTURE_AMD64},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.release) + " " + c.port + " architecture " +
                     std::to_string(c.architecture));
        sim::Reset();
        ASSERT_TRUE(sim::SetWindowsVersion(c.release));
        sim::SetProcessArchitecture(c.architecture);
        harness::PlaceDriverFiles();
        sim::SetPorts({"LPT1:", "\\\\srv\\lbl", "\\\\server\\" + k24, k24, k25, k24 + k24});
        EXPECT_EQ(InstallThermalPrinter(c.port.c_str()), c.result);
        auto requests = sim::PrinterRequests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].name, c.name);
        EXPECT_EQ(requests[0].port, c.port); // passed on unchanged
        EXPECT_EQ(requests[0].driver, c.driver);
        EXPECT_EQ(sim::Printers().size(), c.result == 1 ? 1u : 0u);
        EXPECT_EQ(sim::OpenPrinterHandles(), 0u);
    }
}

TEST_F(PrinterInstallTest, PrinterIsLocalRawAndUnshared) {
    harness::PlaceDriverFiles();
    ASSERT_EQ(InstallThermalPrinter("LPT1:"), 1);
    ASSERT_EQ(sim::Printers().size(), 1u);
    const sim::Printer p = sim::Printers()[0];
    EXPECT_EQ(p.printProcessor, "winprint");
    EXPECT_EQ(p.datatype, "RAW");
    EXPECT_EQ(p.attributes, DWORD{PRINTER_ATTRIBUTE_LOCAL});
    EXPECT_EQ(p.priority, 1u);
    EXPECT_EQ(p.defaultPriority + p.startTime + p.untilTime, 0u);
    EXPECT_EQ(p.shareName + p.comment + p.location + p.sepFile + p.parameters, "");
    EXPECT_FALSE(p.devMode);
    EXPECT_FALSE(p.securityDescriptor);
}

TEST_F(PrinterInstallTest, PortNamesTheBufferCannotHoldAreRefusedBeforeTheSpooler) {
    struct Case {
        const char* release;
        size_t portLength;
        bool reachesSpooler; // the name, prefix and terminator fit 512 bytes
    } cases[] = {
        {"nt40", 504, true},   {"nt40", 505, false}, {"nt40", 100000, false}, {"nt351", 507, true},
        {"nt351", 508, false}, {"win95", 504, true}, {"win95", 505, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.release) + " " + std::to_string(c.portLength));
        sim::Reset();
        ASSERT_TRUE(sim::SetWindowsVersion(c.release));
        harness::PlaceDriverFiles(); // the driver goes in: only the printer's refusal clears
        std::string port(c.portLength, 'p');
        SetLastError(1234);
        EXPECT_EQ(InstallThermalPrinter(port.c_str()), 0); // unknown port at best
        EXPECT_EQ(GetLastError(), 0u);
        auto requests = sim::PrinterRequests();
        ASSERT_EQ(requests.size(), c.reachesSpooler ? 1u : 0u);
        if (c.reachesSpooler && std::string(c.release) != "win95") {
            EXPECT_EQ(requests[0].name.size(), 511u);
        }
    }
    SetLastError(1234);
    EXPECT_EQ(InstallThermalPrinter(nullptr), 0);
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_TRUE(sim::PrinterRequests().empty());
}

TEST_F(PrinterInstallTest, RefusalReturnsZeroClearsTheLastErrorAndLeavesNoHandle) {
    struct Case {
        const char* what;
        void (*arrange)();
    } cases[] = {
        {"name taken",
         [] {
             harness::PlaceDriverFiles();
             InstallThermalPrinter("LPT1:");
         }},
        {"unknown port", [] { sim::SetPorts({"COM1:"}); }},
        {"driver files missing", [] {}},
        {"spooler fails",
         [] {
             harness::PlaceDriverFiles();
             ASSERT_TRUE(sim::FailCalls("AddPrinterA", ERROR_ACCESS_DENIED));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        c.arrange();
        size_t printers = sim::Printers().size();
        SetLastError(1234);
        EXPECT_EQ(InstallThermalPrinter("LPT1:"), 0);
        EXPECT_EQ(GetLastError(), 0u);
        EXPECT_EQ(sim::Printers().size(), printers);
        EXPECT_EQ(sim::OpenPrinterHandles(), 0u);
    }
}

TEST_F(PrinterInstallTest, MemoryFailuresInTheDriverInstallationRefuseThePrinterCleanly) {
    harness::PlaceDriverFiles();
    unsigned points = SweepMemoryFaults(
        [] {
            int32_t result = InstallThermalPrinter("LPT1:");
            EXPECT_EQ(result == 1, !sim::FaultFired());
            EXPECT_EQ(sim::Printers().size(), result == 1 ? 1u : 0u);
            EXPECT_EQ(sim::OpenPrinterHandles(), 0u);
        },
        [](bool) {
            // The next run starts with neither the printer nor the driver.
            HANDLE printer = nullptr;
            if (OpenPrinterA(const_cast<char*>("KVX_50 LPT1:"), &printer, nullptr)) {
                DeletePrinter(printer);
                ClosePrinter(printer);
            }
            DeletePrinterDriverA(nullptr, nullptr, const_cast<char*>("Printer KVX 5.0"));
        });
    EXPECT_GE(points, 4u); // the directory buffer and three path buffers
}

} // namespace
