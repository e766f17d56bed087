// Reading the network's entry records (provider, remote name and display type,
// each ended by a zero byte; the list ends with one more zero byte) into tree
// items of the Browse Network dialog, one node per item.
#pragma once

#include "appkit/shared_string.h"
#include "appkit/tree_ctrl.h"
#include "browse_network/browse_nodes.h"

#include <cstdint>

// Whether a token was read (a zero byte ended it, and it could be stored), and
// whether data remains after the position.
struct TokenRead {
    bool read;
    bool remains;
};

// How far an empty token moves the position: over its terminator alone, or over
// the byte after it too (a display type of 0 is a zero byte and its terminator).
enum class EmptyToken { OneByte, TwoBytes };

// Reads the token that starts at `position`: the bytes up to the next zero byte,
// never beyond `size`. Moves the position past the zero byte (and the byte after
// an empty token when `empty` says so). When no zero byte is left the position
// moves to the end and the token is left as it was.
TokenRead ReadToken(uint32_t size, const char* data, uint32_t& position, CSharedString& token,
                    EmptyToken empty);

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
