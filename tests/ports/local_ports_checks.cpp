// Local ports, checked against whatever platform the test runs on.
#include "harness/test_machine.h"

#include <win32.h>

#include <gtest/gtest.h>
#include <kvx32.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// The non-empty port names the spooler lists at level 1, in its order.
std::vector<std::string> SpoolerPortNames() {
    DWORD needed = 0, count = 0;
    EnumPortsA(nullptr, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + sizeof(PORT_INFO_1A));
    EXPECT_TRUE(
        EnumPortsA(nullptr, 1, buffer.data(), static_cast<DWORD>(buffer.size()), &needed, &count));
    std::vector<std::string> names;
    for (DWORD i = 0; i < count; ++i) {
        const char* name = reinterpret_cast<const PORT_INFO_1A*>(buffer.data())[i].pName;
        if (name != nullptr && *name != '\0')
            names.push_back(name);
    }
    return names;
}

TEST(LocalPortsCheck, SizingAndFetchGiveExactlyTheSpoolersPorts) {
    harness::ForEachRelease([](const harness::Release&) {
        std::vector<std::string> expected = SpoolerPortNames();
        ASSERT_FALSE(expected.empty());

        uint32_t size = 0;
        EnumLocalPorts(nullptr, &size);
        uint32_t expectedSize = 0;
        for (const std::string& name : expected)
            expectedSize += static_cast<uint32_t>(name.size() + 1);
        EXPECT_EQ(size, expectedSize);

        std::vector<char> list(size + 8, '#');
        EnumLocalPorts(list.data(), &size);
        std::vector<std::string> names;
        for (const char* name = list.data(); name < list.data() + size;
             name += std::strlen(name) + 1)
            names.push_back(name);
        EXPECT_EQ(names, expected);
        EXPECT_EQ(std::string(list.data() + size, 8), "########");

        char untouched[4] = "###";
        EnumLocalPorts(untouched, &size); // the list was fetched: nothing is pending
        EXPECT_STREQ(untouched, "###");
    });
}

} // namespace
