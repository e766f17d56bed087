// GetPortsSelect: the resources of one network container, as a list of
// NetEntryRecords handed over in two calls through the network list slot.
#include "netlist/net_enum.h"

#include <kvx32.h>

#include <cstring>

namespace {

constexpr SIZE_T kFirstBlockBytes = 100;

// The characters of a string a host passed, never beyond its terminator or the
// length its header gives.
NameView ViewOf(const CSharedString& text) {
    size_t limit = text.GetLength() > 0 ? static_cast<size_t>(text.GetLength()) : 0;
    const void* terminator = std::memchr(text.c_str(), '\0', limit);
    size_t length = terminator
                        ? static_cast<size_t>(static_cast<const char*>(terminator) - text.c_str())
                        : limit;
    return {text.c_str(), length};
}

// Runs the search into a new block: the records, then one zero byte.
NetListState ListNetContainer(const CSharedString& provider, const CSharedString& path) {
    NetListState state;
    state.block = HandoffBlock::Allocate(kFirstBlockBytes);
    if (!state.block)
        return state;
    EnumNetContainer(nullptr, state, provider, ViewOf(path));
    // A block that cannot shrink keeps its records and zeros: it is kept as it is.
    if (state.block)
        state.block.Resize(state.byteCount + 1);
    return state;
}

} // namespace

// GetPortsSelect (ordinal 2): the network list of a container, through the sizing and fetch calls.
extern "C" void KVX_API GetPortsSelect(char* buffer, uint32_t* size, const char* provider,
                                       const char* path) {
    // Both strings are the caller's references, released when the call returns.
    CSharedString providerFilter = CSharedString::Adopt(provider);
    CSharedString networkPath = CSharedString::Adopt(path);

    if (g_netListSlot.Pending()) {
        if (buffer == nullptr)
            return; // the result waits for its fetch call
        HandoffBlock pending = g_netListSlot.Take();
        if (size != nullptr)
            pending.CopyTo(buffer, *size);
        return; // the fetch frees the block, also when it could not be read
    }

    NetListState list = ListNetContainer(providerFilter, networkPath);
    if (buffer == nullptr) {
        if (size != nullptr)
            *size = list.byteCount + 1;
    } else if (size != nullptr && list.block) {
        // Written at once, without the closing zero; the block stays pending too.
        list.block.CopyTo(buffer, list.byteCount < *size ? list.byteCount : *size);
    } else if (size != nullptr && *size > 0) {
        buffer[0] = '\0';
    }
    g_netListSlot.Keep(std::move(list.block));
}
