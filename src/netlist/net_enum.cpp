#include "netlist/net_enum.h"

#include "appkit/unique_resource.h"

#include <cstring>

namespace {

constexpr DWORD kAllEntries = 0xFFFFFFFF;
constexpr DWORD kBatchBytes = 16384;
// Requests that fail (other than with ERROR_NO_MORE_ITEMS) or succeed with no
// entry, one after the other, before a container is given up.
constexpr unsigned kMaxFailedRequests = 3;
// The largest buffer a request is given. The router asks for more only for an
// entry whose strings together pass kMaxListBytes: its record could never be
// listed, and as the router cannot skip an entry, the container ends there.
constexpr DWORD kMaxBatchBytes = kMaxListBytes;

struct NetEnumerationTraits {
    using Type = HANDLE;
    static void Close(HANDLE enumeration) { WNetCloseEnum(enumeration); }
};
using NetEnumeration = UniqueResource<NetEnumerationTraits>;

// Opens the router's enumeration of the printers and containers in `container`;
// empty when the router refuses.
NetEnumeration OpenNetEnumeration(const NETRESOURCEA* container) {
    HANDLE opened = nullptr;
    if (WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_PRINT, 0,
                      const_cast<NETRESOURCEA*>(container), &opened) != NO_ERROR)
        return NetEnumeration();
    return NetEnumeration(opened);
}

bool SameText(const char* a, const char* b) {
    return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
}

// The batch buffer [begin, end) the router fills: the entries, then their strings.
struct BatchBounds {
    uintptr_t begin;
    uintptr_t end;
};

// A string of an entry as its record carries it: its characters and length.
struct RecordText {
    const char* text;
    size_t length;
};

// Reads one string of an entry: `absent` for a null string, else the string if it
// lies, with its terminator, in the batch. One pass finds both the terminator
// and the length that the record's copy then uses. False when it does not lie there.
bool ReadText(const char* text, const char* absent, size_t absentLength, BatchBounds batch,
              RecordText* read) {
    if (text == nullptr) {
        *read = {absent, absentLength};
        return true;
    }
    auto at = reinterpret_cast<uintptr_t>(text);
    if (at < batch.begin || at >= batch.end)
        return false;
    const void* terminator = std::memchr(text, 0, batch.end - at);
    if (terminator == nullptr)
        return false;
    *read = {text, static_cast<size_t>(static_cast<const char*>(terminator) - text)};
    return true;
}

// An entry's provider and remote name ("No Provider" and "No Remote" stand for
// null strings).
struct EntryText {
    RecordText provider;
    RecordText remote;
};

// Whether the entry's provider and remote name lie in the batch: an entry read
// from what a router's overstated count covers (its strings, say) ends the batch,
// before the library reads through its pointers.
bool ReadEntry(const NETRESOURCEA& entry, BatchBounds batch, EntryText* read) {
    static const char kNoProvider[] = "No Provider";
    static const char kNoRemote[] = "No Remote";
    return ReadText(entry.lpProvider, kNoProvider, sizeof kNoProvider - 1, batch,
                    &read->provider) &&
           ReadText(entry.lpRemoteName, kNoRemote, sizeof kNoRemote - 1, batch, &read->remote);
}

// Makes the block hold at least `needed` bytes and leaves it locked. The block
// stays locked from one record to the next and is unlocked only to grow, so a
// record costs no lock, size or unlock of the block. Doubling the block
// keeps the copying of a long list linear. False when the block could not grow
// or be locked.
bool MakeRoom(NetListState& state, SIZE_T needed) {
    if (state.records && needed <= state.capacity)
        return true;
    state.records.Unlock(); // the block may move as it grows
    SIZE_T capacity = state.block.Size();
    if (needed > capacity) {
        SIZE_T grown = capacity * 2;
        if (grown > kMaxListBytes + 1)
            grown = kMaxListBytes + 1;
        if (!state.block.Resize(needed > grown ? needed : grown))
            return false;
    }
    state.records = state.block.Lock();
    state.capacity = state.block.Size();
    return state.records && needed <= state.capacity;
}

// Appends provider, remote name and the low byte of the display type, each
// followed by a zero. The block always ends with zero bytes after the records;
// it doubles as it grows, and the caller shrinks it to the records and one zero
// at the end. A record that would take the list past kMaxListBytes is not
// appended and marks the list full. When the block cannot grow (or be locked),
// it is freed and nothing more is appended in this search.
bool AppendNetEntry(const EntryText& entry, DWORD displayType, NetListState& state) {
    if (!state.block || state.full)
        return false;
    size_t record = entry.provider.length + entry.remote.length + 4;
    // The list is cut at a whole record; later, smaller records stay out too.
    if (record > kMaxListBytes - state.byteCount) {
        state.full = true;
        return false;
    }
    if (!MakeRoom(state, state.byteCount + record + 1)) {
        state.records.Unlock();
        state.block.Reset();
        return false;
    }
    char* at = state.records.data() + state.byteCount;
    std::memcpy(at, entry.provider.text, entry.provider.length);
    at += entry.provider.length;
    *at++ = '\0';
    std::memcpy(at, entry.remote.text, entry.remote.length);
    at += entry.remote.length;
    at[0] = '\0';
    at[1] = static_cast<char>(displayType & 0xFF);
    at[2] = '\0';
    state.byteCount += static_cast<uint32_t>(record);
    return true;
}

