// Platform identification, checked against whatever platform the test runs on.
#include "harness/test_machine.h"

#include <win32.h>

#include <gtest/gtest.h>
#include <kvx32.h>

namespace {

TEST(PlatformCheck, CodeAndVersionNumbersMatchTheSystemsVersionQuery) {
    harness::ForEachRelease([](const harness::Release& release) {
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

} // namespace
