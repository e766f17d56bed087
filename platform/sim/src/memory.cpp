// Global and heap memory with Windows' semantics: movable blocks behind handles,
// lock counts, and reallocation that moves the data and keeps the old block on
// failure.
#include "sim_internal.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

namespace {

struct Block {
    SIZE_T size = 0;
    unsigned locks = 0;
    bool movable = false;
    char* data = nullptr;
    char* token = nullptr; // identity of a movable block's handle
};

// Built on first use and never destroyed: the module's static strings give their
// memory back at exit, after this file's own statics would be gone.
std::map<HGLOBAL, Block>& Blocks() {
    static auto* blocks = new std::map<HGLOBAL, Block>;
    return *blocks;
}
std::map<void*, SIZE_T>& HeapBlocks() { // by address, with the size asked for
    static auto* blocks = new std::map<void*, SIZE_T>;
    return *blocks;
}
int g_heapToken;

// Bytes of live global and heap blocks together, and the most held at once.
size_t g_liveBytes = 0;
size_t g_peakBytes = 0;

void Acquired(SIZE_T bytes) {
    g_liveBytes += bytes;
    if (g_liveBytes > g_peakBytes)
        g_peakBytes = g_liveBytes;
}

void Released(SIZE_T bytes) {
    g_liveBytes -= bytes;
}

// At least one byte, so that every block has an address of its own.
char* RawData(SIZE_T bytes) {
    auto* data = static_cast<char*>(std::malloc(bytes ? bytes : 1));
    if (data == nullptr)
        std::abort();
    return data;
}

char* NewData(SIZE_T bytes, bool zero) {
    char* data = RawData(bytes);
    // Fresh memory that is not asked to be zeroed holds garbage, as on Windows.
    std::memset(data, zero ? 0 : 0xCD, bytes ? bytes : 1);
    return data;
}

// A reallocated block's new data: the old block's bytes, then (where it grows)
// zeros or garbage, as a new block would hold.
char* MovedData(const char* old, SIZE_T oldBytes, SIZE_T bytes, bool zero) {
    char* data = RawData(bytes);
    SIZE_T kept = oldBytes < bytes ? oldBytes : bytes;
    std::memcpy(data, old, kept);
    std::memset(data + kept, zero ? 0 : 0xCD, (bytes ? bytes : 1) - kept);
    return data;
}

void FreeBlock(Block& block) {
    std::free(block.data);
    delete block.token;
}

// Blocks a refused GlobalFree or HeapFree kept: the code under test let go of
// them, so a reset gives them back. Each stays live until then, so its handle or
// address cannot be handed out again meanwhile.
std::vector<HGLOBAL>& RefusedGlobalFrees() {
    static auto* handles = new std::vector<HGLOBAL>;
    return *handles;
}
std::vector<void*>& RefusedHeapFrees() {
    static auto* memory = new std::vector<void*>;
    return *memory;
}

bool FreeGlobal(HGLOBAL handle) {
    auto it = Blocks().find(handle);
    if (it == Blocks().end())
        return false;
    Released(it->second.size);
    FreeBlock(it->second);
    Blocks().erase(it);
    return true;
}

bool FreeHeap(void* memory) {
    auto it = HeapBlocks().find(memory);
    if (it == HeapBlocks().end())
        return false;
    Released(it->second);
    HeapBlocks().erase(it);
    std::free(memory);
    return true;
}

} // namespace

namespace sim::detail {

// Blocks the code under test still holds (a pending result, a module-wide string)
// stay valid across a reset; tests compare counts before and after. Blocks only
// a refused release kept are given back.
void ResetMemory() {
    sim::ClearFaults();
    for (HGLOBAL handle : RefusedGlobalFrees())
        FreeGlobal(handle);
    for (void* memory : RefusedHeapFrees())
        FreeHeap(memory);
    RefusedGlobalFrees().clear();
    RefusedHeapFrees().clear();
}

} // namespace sim::detail

namespace sim {

size_t LiveGlobalBlocks() {
    return Blocks().size();
}

size_t LockedGlobalBlocks() {
    size_t locked = 0;
    for (auto& [handle, block] : Blocks())
        locked += block.locks != 0;
    return locked;
}

size_t LiveHeapBlocks() {
    return HeapBlocks().size();
}

size_t PeakMemoryBytes() {
    return g_peakBytes;
}

void ResetPeakMemory() {
    g_peakBytes = g_liveBytes;
}

bool GlobalBlockInfo(HGLOBAL handle, SIZE_T* size, unsigned* locks) {
    auto it = Blocks().find(handle);
    if (it == Blocks().end())
        return false;
    *size = it->second.size;
    *locks = it->second.locks;
    return true;
}

} // namespace sim