struct Decisions {
    bool appendAll = false;
    bool matchEntries = false;
    bool descendIntoFirst = true;
};

// The decisions for a batch whose first entry is `first`. `lists` is set when
// this level lists the container the path names.
Decisions Decide(const NETRESOURCEA* container, const NETRESOURCEA& first,
                 const CSharedString& provider, const PathSplit& split, NetListState& state,
                 bool* lists) {
    Decisions decide;
    bool isNetwork = first.dwDisplayType == RESOURCEDISPLAYTYPE_NETWORK;
    if (*lists || (container != nullptr && !provider.IsEmpty() &&
                   SameText(provider, first.lpProvider) && split.first.Empty())) {
        // The level the path names: its entries are the result, batch after batch.
        decide = {true, false, false};
        state.stop = 1;
        *lists = true;
    } else if (container == nullptr) {
        if (!isNetwork || (!provider.IsEmpty() && SameText(provider, first.lpProvider)))
            return decide;
        if (provider.IsEmpty())
            decide = {true, false, false};
        else
            decide.descendIntoFirst = false; // the first provider is not the one asked for
    } else if (provider.IsEmpty()) {
        if (isNetwork)
            decide = {true, false, false};
    } else if (SameText(provider, first.lpProvider)) {
        decide.matchEntries = true;
        if (container->dwDisplayType != RESOURCEDISPLAYTYPE_NETWORK)
            state.stop = 0;
    }
    return decide;
}

// Whether the search has gone as far as it may.
bool Exhausted(const NetListState& state) {
    return state.full || state.opened >= kMaxOpened || state.entriesRead >= kMaxEntriesRead;
}

void Search(const NETRESOURCEA* container, NetListState& state, const CSharedString& provider,
            NameView path, unsigned depth) {
    if (depth > kMaxDepth || Exhausted(state))
        return;
    PathSplit split = SplitNetworkPath(path);
    if (!split.wellFormed)
        return;
    ++state.opened;
    NetEnumeration enumeration = OpenNetEnumeration(container);
    if (!enumeration)
        return;

    // The entry count and the buffer size go from one request to the next as the
    // router leaves them: after a batch, the count is the number it returned.
    DWORD count = kAllEntries;
    DWORD bufferSize = kBatchBytes;
    NameView passDown = path;
    bool lists = false;
    // The entry a level descends into lies in this buffer, so it lives until the
    // descent returns. One buffer serves the level's requests; it is replaced
    // only when the router asks for a larger one.
    GlobalBlock batch;
    DWORD batchCapacity = 0;
    for (unsigned failures = 0; failures < kMaxFailedRequests && !Exhausted(state);) {
        DWORD batchBytes = bufferSize;
        if (batchBytes > kMaxBatchBytes)
            return;
        if (batchBytes > batchCapacity) {
            batch.Reset();
            batch = GlobalBlock::Allocate(batchBytes, GMEM_ZEROINIT);
            if (!batch)
                return;
            batchCapacity = batchBytes;
        } else {
            // Zeros, as in a new buffer: no entry of the last batch is read again.
            std::memset(batch.get(), 0, batchBytes);
        }
        // A fixed block's handle is its address.
        auto* entries = static_cast<NETRESOURCEA*>(batch.get());
        DWORD result = WNetEnumResourceA(enumeration.get(), &count, entries, &bufferSize);
        if (result == ERROR_NO_MORE_ITEMS)
            return;
        DWORD received = result == NO_ERROR ? count : 0;
        // A count beyond what the buffer can hold is not believed.
        if (received > batchBytes / sizeof(NETRESOURCEA))
            received = batchBytes / sizeof(NETRESOURCEA);
        BatchBounds bounds = {reinterpret_cast<uintptr_t>(entries),
                              reinterpret_cast<uintptr_t>(entries) + batchBytes};
        EntryText text;
        if (received == 0 || !ReadEntry(entries[0], bounds, &text)) {
            ++failures;
            if (result == NO_ERROR)
                count = kAllEntries; // an empty batch left nothing to pass on
            continue;
        }
        failures = 0;

        const NETRESOURCEA& first = entries[0];
        Decisions decide = Decide(container, first, provider, split, state, &lists);
        for (DWORD i = 0; i < received; ++i) {
            // An entry whose strings the batch does not hold ends the batch.
            if (i > 0 && !ReadEntry(entries[i], bounds, &text))
                break;
            ++state.entriesRead;
            const NETRESOURCEA& entry = entries[i];
            if (decide.matchEntries && SameText(provider, entry.lpProvider) &&
                split.first.Equals(entry.lpRemoteName)) {
                passDown = split.remainder;
                Search(&entry, state, provider, passDown, depth + 1);
                decide.descendIntoFirst = false;
            }
            if (decide.appendAll)
                AppendNetEntry(text, entry.dwDisplayType, state);
        }
        if (decide.descendIntoFirst)
            Search(&first, state, provider, passDown, depth + 1);
        if (state.stop != 0 && !lists)
            return;
    }
}

} // namespace

void EnumNetContainer(const NETRESOURCEA* container, NetListState& state,
                      const CSharedString& provider, NameView path) {
    Search(container, state, provider, path, 0);
    state.records.Unlock();
}
