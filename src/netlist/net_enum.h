// The network search behind GetPortsSelect: EnumNetContainer walks the router
// from the top along a NetworkPath, AppendNetEntry adds one NetEntryRecord per
// resource of the container it names.
#pragma once

#include "frame/handoff.h"
#include "appkit/shared_string.h"
#include "netlist/net_path.h"

#include <win32.h>

#include <cstdint>

// Levels below the top; a real network has four (providers, domains, servers,
// shares), so this only stops a network that answers with containers forever.
constexpr unsigned kMaxDepth = 16;
// Containers one search may open. A search opens one per level, one more for
// each batch whose first entry it searches in vain (and what that search opens)
// and one for each further entry that carries the name searched for. Finding a
// server in a domain of 10000 servers opens a few hundred; only a network whose
// containers list the same names or containers over and over comes near this.
constexpr unsigned kMaxOpened = 1024;
// The most bytes of records one list holds. A list is cut before the first
// record that would pass it, so that a provider answering with endless or huge
// names cannot make the block grow without bound; 4 MiB holds well over 100,000
// records of ordinary names.
constexpr uint32_t kMaxListBytes = 4u << 20;
// The most entries one search reads from the router, in all containers together.
// A network that keeps answering with fresh entries is read this far and no
// further; it is more than twice the largest container a host browses.
constexpr uint32_t kMaxEntriesRead = 1u << 18;

// Shared by every level of one search.
struct NetListState {
    HandoffBlock block;       // the records; none once growing it failed
    BlockLock records;        // the block's lock while records are appended
    SIZE_T capacity = 0;      // the block's size, read when it was locked
    uint32_t byteCount = 0;   // bytes of records in the block
    LONG stop = 0;            // raised once the container the path names has been listed
    unsigned opened = 0;      // containers opened so far
    uint32_t entriesRead = 0; // entries the router returned so far
    bool full = false;        // the list reached kMaxListBytes: the search ends
};

// Lists or searches `container` (null: the top of the network) for the
// provider filter and the path of the containers below it. The block is left
// unlocked.
void EnumNetContainer(const NETRESOURCEA* container, NetListState& state,
                      const CSharedString& provider, NameView path);