using sim::detail::PlatformCall;

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    PlatformCall call("GlobalAlloc");
    if (call.Fails())
        return nullptr;
    Block block;
    block.size = bytes;
    block.movable = (flags & GMEM_MOVEABLE) != 0;
    block.data = NewData(bytes, (flags & GMEM_ZEROINIT) != 0);
    HGLOBAL handle = block.data;
    if (block.movable) {
        block.token = new char;
        handle = block.token;
    }
    Blocks()[handle] = block;
    Acquired(bytes);
    return handle;
}

LPVOID GlobalLock(HGLOBAL handle) {
    PlatformCall call("GlobalLock");
    if (call.Fails())
        return nullptr;
    auto it = Blocks().find(handle);
    if (it == Blocks().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (it->second.movable)
        ++it->second.locks;
    return it->second.data;
}

BOOL GlobalUnlock(HGLOBAL handle) {
    PlatformCall call("GlobalUnlock");
    if (call.Fails())
        return FALSE; // the lock stays
    auto it = Blocks().find(handle);
    if (it == Blocks().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Block& block = it->second;
    if (block.locks == 0) {
        SetLastError(block.movable ? ERROR_NOT_LOCKED : NO_ERROR);
        return FALSE;
    }
    if (--block.locks == 0) {
        SetLastError(NO_ERROR);
        return FALSE;
    }
    return TRUE;
}

HGLOBAL GlobalReAlloc(HGLOBAL handle, SIZE_T bytes, UINT flags) {
    PlatformCall call("GlobalReAlloc");
    if (call.Fails())
        return nullptr; // the old block stays as it was
    auto it = Blocks().find(handle);
    if (it == Blocks().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    Block block = it->second;
    if (!block.movable && !(flags & GMEM_MOVEABLE) && bytes > block.size) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY); // a fixed block can only shrink in place
        return nullptr;
    }
    // The data always moves, so a caller that keeps an old pointer or handle is caught.
    // What the old block held is copied; only the bytes beyond it are filled.
    char* data = MovedData(block.data, block.size, bytes, (flags & GMEM_ZEROINIT) != 0);
    Acquired(bytes); // both blocks are held while the data moves
    Released(block.size);
    FreeBlock(it->second);
    Blocks().erase(it);
    block.data = data;
    block.size = bytes;
    HGLOBAL newHandle = data;
    block.token = nullptr;
    if (block.movable) {
        block.token = new char;
        newHandle = block.token;
    }
    Blocks()[newHandle] = block;
    return newHandle;
}

HGLOBAL GlobalFree(HGLOBAL handle) {
    PlatformCall call("GlobalFree");
    if (call.Fails()) {
        if (Blocks().count(handle) != 0)
            RefusedGlobalFrees().push_back(handle); // the block stays
        return handle;
    }
    if (!FreeGlobal(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return handle;
    }
    return nullptr;
}

SIZE_T GlobalSize(HGLOBAL handle) {
    PlatformCall call("GlobalSize");
    if (call.Fails())
        return 0;
    auto it = Blocks().find(handle);
    if (it == Blocks().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return it->second.size;
}

HANDLE GetProcessHeap(void) {
    PlatformCall call("GetProcessHeap");
    if (call.Fails())
        return nullptr;
    return &g_heapToken;
}

LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes) {
    PlatformCall call("HeapAlloc");
    if (call.Fails() || heap != &g_heapToken)
        return nullptr;
    char* memory = NewData(bytes, (flags & HEAP_ZERO_MEMORY) != 0);
    HeapBlocks()[memory] = bytes;
    Acquired(bytes);
    return memory;
}

BOOL HeapFree(HANDLE heap, DWORD, LPVOID memory) {
    PlatformCall call("HeapFree");
    if (memory == nullptr && !call.Fails())
        return TRUE;
    if (call.Fails() || heap != &g_heapToken) {
        if (HeapBlocks().count(memory) != 0)
            RefusedHeapFrees().push_back(memory); // the block stays
        if (!call.Fails())
            SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!FreeHeap(memory)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}
