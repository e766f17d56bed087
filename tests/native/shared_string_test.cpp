#include "sim_fixture.h"

#include "appkit/shared_string.h"

#include <cstring>

namespace {

using Data = CSharedString::Data;

const Data* HeaderOf(const char* chars) {
    return reinterpret_cast<const Data*>(chars) - 1;
}

// Builds a string the way a host module does: process heap, header, count 1.
const char* HostString(const char* text, LONG refs = 1) {
    size_t length = std::strlen(text);
    auto* data = static_cast<Data*>(HeapAlloc(GetProcessHeap(), 0, sizeof(Data) + length + 1));
    data->refs = refs;
    data->length = static_cast<LONG>(length);
    data->capacity = static_cast<LONG>(length);
    std::memcpy(data->chars(), text, length + 1);
    return data->chars();
}

using SharedStringTest = SimTest;

TEST_F(SharedStringTest, HeaderInFrontOfCharactersHoldsCountLengthAndCapacity) {
    CSharedString text("LPT1:");
    const Data* header = HeaderOf(text.c_str());
    EXPECT_EQ(header->refs, 1);
    EXPECT_EQ(header->length, 5);
    EXPECT_GE(header->capacity, 5);
    EXPECT_STREQ(text.c_str(), "LPT1:");
}

TEST_F(SharedStringTest, CopiesShareOneBufferAndTheLastReleaseFreesIt) {
    size_t before = sim::LiveHeapBlocks();
    {
        CSharedString first("shared");
        CSharedString second = first;
        EXPECT_EQ(first.c_str(), second.c_str());
        EXPECT_EQ(HeaderOf(first.c_str())->refs, 2);
        EXPECT_EQ(sim::LiveHeapBlocks(), before + 1);
    }
    EXPECT_EQ(sim::LiveHeapBlocks(), before);
}

TEST_F(SharedStringTest, EmptyStringsUseOneStaticInstanceThatIsNeverCounted) {
    size_t before = sim::LiveHeapBlocks();
    CSharedString a, b(""), c(static_cast<const char*>(nullptr));
    CSharedString d = a;
    EXPECT_EQ(a.c_str(), b.c_str());
    EXPECT_EQ(a.c_str(), c.c_str());
    EXPECT_EQ(a.c_str(), d.c_str());
    EXPECT_LT(HeaderOf(a.c_str())->refs, 0);
    EXPECT_EQ(sim::LiveHeapBlocks(), before);
}

TEST_F(SharedStringTest, AdoptedHostStringIsReleasedOnceAndNegativeCountsAreNeverFreed) {
    size_t before = sim::LiveHeapBlocks();
    { CSharedString adopted = CSharedString::Adopt(HostString("Kvx Network")); }
    EXPECT_EQ(sim::LiveHeapBlocks(), before);

    const char* locked = HostString("locked", -1);
    {
        CSharedString adopted = CSharedString::Adopt(locked);
        CSharedString copy = adopted; // cannot share an uncounted buffer: copies it
        EXPECT_NE(copy.c_str(), locked);
        EXPECT_STREQ(copy.c_str(), "locked");
    }
    EXPECT_EQ(HeaderOf(locked)->refs, -1);
    EXPECT_EQ(sim::LiveHeapBlocks(), before + 1);
    HeapFree(GetProcessHeap(), 0, const_cast<Data*>(HeaderOf(locked)));
}

TEST_F(SharedStringTest, EditsLeaveOtherSharersUntouched) {
    CSharedString path("0005SALES");
    CSharedString copy = path;
    ASSERT_TRUE(path.Append("0007\\\\PRN01"));
    EXPECT_STREQ(path.c_str(), "0005SALES0007\\\\PRN01");
    EXPECT_STREQ(copy.c_str(), "0005SALES");
    EXPECT_EQ(path.Left(4), "0005");
    EXPECT_EQ(path.Left(-1), "");
    EXPECT_EQ(path.Left(100), path.c_str());
    ASSERT_TRUE(copy.Format("%.4d%s", 5, "SALES"));
    EXPECT_EQ(copy, "0005SALES");
}

TEST_F(SharedStringTest, MutatorsKeepTheOldValueWhenMemoryRunsOut) {
    CSharedString text("old");
    sim::FailNth(sim::Fault::HeapAlloc, 1);
    EXPECT_FALSE(text.Append(" and new"));
    EXPECT_EQ(text, "old");
    sim::FailNth(sim::Fault::HeapAlloc, 1);
    EXPECT_FALSE(text.Format("%d", 42));
    EXPECT_EQ(text, "old");
}

TEST_F(SharedStringTest, SmallNonNullValuesNameStringResourcesAndAreNotDereferenced) {
    CSharedString fromResource(reinterpret_cast<const char*>(uintptr_t{135}));
    EXPECT_TRUE(fromResource.IsEmpty()); // the module carries no string table
}

} // namespace
