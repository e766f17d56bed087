#include "harness/sim_fixture.h"

#include "frame/platform_id.h"

#include <cstring>

namespace {
using namespace harness;

struct VersionCase {
    DWORD platformId, major, minor;
    int16_t code;
    const char* environment;
    const char* environment64bit; // for a 64-bit process
    int16_t driverCode64bit;      // the driver row a 64-bit process registers
};

const VersionCase kVersions[] = {
    {VER_PLATFORM_WIN32s, 3, 10, KVX_PLATFORM_OTHER, "Windows 4.0", "Windows 4.0",
     KVX_PLATFORM_OTHER},
    {VER_PLATFORM_WIN32_WINDOWS, 4, 0, KVX_PLATFORM_WIN95, "Windows 4.0", "Windows 4.0",
     KVX_PLATFORM_WIN95},
    {VER_PLATFORM_WIN32_WINDOWS, 4, 10, KVX_PLATFORM_WIN98, "Windows 4.0", "Windows 4.0",
     KVX_PLATFORM_WIN98},
    {VER_PLATFORM_WIN32_WINDOWS, 4, 90, KVX_PLATFORM_WIN98, "Windows 4.0", "Windows 4.0",
     KVX_PLATFORM_WIN98},
    {VER_PLATFORM_WIN32_NT, 3, 10, KVX_PLATFORM_NT3, "Windows NT x86", "Windows x64",
     KVX_PLATFORM_NT4},
    {VER_PLATFORM_WIN32_NT, 3, 51, KVX_PLATFORM_NT3, "Windows NT x86", "Windows x64",
     KVX_PLATFORM_NT4},
    {VER_PLATFORM_WIN32_NT, 3, 52, KVX_PLATFORM_NT4, "Windows NT x86", "Windows x64",
     KVX_PLATFORM_NT4},
    {VER_PLATFORM_WIN32_NT, 4, 0, KVX_PLATFORM_NT4, "Windows NT x86", "Windows x64",
     KVX_PLATFORM_NT4},
    {VER_PLATFORM_WIN32_NT, 5, 0, KVX_PLATFORM_NT4, "Windows NT x86", "Windows x64",
     KVX_PLATFORM_NT4},
    {VER_PLATFORM_WIN32_NT, 10, 0, KVX_PLATFORM_NT4, "Windows NT x86", "Windows x64",
     KVX_PLATFORM_NT4},
    // Unknown identifiers give code 0 with the true numbers; only the low 16 bits travel.
    {3, 0x12345, 0x10007, KVX_PLATFORM_OTHER, "Windows 4.0", "Windows 4.0", KVX_PLATFORM_OTHER},
};

using PlatformIdTest = SimTest;

TEST_F(PlatformIdTest, CodeAndVersionOutputsFollowTheSystemVersion) {
    for (const VersionCase& c : kVersions) {
        SCOPED_TRACE(testing::Message()
                     << "id " << c.platformId << " " << c.major << "." << c.minor);
        sim::SetVersion(c.platformId, c.major, c.minor, 1381);
        int16_t code = -1, major = -1, minor = -1, id = -1;
        EXPECT_EQ(GetPlatformFrom32(&code, &major, &minor, &id), 0);
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(major, static_cast<int16_t>(c.major & 0xFFFF));
        EXPECT_EQ(minor, static_cast<int16_t>(c.minor & 0xFFFF));
        EXPECT_EQ(id, static_cast<int16_t>(c.platformId)); // never the build number
        EXPECT_STREQ(GetPrinterEnvironment(), c.environment);
        EXPECT_EQ(DriverPlatform(), c.code);

        // A 64-bit process learns the same platform; on NT its spooler keeps the
        // drivers under "Windows x64", and it registers the Windows NT 4 one.
        sim::SetProcessArchitecture(PROCESSOR_ARCHITECTURE_AMD64);
        EXPECT_EQ(GetPlatformFrom32(&code, &major, &minor, &id), 0);
        EXPECT_EQ(code, c.code);
        EXPECT_STREQ(GetPrinterEnvironment(), c.environment64bit);
        EXPECT_EQ(DriverPlatform(), c.driverCode64bit);
        sim::SetProcessArchitecture(PROCESSOR_ARCHITECTURE_INTEL);
    }
}

TEST_F(PlatformIdTest, FailedQueryReportsZeroEverywhere) {
    ASSERT_TRUE(sim::FailCalls("GetVersionExA", ERROR_INSUFFICIENT_BUFFER));
    int16_t code = -1, major = -1, minor = -1, id = -1;
    EXPECT_EQ(GetPlatformFrom32(&code, &major, &minor, &id), 0);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(major, 0);
    EXPECT_EQ(minor, 0);
    EXPECT_EQ(id, 0);
    EXPECT_STREQ(GetPrinterEnvironment(), "Windows 4.0");
}

TEST_F(PlatformIdTest, NullOutputsAreSkippedAndTheOthersStillWritten) {
    int16_t minor = -1;
    EXPECT_EQ(GetPlatformFrom32(nullptr, nullptr, &minor, nullptr), 0);
    EXPECT_EQ(minor, 0); // NT 4.0
    EXPECT_EQ(GetPlatformFrom32(nullptr, nullptr, nullptr, nullptr), 0);
}

TEST_F(PlatformIdTest, HoldsNoMemoryBetweenOrDuringCalls) {
    unsigned points = SweepMemoryFaults(
        [] {
            int16_t code = 0, major = 0, minor = 0, id = 0;
            GetPlatformFrom32(&code, &major, &minor, &id);
            EXPECT_EQ(code, KVX_PLATFORM_NT4); // nothing it needs can fail
        },
        [](bool) {});
    EXPECT_EQ(points, 0u);
}

} // namespace
