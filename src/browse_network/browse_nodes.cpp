#include "browse_network/browse_nodes.h"

#include <cstring>

namespace {

size_t Hash(HTREEITEM item) {
    auto value = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(item));
    return static_cast<size_t>((value * 0x9E3779B97F4A7C15ull) >> 32);
}

size_t Length(const char* text) {
    return text ? std::strlen(text) : 0;
}

// Copies text (or nothing for null) and its terminator to `at`; returns the copy.
const char* CopyTo(char*& at, const char* text, size_t length) {
    char* copy = at;
    if (length != 0)
        std::memcpy(copy, text, length);
    copy[length] = '\0';
    at += length + 1;
    return copy;
}

const size_t kLongestSegmentName = 9999; // what a four-digit length can give

bool AppendSegment(const BrowseNode& node, CSharedString& path) {
    size_t length = std::strlen(node.remoteName);
    if (length > kLongestSegmentName)
        return false;
    CSharedString segment; // the length in at least four digits ("%04.4d"), then the name
    return segment.Format("%.4d%s", static_cast<int>(length), node.remoteName) &&
           path.Append(segment);
}

// Appends the segments of the containers above `node`, outermost first.
bool AppendOuterSegments(const BrowseNodeList& nodes, const BrowseNode& node, size_t stepsLeft,
                         CSharedString& path) {
    const BrowseNode* above =
        node.parent != nullptr && stepsLeft != 0 ? nodes.FindNode(node.parent) : nullptr;
    if (above == nullptr || above->parent == nullptr) // the node at the root stays out
        return true;
    if (!AppendOuterSegments(nodes, *above, stepsLeft - 1, path))
        return false;
    return above->displayType == KVX_NET_NETWORK || AppendSegment(*above, path);
}

} // namespace

BrowseNodeList::Slot* BrowseNodeList::FindSlot(HTREEITEM item) const {
    size_t mask = slotCount_ - 1;
    for (size_t i = Hash(item) & mask;; i = (i + 1) & mask)
        if (slots_[i].node == nullptr || slots_[i].item == item)
            return &slots_[i];
}

BrowseNode* BrowseNodeList::FindNode(HTREEITEM item) const {
    if (slotCount_ == 0)
        return nullptr;
    return FindSlot(item)->node;
}

bool BrowseNodeList::Grow() {
    size_t newCount = slotCount_ ? slotCount_ * 2 : 64;
    auto* fresh =
        static_cast<Slot*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, newCount * sizeof(Slot)));
    if (fresh == nullptr)
        return false;
    Slot* old = slots_;
    size_t oldCount = slotCount_;
    slots_ = fresh;
    slotCount_ = newCount;
    for (size_t i = 0; i < oldCount; ++i)
        if (old[i].node != nullptr)
            *FindSlot(old[i].item) = old[i];
    if (old != nullptr)
        HeapFree(GetProcessHeap(), 0, old);
    return true;
}

BrowseNode* BrowseNodeList::AppendNode(HTREEITEM item, HTREEITEM parent, const char* label,
                                       const char* provider, const char* remoteName,
                                       int16_t displayType, uint32_t flags) {
    // Keep the index at most half full, so that probes stay short.
    if ((usedSlots_ + 1) * 2 > slotCount_ && !Grow())
        return nullptr;
    size_t labelLength = Length(label);
    size_t remoteLength = Length(remoteName);
    size_t providerLength = Length(provider);
    // The node and its three strings share one allocation.
    auto* node = static_cast<BrowseNode*>(HeapAlloc(
        GetProcessHeap(), 0, sizeof(BrowseNode) + labelLength + remoteLength + providerLength + 3));
    if (node == nullptr)
        return nullptr;
    char* strings = reinterpret_cast<char*>(node + 1);
    node->item = item;
    node->parent = parent;
    node->label = CopyTo(strings, label, labelLength);
    node->remoteName = CopyTo(strings, remoteName, remoteLength);
    node->provider = CopyTo(strings, provider, providerLength);
    node->displayType = displayType;
    node->next = nullptr;
    node->flags = flags;

    tail_->next = node;
    tail_ = node;
    ++count_;
    Slot* slot = FindSlot(item);
    if (slot->node == nullptr) { // an item seen before keeps its first node
        *slot = {item, node};
        ++usedSlots_;
    }
    return node;
}

void BrowseNodeList::Clear() {
    for (BrowseNode* node = head_.next; node != nullptr;) {
        BrowseNode* next = node->next;
        HeapFree(GetProcessHeap(), 0, node);
        node = next;
    }
    head_.next = nullptr;
    tail_ = &head_;
    count_ = 0;
    if (slots_ != nullptr)
        HeapFree(GetProcessHeap(), 0, slots_);
    slots_ = nullptr;
    slotCount_ = 0;
    usedSlots_ = 0;
}

bool BuildNodePath(const BrowseNodeList& nodes, const BrowseNode& node, CSharedString& provider,
                   CSharedString& path) {
    if (!provider.Assign(node.provider))
        return false;
    path = "";
    if (node.displayType == KVX_NET_NETWORK) // a provider's own level: the empty path
        return true;
    return AppendOuterSegments(nodes, node, nodes.Count(), path) && AppendSegment(node, path);
}
