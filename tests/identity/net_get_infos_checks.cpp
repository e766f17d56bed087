// The user and computer names, checked against whatever platform the test runs on.
#include "harness/test_machine.h"

#include <win32.h>

#include <gtest/gtest.h>
#include <kvx32.h>

namespace {

TEST(MachineIdentityCheck, NamesAreTheOnesTheSystemReports) {
    harness::ForEachRelease([](const harness::Release&) {
        char user[KVX_USER_NAME_SIZE] = {};
        char computer[KVX_COMPUTER_NAME_SIZE] = {};
        EXPECT_NE(NetGetInfos(user, computer), 0);

        char systemUser[KVX_USER_NAME_SIZE] = {};
        DWORD size = sizeof systemUser;
        ASSERT_TRUE(GetUserNameA(systemUser, &size));
        char systemComputer[KVX_COMPUTER_NAME_SIZE] = {};
        size = sizeof systemComputer;
        ASSERT_TRUE(GetComputerNameA(systemComputer, &size));
        EXPECT_STREQ(user, systemUser);
        EXPECT_STREQ(computer, systemComputer);
    });
}

} // namespace
