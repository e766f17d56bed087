// The Browse Network dialog's node list: one BrowseNode per tree item it inserted,
// singly linked in creation order. An index from item handle to the first node of
// that item and a pointer to the last node make lookups and appends take constant
// time while answering exactly what a walk of the list would.
#pragma once

#include "appkit/shared_string.h"

#include <win32.h>

#include <cstddef>
#include <cstdint>
#include <kvx32.h>

// Node flags: exactly one kind flag is set when a node is created; kNodeFilled is
// added once its children have been fetched.
enum : uint32_t {
    kNodeFilled = 0x01,
    kNodeDomain = 0x02, // domain or workgroup
    kNodeServer = 0x04,
    kNodePrinterShare = 0x08, // selectable
    kNodeOther = 0x10,        // network provider or any other kind
};

struct BrowseNode {
    HTREEITEM item;   // the key of every lookup
    HTREEITEM parent; // null for an item at the root of the tree
    const char* label;
    const char* remoteName;
    const char* provider;
    int16_t displayType; // a KVX_NET_ value, or another the network used
    BrowseNode* next;
    uint32_t flags;
};

class BrowseNodeList {
public:
    BrowseNodeList() = default;
    BrowseNodeList(const BrowseNodeList&) = delete;
    BrowseNodeList& operator=(const BrowseNodeList&) = delete;
    ~BrowseNodeList() { Clear(); }

    // The first node whose item is `item`, or null.
    BrowseNode* FindNode(HTREEITEM item) const;
    // Appends a node holding copies of the three strings (null counts as empty).
    // Null when memory ran out; the list is then unchanged.
    BrowseNode* AppendNode(HTREEITEM item, HTREEITEM parent, const char* label,
                           const char* provider, const char* remoteName, int16_t displayType,
                           uint32_t flags);
    BrowseNode* First() const { return head_.next; }
    size_t Count() const { return count_; }
    // Frees every node and its strings.
    void Clear();

private:
    struct Slot {
        HTREEITEM item;
        BrowseNode* node; // null: the slot is free
    };
    Slot* FindSlot(HTREEITEM item) const;
    bool Grow();

    BrowseNode head_ = {}; // only its next link is used: the first node
    BrowseNode* tail_ = &head_;
    size_t count_ = 0;
    Slot* slots_ = nullptr; // open addressing, linear probing, a power of two in size
    size_t slotCount_ = 0;
    size_t usedSlots_ = 0; // distinct items indexed
};

// The provider filter and the NetworkPath that name a node's children: the path
// holds one segment (a four-digit length, then the remote name) for the node and
// for each container above it, outermost first, leaving out the node at the root
// of the tree and every network provider. False when the path cannot be written:
// a remote name longer than a length field can give, or memory ran out.
bool BuildNodePath(const BrowseNodeList& nodes, const BrowseNode& node, CSharedString& provider,
                   CSharedString& path);
