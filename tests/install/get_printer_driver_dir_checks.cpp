// The spooler's driver directory through the two-call protocol, checked against
// whatever platform the test runs on.
#include "harness/test_machine.h"

#include <win32.h>

#include <gtest/gtest.h>
#include <kvx32.h>

#include <string>
#include <vector>

namespace {

TEST(DriverDirCheck, ReportsTheSpoolersDirectoryThroughTheTwoCallProtocol) {
    harness::ForEachRelease([](const harness::Release&) {
        std::string expected = harness::SpoolerDriverDirectory();
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

} // namespace
