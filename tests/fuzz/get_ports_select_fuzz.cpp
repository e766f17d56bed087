// Fuzz target: GetPortsSelect with arbitrary provider names, paths, buffer sizes
// and call sequences over a random simulated network with router faults and
// memory failures. Checks after every call that nothing leaked, no enumeration
// or lock is left open, both strings were released, nothing was written past
// the caller's buffer (the sanitizers watch buffers of exactly the given size)
// and that a list fetched whole reads as whole records.
#include "frame/handoff.h"

#include "fuzz_input.h"

#include <kvx32.h>
#include <sim_control.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace {

using fuzz::Input;

// A string for the library to take over: built from names, raw bytes, or null.
const char* Argument(Input& in, bool path) {
    switch (in.Below(6)) {
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
        return kvx_shared_string(fuzz::kProviders[in.Below(3)]);
    // Segments of names of the network; a name too long for a segment is left out.
    std::string built(1, '\0');
    for (unsigned segments = in.Below(4); segments > 0; --segments) {
        std::string name = in.Chance(1) ? std::string(9990 + in.Below(20), 'S') : fuzz::Name(in);
        built.resize(built.size() + 4 + name.size(), '\0');
        kvx_network_path_append(&built[0], built.size(), name.c_str());
    }
    built.resize(std::strlen(built.c_str()));
    if (in.Chance(1)) // cut anywhere, even inside a length field
        built.resize(in.Wide(static_cast<unsigned>(built.size()) + 1));
    return kvx_shared_string(built.c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    sim::Reset();
    fuzz::BuildNetwork(in);
    size_t globalBlocks = sim::LiveGlobalBlocks();
    size_t heapBlocks = sim::LiveHeapBlocks();

    uint32_t reported = 0; // size the last sizing call reported, 0 when none
    // A network whose containers list themselves makes a call open as many
    // containers as the search allows, which takes seconds over the sanitized
    // simulation: no further call once this many have been opened.
    constexpr size_t kOpenedContainersBudget = 512;
    for (unsigned calls = 1 + in.Below(4);
         calls > 0 && sim::NetContainersOpened().size() <= kOpenedContainersBudget; --calls) {
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
