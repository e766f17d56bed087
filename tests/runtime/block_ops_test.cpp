// The product runtime's block copy and fill (memcpy, memmove, memset without a
// C runtime) against the C library's, at every alignment of source and
// destination, across the word threshold, and for overlapping blocks.
#include "runtime/block_ops.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr size_t kGuard = 8; // bytes on each side that nothing may write
constexpr unsigned char kGuardByte = 0xEE;

// An arena of guard, 4 bytes of slack for the offset and the block, guard.
std::vector<unsigned char> Arena(size_t count) {
    return std::vector<unsigned char>(kGuard + 4 + count + kGuard, kGuardByte);
}

// Source bytes that differ from their neighbours and from the guard.
void FillPattern(unsigned char* at, size_t count, unsigned seed) {
    for (size_t i = 0; i < count; ++i)
        at[i] = static_cast<unsigned char>((i * 7 + seed) % 251);
}

std::string Describe(size_t count, size_t toOffset, size_t fromOffset) {
    return std::to_string(count) + " bytes, destination +" + std::to_string(toOffset) +
           ", source +" + std::to_string(fromOffset);
}

const size_t kCounts[] = {0, 1, 3, 4, 5, 15, 16, 17, 18, 19, 31, 32, 33, 64, 255, 4099};

TEST(BlockOpsTest, CopyUpwardsCopiesEveryByteAndNothingElseAtEveryAlignment) {
    for (size_t count : kCounts) {
        for (size_t toOffset = 0; toOffset < 4; ++toOffset) {
            for (size_t fromOffset = 0; fromOffset < 4; ++fromOffset) {
                SCOPED_TRACE(Describe(count, toOffset, fromOffset));
                std::vector<unsigned char> source(count + 4), ours = Arena(count);
                FillPattern(source.data() + fromOffset, count, static_cast<unsigned>(count));
                std::vector<unsigned char> theirs = ours;
                runtime::CopyUpwards(ours.data() + kGuard + toOffset, source.data() + fromOffset,
                                     count);
                std::memcpy(theirs.data() + kGuard + toOffset, source.data() + fromOffset, count);
                EXPECT_EQ(ours, theirs);
            }
        }
    }
}

TEST(BlockOpsTest, FillSetsEveryByteAndNothingElseAtEveryAlignment) {
    for (size_t count : kCounts) {
        for (size_t offset = 0; offset < 4; ++offset) {
            for (unsigned char value : {0x00, 0x5A, 0xFF}) {
                SCOPED_TRACE(Describe(count, offset, 0) + ", value " + std::to_string(value));
                std::vector<unsigned char> ours = Arena(count);
                std::vector<unsigned char> theirs = ours;
                runtime::Fill(ours.data() + kGuard + offset, value, count);
                std::memset(theirs.data() + kGuard + offset, value, count);
                EXPECT_EQ(ours, theirs);
            }
        }
    }
}

// memmove takes the upward copy when the destination lies below the source,
// also where the two overlap.
TEST(BlockOpsTest, CopyUpwardsMovesABlockDownOverItself) {
    for (size_t count : kCounts) {
        for (size_t shift : {1, 2, 3, 4, 5, 7, 8, 17}) {
            for (size_t toOffset = 0; toOffset < 4; ++toOffset) {
                SCOPED_TRACE(Describe(count, toOffset, toOffset + shift));
                std::vector<unsigned char> ours = Arena(count + shift);
                FillPattern(ours.data() + kGuard + toOffset, count + shift, 3);
                std::vector<unsigned char> theirs = ours;
                unsigned char* to = ours.data() + kGuard + toOffset;
                runtime::CopyUpwards(to, to + shift, count);
                unsigned char* expected = theirs.data() + kGuard + toOffset;
                std::memmove(expected, expected + shift, count);
                EXPECT_EQ(ours, theirs);
            }
        }
    }
}

} // namespace
