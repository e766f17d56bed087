// The network search behind GetPortsSelect: EnumNetContainer walks the router
// from the top along a NetworkPath, AppendNetEntry adds one NetEntryRecord per
// resource of the container it names.
#pragma once

#include "frame/handoff.h"
#include "framework/shared_string.h"
#include "netbrowse/net_path.h"

#include <win32.h>

#include <cstdint>

// Shared by every level of one search.
struct NetListState {
    HandoffBlock block;     // the records; none once growing it failed
    uint32_t byteCount = 0; // bytes of records in the block
    LONG stop = 0;          // raised once the container the path names has been listed
};

// Appends provider, remote name and the low byte of the display type, each
// followed by a zero ("No Provider" and "No Remote" stand for null strings).
// The block always ends with one zero byte after the records. When it cannot
// grow, it is freed and nothing more is appended in this search.
bool AppendNetEntry(const NETRESOURCEA& entry, NetListState& state);

// Lists or searches `container` (null: the top of the network) for the
// provider filter and the path of the containers below it.
void EnumNetContainer(const NETRESOURCEA* container, NetListState& state,
                      const CSharedString& provider, NameView path);
