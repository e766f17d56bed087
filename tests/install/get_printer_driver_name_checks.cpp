// The driver-name query, checked against whatever platform the test runs on.
#include "harness/test_machine.h"

#include <win32.h>

#include <gtest/gtest.h>
#include <kvx32.h>

namespace {

TEST(DriverNameCheck, UnknownPrinterAnswersZeroAndAnEmptyName) {
    harness::ForEachRelease([](const harness::Release&) {
        char name[32] = "stale";
        EXPECT_EQ(GetPrinterDriverName("KVX no such printer", name, sizeof name), 0);
        EXPECT_STREQ(name, "");
    });
}

} // namespace
