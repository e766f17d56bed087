#include "harness/sim_fixture.h"

#include <kvx32.h>

#include <cstring>
#include <string>

namespace {
using namespace harness;

using DriverDirTest = SimTest;

TEST_F(DriverDirTest, RefusedDirectoryQueryReportsLengthZero) {
    ASSERT_TRUE(sim::FailCalls("GetPrinterDriverDirectoryA", ERROR_ACCESS_DENIED));
    char buffer[300];
    std::memset(buffer, '#', sizeof buffer);
    uint32_t length = sizeof buffer;
    uint32_t* lengthRef = &length;
    EXPECT_EQ(GetPrinterDriverDir(buffer, &lengthRef), 0u);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(buffer[0], '\0');
}

TEST_F(DriverDirTest, NullAtEitherLevelOfTheLengthWritesNothing) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetPrinterDriverDir(buffer, nullptr), 0u);
    uint32_t* nullLength = nullptr;
    EXPECT_EQ(GetPrinterDriverDir(buffer, &nullLength), 0u);
    EXPECT_EQ(GetPrinterDriverDir(nullptr, nullptr), 0u);
    EXPECT_EQ(std::string(buffer, 8), "########");
}

TEST_F(DriverDirTest, ZeroCapacityBufferIsNotTouched) {
    char guard = '#';
    uint32_t length = 0;
    uint32_t* lengthRef = &length;
    EXPECT_EQ(GetPrinterDriverDir(&guard, &lengthRef), 0u);
    EXPECT_EQ(guard, '#');
    EXPECT_EQ(length, std::strlen("C:\\windows\\system32\\spool\\drivers\\w32x86"));
}

TEST_F(DriverDirTest, LongDirectoryIsFetchedWhole) {
    std::string directory = "C:\\" + std::string(600, 'L');
    sim::SetDriverDirectory("Windows NT x86", directory);
    std::string buffer(700, '#');
    uint32_t length = static_cast<uint32_t>(buffer.size());
    uint32_t* lengthRef = &length;
    EXPECT_EQ(GetPrinterDriverDir(&buffer[0], &lengthRef), directory.size() + 1);
    EXPECT_EQ(std::string(buffer.c_str()), directory);
}

TEST_F(DriverDirTest, MemoryFailuresReportNoDirectoryAndLeakNothing) {
    sim::SetDriverDirectory("Windows NT x86", "C:\\" + std::string(400, 'x'));
    unsigned points = SweepMemoryFaults(
        [] {
            char buffer[500] = {};
            uint32_t length = sizeof buffer;
            uint32_t* lengthRef = &length;
            uint32_t written = GetPrinterDriverDir(buffer, &lengthRef);
            EXPECT_EQ(written == 404u, !sim::FaultFired());
            if (written == 0) {
                EXPECT_EQ(length, 0u);
            }
        },
        [](bool) {});
    EXPECT_EQ(points, 2u);
}

} // namespace
