#include "harness/sim_fixture.h"

#include <kvx32.h>

#include <cstring>
#include <string>

namespace {
using namespace harness;

using MachineIdentityTest = SimTest;

TEST_F(MachineIdentityTest, ResultFollowsTheComputerNameAlone) {
    const std::string user255(255, 'u');
    struct Case {
        const char* what;
        std::string user, computer;
        DWORD userError, computerError;
        const char* userSeen; // null: the buffer stays as it was
        const char* computerSeen;
        DWORD lastError; // when the result is 0
    } cases[] = {
        {"both", "labeller", "LABELHOST", 0, 0, "labeller", "LABELHOST", 0},
        {"longest user name", user255, "PC", 0, 0, user255.c_str(), "PC", 0},
        {"user name too long", user255 + "u", "PC", 0, 0, nullptr, "PC", 0},
        {"user name refused", "x", "PC", ERROR_ACCESS_DENIED, 0, nullptr, "PC", 0},
        {"longest computer name", "x", std::string(15, 'C'), 0, 0, "x", "CCCCCCCCCCCCCCC", 0},
        {"computer name too long", "x", std::string(16, 'C'), 0, 0, "x", nullptr,
         ERROR_BUFFER_OVERFLOW},
        {"computer name not delivered", "x", "PC", 0, ERROR_NOT_ENOUGH_MEMORY, "x", nullptr,
         ERROR_NOT_ENOUGH_MEMORY},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        sim::SetUserName(c.user);
        sim::SetComputerName(c.computer);
        if (c.userError != 0) {
            ASSERT_TRUE(sim::FailCalls("GetUserNameA", c.userError));
        }
        if (c.computerError != 0) {
            ASSERT_TRUE(sim::FailCalls("GetComputerNameA", c.computerError));
        }
        // Each buffer as the host gives it, followed by guard bytes.
        char user[KVX_USER_NAME_SIZE + 8];
        char computer[KVX_COMPUTER_NAME_SIZE + 8];
        std::memset(user, '#', sizeof user);
        std::memset(computer, '#', sizeof computer);
        int32_t result = NetGetInfos(user, computer);
        EXPECT_EQ(result != 0, c.computerSeen != nullptr);
        if (result == 0) {
            EXPECT_EQ(GetLastError(), c.lastError);
        }
        EXPECT_EQ(std::string(user, sizeof user).find_first_not_of('#') == std::string::npos,
                  c.userSeen == nullptr);
        if (c.userSeen != nullptr) {
            EXPECT_STREQ(user, c.userSeen);
        }
        if (c.computerSeen != nullptr) {
            EXPECT_STREQ(computer, c.computerSeen);
        }
        EXPECT_EQ(std::string(user + KVX_USER_NAME_SIZE, 8), "########");
        EXPECT_EQ(std::string(computer + KVX_COMPUTER_NAME_SIZE, 8), "########");
    }
}

TEST_F(MachineIdentityTest, MissingBuffersAreNotWrittenThrough) {
    char computer[KVX_COMPUTER_NAME_SIZE] = {};
    EXPECT_NE(NetGetInfos(nullptr, computer), 0);
    EXPECT_STREQ(computer, "LABELHOST");
    char user[KVX_USER_NAME_SIZE] = {};
    EXPECT_EQ(NetGetInfos(user, nullptr), 0);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_PARAMETER});
    EXPECT_STREQ(user, "labeller");
}

} // namespace
