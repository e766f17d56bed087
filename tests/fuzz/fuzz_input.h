// What the fuzz targets share: reading choices from the fuzzer's bytes, a check
// that stops the run, and a random simulated network to browse.
#pragma once

#include <sim_control.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);    \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace fuzz {

// Choices read one byte at a time; past the end every choice is 0.
class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    unsigned Below(unsigned n) { return n == 0 ? 0 : Byte() % n; }
    // A number below n read from two bytes, for sizes beyond 255.
    unsigned Wide(unsigned n) { return n == 0 ? 0 : (Byte() | Byte() << 8) % n; }
    bool Chance(unsigned inEight) { return Below(8) < inEight; }
    std::string Bytes(size_t most) {
        size_t length = Below(static_cast<unsigned>(most) + 1);
        std::string text;
        while (text.size() < length && at_ < size_)
            text += static_cast<char>(Byte());
        return text;
    }
    bool Exhausted() const { return at_ >= size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// Names repeat on purpose: duplicates, the empty name, names that prefix others.
inline const char* const kNames[] = {"SALES", "CORP", "\\\\PRN01", "\\\\PRN02",
                                     "\\\\S", "",     "A",         "B"};
inline const char* const kProviders[] = {"Kvx Network", "Other Network", "P"};
inline const DWORD kNetErrors[] = {ERROR_MORE_DATA,     ERROR_UNEXP_NET_ERR, ERROR_ACCESS_DENIED,
                                   ERROR_NOT_CONTAINER, ERROR_NO_MORE_ITEMS, ERROR_BUSY};

// A name of the network: mostly from the list, sometimes raw bytes, and at most
// `longNames` times one of 16 to 20 KiB (larger than one batch of the router).
inline std::string Name(Input& in, unsigned* longNames = nullptr) {
    unsigned pick = in.Below(32);
    if (pick == 0 && longNames != nullptr && *longNames > 0) {
        --*longNames;
        return std::string(16384 + in.Wide(4096), static_cast<char>('A' + in.Below(26)));
    }
    if (pick < 4)
        return in.Bytes(12);
    return kNames[in.Below(sizeof kNames / sizeof kNames[0])];
}

// A random network of up to three providers and eight containers, with router
// faults: failed opens and requests, small batches, containers that never end.
// Returns the number of providers.
inline unsigned BuildNetwork(Input& in) {
    unsigned longNames = 1;
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
            // Long names only at a provider's own level: a container that lists
            // itself would list them again on every level of a search, and over
            // the simulation, whose blocks move on every resize, a list that grows
            // record by record to megabytes takes minutes.
            if (!in.Chance(1))
                entry.remoteName = Name(in, container ? nullptr : &longNames);
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
            sim::FailNetOpen(name, kNetErrors[in.Below(6)]);
            break;
        case 1:
            sim::FailNetRequests(name, kNetErrors[in.Below(6)], in.Chance(1) ? ~0u : in.Below(5));
            break;
        case 2:
            sim::SetNetBatchLimit(name, 1 + in.Below(3));
            break;
        default:
            sim::SetNetEndless(name);
        }
    }
    return providers;
}

} // namespace fuzz
