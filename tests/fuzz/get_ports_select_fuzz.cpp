// Fuzz target: GetPortsSelect with arbitrary provider names, paths, buffer sizes
// and call sequences over a random simulated network with router faults and
// memory failures. Checks after every call that nothing leaked, no enumeration
// or lock is left open, both strings were released, nothing was written past
// the caller's buffer (the sanitizers watch buffers of exactly the given size)
// and that a list fetched whole reads as whole records.
#include "frame/handoff.h"

#include <kvx32.h>
#include <sim_control.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "check failed: %s (line %d)\n", #condition, __LINE__);            \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    unsigned Below(unsigned n) { return n == 0 ? 0 : Byte() % n; }
    bool Chance(unsigned inEight) { return Below(8) < inEight; }
    std::string Bytes(size_t most) {
        size_t length = Below(static_cast<unsigned>(most) + 1);
        std::string text;
        while (text.size() < length && at_ < size_)
            text += static_cast<char>(Byte());
        return text;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

const char* const kNames[] = {"SALES", "CORP", "\\\\PRN01", "\\\\PRN02", "\\\\S", "", "A", "B"};
const char* const kProviders[] = {"Kvx Network", "Other Network", "P"};
const DWORD kErrors[] = {ERROR_MORE_DATA,     ERROR_UNEXP_NET_ERR, ERROR_ACCESS_DENIED,
                         ERROR_NOT_CONTAINER, ERROR_NO_MORE_ITEMS, ERROR_BUSY};

// Names of the network are short: the search may list one container many
// times (once for each entry that carries the name searched for, level after
// level), and over the simulation, whose blocks move on every resize, a list
// that grows one record at a time is slow to build once it runs to megabytes.
// Entries larger than a batch are left to the unit tests.
std::string Name(Input& in) {
    unsigned pick = in.Below(8);
    if (pick == 0)
        return in.Bytes(12);
    return kNames[in.Below(sizeof kNames / sizeof kNames[0])];
}

std::optional<std::string> MaybeName(Input& in) {
    if (in.Chance(1))
        return std::nullopt;
    return Name(in);
}

void BuildNetwork(Input& in) {
    unsigned providers = 1 + in.Below(3);
    for (unsigned p = 0; p < providers; ++p)
        sim::AddNetProvider(kProviders[p]);
    for (unsigned containers = in.Below(9); containers > 0; --containers) {
        std::string provider = kProviders[in.Below(providers)];
        std::optional<std::string> container;
        if (!in.Chance(2))
            container = Name(in);
        sim::AddNetContainer(provider, container);
        for (unsigned entries = in.Below(7); entries > 0; --entries) {
            sim::NetResource entry;
            entry.remoteName = MaybeName(in);
            entry.provider = provider;
            if (in.Chance(1))
                entry.provider = in.Chance(4) ? std::nullopt : std::optional(Name(in));
            entry.displayType = in.Chance(6) ? in.Below(8) : in.Byte() | (in.Byte() << 8);
            entry.type = in.Chance(6) ? RESOURCETYPE_ANY : in.Below(4);
            sim::AddNetEntry(provider, container, entry);
        }
    }
    for (unsigned faults = in.Below(4); faults > 0; --faults) {
        std::string name = in.Chance(1) ? kProviders[in.Below(providers)] : Name(in);
        switch (in.Below(4)) {
        case 0:
            sim::FailNetOpen(name, kErrors[in.Below(6)]);
            break;
        case 1:
            sim::FailNetRequests(name, kErrors[in.Below(6)], in.Chance(1) ? ~0u : in.Below(5));
            break;
        case 2:
            sim::SetNetBatchLimit(name, 1 + in.Below(3));
            break;
        default:
            sim::SetNetEndless(name);
        }
    }
}

// A string for the library to take over: built from names, raw bytes, or null.
const char* Argument(Input& in, bool path) {
    switch (in.Below(5)) {
    case 0:
        return nullptr;
    case 1:
        return kvx_shared_string(in.Bytes(40).c_str());
    case 2: // a long run of length fields and characters
        return kvx_shared_string(
            std::string(4 + in.Below(20000), "0123456789"[in.Below(10)]).c_str());
    default:
        break;
    }
    if (!path)
        return kvx_shared_string(kProviders[in.Below(3)]);
    std::string built(1, '\0');
    for (unsigned segments = in.Below(4); segments > 0; --segments) {
        std::string name = Name(in);
        built.resize(built.size() + 4 + name.size(), '\0');
        kvx_network_path_append(&built[0], built.size(), name.c_str());
    }
    return kvx_shared_string(built.c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    sim::Reset();
    BuildNetwork(in);
    size_t globalBlocks = sim::LiveGlobalBlocks();
    size_t heapBlocks = sim::LiveHeapBlocks();

    uint32_t reported = 0; // size the last sizing call reported, 0 when none
    for (unsigned calls = 1 + in.Below(4); calls > 0; --calls) {
        size_t heapBefore = sim::LiveHeapBlocks();
        const char* provider = Argument(in, false);
        const char* path = Argument(in, true);
        bool pending = g_netListSlot.Pending();
        if (in.Chance(1))
            sim::FailNth(sim::Fault::AnyMemory, 1 + in.Below(40));

        // 0: sizing; 1: a buffer of any size; 2: a buffer or none, and no size;
        // 3: a buffer of the size the last sizing call reported.
        unsigned kind = in.Below(4);
        bool wholeFetch = kind == 3 && reported != 0;
        uint32_t capacity = wholeFetch ? reported : in.Below(300);
        std::unique_ptr<char[]> buffer(new char[capacity]); // exactly the size given
        uint32_t sizeArgument = capacity;
        uint32_t* sizePointer = kind == 2 ? nullptr : &sizeArgument;
        char* destination = kind == 0 || (kind == 2 && in.Chance(4)) ? nullptr : buffer.get();
        GetPortsSelect(destination, sizePointer, provider, path);
        bool faulted = sim::FaultFired();
        sim::ClearFaults();

        FUZZ_CHECK(sim::LiveHeapBlocks() == heapBefore); // both strings released
        FUZZ_CHECK(sim::OpenNetEnumerations() == 0);
        FUZZ_CHECK(sim::LockedGlobalBlocks() == 0);
        if (destination == nullptr) {
            FUZZ_CHECK(sizePointer == nullptr || pending || sizeArgument >= 1);
            if (!pending)
                reported = sizePointer ? sizeArgument : 0;
            continue;
        }
        if (pending && wholeFetch && !faulted) {
            uint32_t offset = 0;
            kvx_net_entry entry;
            int read;
            while ((read = kvx_net_entry_next(buffer.get(), capacity, &offset, &entry)) == 1)
                FUZZ_CHECK(offset < capacity);
            FUZZ_CHECK(read == 0);
            FUZZ_CHECK(buffer[capacity - 1] == '\0');
        }
        reported = 0;
    }
    g_netListSlot.Take();
    FUZZ_CHECK(sim::LiveGlobalBlocks() == globalBlocks);
    FUZZ_CHECK(sim::LiveHeapBlocks() == heapBlocks);
    return 0;
}
