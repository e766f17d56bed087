#include "harness/sim_fixture.h"

#include "appkit/shared_string.h"
#include "appkit/text_format.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
using namespace harness;

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
    // Uncounted from the start, not only once some string let it go: copied over a
    // host's string before anything released it (ctest runs each test in a process
    // of its own), it stays uncounted.
    CSharedString none;
    CSharedString taken = CSharedString::Adopt(HostString("first"));
    taken = none;
    EXPECT_LT(HeaderOf(taken.c_str())->refs, 0);
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

    // Its own characters are read before they are let go; nothing to add, or its
    // own value again, keeps the buffer.
    ASSERT_TRUE(copy.Append(copy.c_str()));
    EXPECT_EQ(copy, "0005SALES0005SALES");
    const char* chars = copy.c_str();
    size_t blocks = sim::LiveHeapBlocks();
    EXPECT_TRUE(copy.Assign(copy.c_str()));
    EXPECT_TRUE(copy.Append(nullptr));
    EXPECT_TRUE(copy.Append(""));
    EXPECT_EQ(copy.c_str(), chars);
    EXPECT_EQ(copy, "0005SALES0005SALES");
    EXPECT_EQ(sim::LiveHeapBlocks(), blocks);
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

namespace {

// FormatText and the C library's vsnprintf, each into a buffer of `capacity`
// bytes: the text written and the length returned.
struct Formatted {
    std::string text;
    int length;
    bool operator==(const Formatted& other) const {
        return text == other.text && length == other.length;
    }
};

Formatted FormatBoth(bool ours, size_t capacity, const char* pattern, ...) {
    std::vector<char> buffer(capacity + 1, '#');
    va_list args;
    va_start(args, pattern);
    int length = ours ? FormatText(buffer.data(), capacity, pattern, args)
                      : std::vsnprintf(buffer.data(), capacity, pattern, args);
    va_end(args);
    return {std::string(buffer.data(), buffer.size()), length};
}

TEST(FormatTextTest, FormatsAsTheCLibraryDoesIncludingCutsToCapacity) {
    // With 'h', the int is narrowed to a short as the C library narrows it.
    struct Case {
        const char* pattern; // takes an int, then a string
        int number;
        const char* text;
    };
    // A negative width from the arguments pads on the right, a negative precision
    // counts as none, '-' and a precision each turn '0' off, a null string prints.
    const Case cases[] = {
        {"%.4d%s", 5, "SALES"},   {"%.4d%s", 12345, "x"},      {"%d|%s", -42, ""},
        {"%5d|%s", -42, "a"},     {"%-5d|%s", 7, "b"},         {"%05d|%s", -42, "c"},
        {"%.0d|%s", 0, "d"},      {"%u|%s", -1, "e"},          {"%x|%8s", 48879, "f"},
        {"%X|%-8s|", 48879, "g"}, {"%c|%.2s", 'K', "VX"},      {"%%%i%%%s", 1, "%"},
        {"%*d|%s", 6, "h"},       {"%ld|%s", 2147483647, "i"}, {"%hd|%s", 65535, "j"},
        {"%hi|%s", 32768, "k"},   {"%hd|%s", -32769, "l"},     {"%hu|%s", 65537, "m"},
        {"%hu|%s", -1, "n"},      {"%hx|%s", 0x12345, "o"},    {"%05hX|%s", -2, "p"},
        {"%.3hd|%s", 70000, "q"}, {"%*d|%s", -6, "j"},         {"%.*d|%s", -1, "k"},
        {"%-05d|%s", 42, "l"},    {"%05.3d|%s", 42, "m"},      {"%-3c|%s", 'N', "o"},
        {"%lx|%s", 48879, "q"},   {"%d|%s", 1, nullptr},
    };
    for (const Case& c : cases) {
        for (size_t capacity : {size_t{0}, size_t{1}, size_t{4}, size_t{64}}) {
            SCOPED_TRACE(std::string(c.pattern) + " into " + std::to_string(capacity));
            if (std::strchr(c.pattern, '*') != nullptr) {
                EXPECT_EQ(FormatBoth(true, capacity, c.pattern, c.number, 1, c.text),
                          FormatBoth(false, capacity, c.pattern, c.number, 1, c.text));
            } else if (std::strstr(c.pattern, "%l") != nullptr) {
                long number = c.number;
                EXPECT_EQ(FormatBoth(true, capacity, c.pattern, number, c.text),
                          FormatBoth(false, capacity, c.pattern, number, c.text));
            } else {
                EXPECT_EQ(FormatBoth(true, capacity, c.pattern, c.number, c.text),
                          FormatBoth(false, capacity, c.pattern, c.number, c.text));
            }
        }
    }
    // A conversion it does not know is refused, not guessed.
    EXPECT_EQ(FormatBoth(true, 16, "%f", 1.0).length, -1);
    // The longest text whose length an int still holds is counted, not refused.
    EXPECT_EQ(FormatBoth(true, 0, "%*c", 0x7FFFFFFF, 'K').length, 0x7FFFFFFF);
}

} // namespace
