#include "harness/sim_fixture.h"

#include "frame/dialog_handoff.h"

#include <cstring>
#include <string>

namespace {
using namespace harness;

using DialogHandoffTest = SimTest;

TEST_F(DialogHandoffTest, FetchWritesNoMoreThanThePendingBlockHolds) {
    // A block whose text fills it with no terminator gives up its last byte to one.
    for (SIZE_T size : {1u, 4u}) {
        SCOPED_TRACE(size);
        HandoffSlot slot;
        HandoffBlock block = HandoffBlock::Allocate(size);
        std::memset(block.Lock().data(), 'n', size);
        slot.Keep(std::move(block));
        char dst[8];
        std::memset(dst, '#', sizeof dst);
        int32_t result = FetchPending(slot, dst);
        EXPECT_FALSE(slot.Pending());
        if (size == 1) {
            EXPECT_EQ(result, KVX_DIALOG_NOTHING_CHOSEN);
            EXPECT_EQ(std::string(dst, 8), "########");
        } else {
            EXPECT_EQ(result, KVX_DIALOG_COPIED);
            EXPECT_EQ(std::string(dst, 8), std::string("nnn\0####", 8));
        }
    }
}

} // namespace
