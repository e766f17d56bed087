#include "harness/sim_fixture.h"

#include <kvx32.h>

#include <cstring>
#include <string>

namespace {
using namespace harness;

class DriverNameTest : public SimTest {
protected:
    // A printer "P" whose driver has this data file.
    void PrinterWithDataFile(const std::string& dataFile) {
        sim::AddDriver({"Windows NT x86", "D", 0x400, "C:\\d\\D.DLL", dataFile, "C:\\d\\UI.DLL"});
        sim::Printer printer;
        printer.name = "P";
        printer.port = "LPT1:";
        printer.driver = "D";
        sim::AddPrinter(printer);
    }
};

TEST_F(DriverNameTest, BaseNameIsTheDataFileWithoutDirectoryAndLastExtension) {
    struct Case {
        const char* dataFile;
        const char* name;
    } cases[] = {
        {"C:\\windows\\system32\\spool\\drivers\\w32x86\\3\\KVX_50.PPD", "KVX_50"},
        {"C:\\windows\\system32\\spool\\drivers\\w32x86\\3\\KVX.DLL", "KVX"},
        {"C:\\windows\\system32\\spool\\drivers\\win40\\0\\KVX.DRV", "KVX"},
        {"C:\\d\\KVX.V2.PPD", "KVX.V2"},
        {"C:\\drivers\\X.Y\\KVXDATA", "X"}, // the only dot lies in a directory name
        {"C:\\d\\NOEXT", "NOEXT"},
        {"KVX_50.PPD", "KVX_50"}, // no directory at all
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dataFile);
        sim::Reset();
        PrinterWithDataFile(c.dataFile);
        char name[64];
        std::memset(name, '#', sizeof name);
        EXPECT_NE(GetPrinterDriverName("p", name, sizeof name), 0);
        EXPECT_STREQ(name, c.name);
        EXPECT_EQ(sim::OpenPrinterHandles(), 0u);
    }
}

TEST_F(DriverNameTest, OutputIsTerminatedWithinTheCapacity) {
    PrinterWithDataFile("C:\\d\\KVX_50.PPD");
    struct Case {
        uint32_t capacity;
        std::string bytes; // the first 12 bytes of the output afterwards
    } cases[] = {
        {0, "############"},
        {1, std::string("\0###########", 12)},
        {4, std::string("KVX\0########", 12)},
        {6, std::string("KVX_5\0######", 12)},
        {7, std::string("KVX_50\0#####", 12)},
        {10, std::string("KVX_50\0\0\0\0##", 12)}, // the rest of the capacity is NUL-filled
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.capacity);
        char name[12];
        std::memset(name, '#', sizeof name);
        EXPECT_NE(GetPrinterDriverName("P", name, c.capacity), 0);
        EXPECT_EQ(std::string(name, sizeof name), c.bytes);
    }
    EXPECT_NE(GetPrinterDriverName("P", nullptr, 12), 0); // no output: nothing written
}

TEST_F(DriverNameTest, UnopenablePrinterAnswersZeroUnreadableDriverAnswersNonZero) {
    struct Case {
        const char* what;
        bool printer, driver;
        const char* failing;
        bool opened;
    } cases[] = {
        {"no such printer", false, true, "AddPrinterA", false},
        {"spooler will not open", true, true, "OpenPrinterA", false},
        {"driver not installed", true, false, "AddPrinterA", true},
        {"driver query refused", true, true, "GetPrinterDriverA", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        if (c.driver)
            sim::AddDriver({"Windows NT x86", "D", 0x400, "x", "C:\\d\\KVX.DLL", "y"});
        if (c.printer) {
            sim::Printer printer;
            printer.name = "P";
            printer.driver = "D";
            sim::AddPrinter(printer);
        }
        ASSERT_TRUE(sim::FailCalls(c.failing, ERROR_ACCESS_DENIED));
        char name[16] = "stale";
        EXPECT_EQ(GetPrinterDriverName("P", name, sizeof name) != 0, c.opened);
        EXPECT_STREQ(name, "");
        EXPECT_EQ(sim::OpenPrinterHandles(), 0u);
    }
}

TEST_F(DriverNameTest, MemoryFailureLeavesTheOutputEmpty) {
    PrinterWithDataFile("C:\\d\\KVX_50.PPD");
    unsigned points = SweepMemoryFaults(
        [] {
            char name[16] = "stale";
            EXPECT_NE(GetPrinterDriverName("P", name, sizeof name), 0);
            EXPECT_STREQ(name, sim::FaultFired() ? "" : "KVX_50");
            EXPECT_EQ(sim::OpenPrinterHandles(), 0u);
        },
        [](bool) {});
    EXPECT_EQ(points, 1u);
}

} // namespace
