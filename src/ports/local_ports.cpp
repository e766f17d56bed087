// The local machine's printer ports: their names through the ports handoff, and
// the configuration dialog of one port.
#include "frame/handoff.h"
#include "appkit/heap_buffer.h"

#include <win32.h>

#include <cstring>
#include <kvx32.h>

namespace {

// A new list block starts at this size and is then fitted to the names.
constexpr SIZE_T kInitialBlockSize = 1000;

// The spooler's level-1 port records in a buffer of the call's own, or an empty
// buffer when the spooler refuses or memory runs out.
HeapBuffer QueryPorts(DWORD* count) {
    BYTE scratch[4];
    DWORD needed = 1;
    // Asked with no room, only to learn the size; the expected refusal is not the host's concern.
    if (!EnumPortsA(nullptr, 1, scratch, 0, &needed, count))
        SetLastError(0);
    uint64_t bytes = (uint64_t{needed} / 4 + 1) * 4;
    if (bytes > UINT32_MAX)
        return {};
    HeapBuffer ports(static_cast<SIZE_T>(bytes));
    if (!ports || !EnumPortsA(nullptr, 1, reinterpret_cast<LPBYTE>(ports.data()),
                              static_cast<DWORD>(bytes), &needed, count))
        return {};
    return ports;
}

// Sizing call: appends the port names at offset *size of the pending block (a
// new one when none is pending) and adds their length to *size. When the block
// cannot grow or be locked, *size is put back, so that a fetch never copies bytes
// that were not written: a new block is dropped, and a block that was pending
// stays pending with the names of the earlier calls that *size still counts.
void AppendPorts(uint32_t* size) {
    DWORD count = 0;
    HeapBuffer ports = QueryPorts(&count);
    if (!ports)
        return;
    HandoffBlock block = g_portsSlot.Take();
    const bool wasPending = static_cast<bool>(block);
    if (!block)
        block = HandoffBlock::Allocate(kInitialBlockSize);
    if (!block)
        return;
    const uint32_t start = *size;
    auto giveUp = [&] {
        *size = start;
        if (wasPending)
            g_portsSlot.Keep(std::move(block));
    };
    const auto* records = reinterpret_cast<const PORT_INFO_1A*>(ports.data());
    for (DWORD i = 0; i < count; ++i) {
        const char* name = records[i].pName;
        size_t length = name != nullptr ? std::strlen(name) : 0;
        if (length == 0)
            continue;
        uint64_t end = uint64_t{*size} + length + 1;
        if (end > UINT32_MAX || !block.Resize(static_cast<SIZE_T>(end))) {
            giveUp();
            return;
        }
        BlockLock lock = block.Lock();
        if (!lock) {
            giveUp();
            return;
        }
        std::memcpy(lock.data() + *size, name, length + 1);
        *size = static_cast<uint32_t>(end);
    }
    g_portsSlot.Keep(std::move(block));
}

} // namespace

// EnumLocalPorts (ordinal 12): the local ports' names, through the sizing and fetch calls.
extern "C" void KVX_API EnumLocalPorts(char* destination, uint32_t* size) {
    if (size == nullptr)
        return;
    if (destination == nullptr) {
        AppendPorts(size);
        return;
    }
    if (!g_portsSlot.Pending())
        return;
    // Fetch: at most the block's own size is copied; the block is freed even when
    // it cannot be locked, as the host has no way to be told.
    g_portsSlot.Take().CopyTo(destination, *size);
}

// SetPortSettings (ordinal 3): opens a port's configuration dialog.
extern "C" int32_t KVX_API SetPortSettings(const char* portName) {
    return ConfigurePortA(nullptr, nullptr, const_cast<char*>(portName));
}
