#include "harness/sim_fixture.h"

#include "frame/handoff.h"

#include <cstring>

namespace {
using namespace harness;

using GlobalBlockTest = SimTest;

TEST_F(GlobalBlockTest, OwnerFreesTheBlockAndLockIsReleasedAtScopeEnd) {
    size_t before = sim::LiveGlobalBlocks();
    {
        GlobalBlock block = GlobalBlock::Allocate(100);
        ASSERT_TRUE(block);
        BlockLock lock = block.Lock();
        ASSERT_TRUE(lock);
        EXPECT_EQ(sim::LockedGlobalBlocks(), 1u);
        EXPECT_EQ(lock.data()[99], 0); // zero-initialised
    }
    EXPECT_EQ(sim::LockedGlobalBlocks(), 0u);
    EXPECT_EQ(sim::LiveGlobalBlocks(), before);

    // A move assignment frees the block held so far at once, not with the source.
    GlobalBlock held = GlobalBlock::Allocate(10);
    GlobalBlock source = GlobalBlock::Allocate(20);
    held = std::move(source);
    EXPECT_EQ(sim::LiveGlobalBlocks(), before + 1);
    EXPECT_EQ(held.Size(), 20u);

    // A lock moved on is released once, by its last holder; a move assignment
    // releases the lock held so far at once.
    GlobalBlock other = GlobalBlock::Allocate(30);
    SIZE_T size = 0;
    unsigned locks = 0;
    BlockLock lock = held.Lock();
    BlockLock moved = std::move(lock);
    EXPECT_FALSE(lock);
    ASSERT_TRUE(sim::GlobalBlockInfo(held.get(), &size, &locks));
    EXPECT_EQ(locks, 1u);
    moved = other.Lock();
    ASSERT_TRUE(sim::GlobalBlockInfo(held.get(), &size, &locks));
    EXPECT_EQ(locks, 0u);
    EXPECT_EQ(sim::LockedGlobalBlocks(), 1u);
    moved.Unlock();
    EXPECT_FALSE(moved);
    EXPECT_EQ(sim::LockedGlobalBlocks(), 0u);
}

TEST_F(GlobalBlockTest, FailedResizeKeepsTheBlockAndItsContents) {
    GlobalBlock block = GlobalBlock::Allocate(4);
    std::memcpy(block.Lock().data(), "abc", 4);
    sim::FailNth(sim::Fault::GlobalReAlloc, 1);
    EXPECT_FALSE(block.Resize(1000));
    EXPECT_EQ(block.Size(), 4u);
    EXPECT_STREQ(block.Lock().data(), "abc");
    EXPECT_TRUE(block.Resize(1000));
    EXPECT_EQ(block.Size(), 1000u);
    EXPECT_STREQ(block.Lock().data(), "abc");
    EXPECT_EQ(block.Lock().data()[999], 0);
}

TEST_F(GlobalBlockTest, CopyNeverReadsPastTheBlock) {
    GlobalBlock block = GlobalBlock::Allocate(3);
    std::memcpy(block.Lock().data(), "xyz", 3);
    char destination[8];
    std::memset(destination, '#', sizeof destination);
    ASSERT_TRUE(block.CopyTo(destination, sizeof destination));
    EXPECT_EQ(std::string(destination, 8), "xyz#####");

    sim::FailNth(sim::Fault::GlobalLock, 1);
    EXPECT_FALSE(block.CopyTo(destination, 3));
}

TEST_F(GlobalBlockTest, SlotHandsItsBlockOverAndIsLeftEmpty) {
    HandoffSlot slot;
    EXPECT_FALSE(slot.Pending());
    slot.Keep(GlobalBlock::Allocate(10));
    EXPECT_TRUE(slot.Pending());
    size_t live = sim::LiveGlobalBlocks();
    slot.Keep(GlobalBlock::Allocate(30)); // replaces the pending block, which is freed
    EXPECT_EQ(sim::LiveGlobalBlocks(), live);
    {
        HandoffBlock taken = slot.Take();
        EXPECT_EQ(taken.Size(), 30u);
        EXPECT_FALSE(slot.Pending());
    }
    EXPECT_EQ(sim::LiveGlobalBlocks(), live - 1);
}

} // namespace
