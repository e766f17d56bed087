// Reading the network's entry records (provider, remote name and display type,
// each ended by a zero byte; the list ends with one more zero byte) into tree
// items of the Browse Network dialog, one node per item.
#pragma once

#include "appkit/shared_string.h"
#include "appkit/tree_ctrl.h"
#include "browse_network/browse_nodes.h"

#include <cstdint>

// How an entry shows in the tree, by its display type.
struct EntryKind {
    UINT mask; // TVIF_* of the inserted item; TVIF_CHILDREN gives it an expand button
    int image;
    int selectedImage;
    uint32_t flag;        // its node's kind flag
    bool labelIsProvider; // a network provider shows its provider name, others their remote name
};
EntryKind KindOf(int16_t displayType);

// Reads the token that starts at `position`: the bytes up to the next zero byte,
// never beyond `size`. Moves the position past the zero byte, or one byte further
// for an empty token, so that an empty display type (two zero bytes) is read as
// one token and the list's closing zero byte ends it. When no zero byte is left the
// position moves to the end and the token is left as it was. Answers whether data
// remains after the position.
bool NextToken(uint32_t size, const char* data, uint32_t& position, CSharedString& token);

// The most items one call of InsertNetEntries inserts. Each sorted insertion may
// walk every sibling before it, so a container of 100,000 entries would cost
// billions of label comparisons; 16384 is more than a user can pick from and
// above the 10,000 printers of the largest print servers.
constexpr uint32_t kMaxItemsPerExpansion = 16384;

// Inserts one item, sorted by label, under `parent` (null: the root of the tree)
// and appends one node for each record that can be read whole from the first
// `size` bytes of `data`, for at most kMaxItemsPerExpansion records.
void InsertNetEntries(CTreeCtrl& tree, BrowseNodeList& nodes, const char* data, uint32_t size,
                      HTREEITEM parent);
