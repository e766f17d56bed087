#include "browse_network/net_records.h"

#include <cstring>

namespace {

// How an entry shows in the tree, by its display type.
struct EntryKind {
    UINT mask; // TVIF_* of the inserted item; TVIF_CHILDREN gives it an expand button
    int image;
    int selectedImage;
    uint32_t flag;        // its node's kind flag
    bool labelIsProvider; // a network provider shows its provider name, others their remote name
};

EntryKind KindOf(int16_t displayType) {
    const UINT withButton = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    switch (displayType) {
    case KVX_NET_DOMAIN:
        return {withButton, 2, 3, kNodeDomain, false};
    case KVX_NET_SERVER:
        return {withButton, 4, 5, kNodeServer, false};
    case KVX_NET_SHARE:
        return {withButton & ~TVIF_CHILDREN, 6, 7, kNodePrinterShare, false};
    case KVX_NET_NETWORK:
        return {withButton, 6, 7, kNodeOther, true};
    default:
        return {withButton, 0, 1, kNodeOther, false};
    }
}

} // namespace

TokenRead ReadToken(uint32_t size, const char* data, uint32_t& position, CSharedString& token,
                    EmptyToken empty) {
    if (size == 0 || position >= size)
        return {false, position < size};
    const char* start = data + position;
    const void* end = std::memchr(start, '\0', size - position);
    if (end == nullptr) {
        position = size;
        return {false, false};
    }
    uint32_t terminator = position + static_cast<uint32_t>(static_cast<const char*>(end) - start);
    // The byte after an empty token's terminator belongs to it; past the end the
    // position only has to stay beyond the data.
    if (terminator == position && empty == EmptyToken::TwoBytes)
        position = terminator + 1 < size ? terminator + 2 : size;
    else
        position = terminator + 1;
    // A token that cannot be stored (memory ran out) counts as not read.
    if (!token.Assign(start))
        return {false, position < size};
    return {true, position < size};
}

void InsertNetEntries(CTreeCtrl& tree, BrowseNodeList& nodes, const char* data, uint32_t size,
                      HTREEITEM parent) {
    uint32_t position = 0;
    CSharedString provider, remoteName, typeToken;
    // Each record starts with its provider; the list ends when no data remains after it
    // (the closing zero read as a provider). A record cut short is left out rather than
    // completed with the fields of the one before. Only the display type takes two
    // bytes when empty: an empty provider or remote name is one zero byte, and taking
    // the next byte with it would shift every record after it.
    const EmptyToken name = EmptyToken::OneByte;
    uint32_t inserted = 0;
    for (TokenRead start = ReadToken(size, data, position, provider, name);
         start.read && start.remains && inserted < kMaxItemsPerExpansion;
         start = ReadToken(size, data, position, provider, name), ++inserted) {
        if (!ReadToken(size, data, position, remoteName, name).read ||
            !ReadToken(size, data, position, typeToken, EmptyToken::TwoBytes).read)
            return;
        auto displayType = static_cast<int16_t>(static_cast<signed char>(typeToken.c_str()[0]));
        EntryKind kind = KindOf(displayType);
        const char* label = kind.labelIsProvider ? provider.c_str() : remoteName.c_str();

        TVINSERTSTRUCTA insert = {};
        insert.hParent = parent;
        insert.hInsertAfter = TVI_SORT;
        insert.item.mask = kind.mask;
        insert.item.pszText = const_cast<char*>(label);
        insert.item.iImage = kind.image;
        insert.item.iSelectedImage = kind.selectedImage;
        insert.item.cChildren = 1;
        HTREEITEM item = tree.InsertItem(&insert);
        // A node is kept also for an item the tree refused (a null item).
        nodes.AppendNode(item, parent, label, provider, remoteName, displayType, kind.flag);
    }
}
