// RAII owners for global memory: GlobalBlock owns a block and frees it on every
// path; BlockLock holds the block's lock for a scope.
#pragma once

#include "appkit/unique_resource.h"

#include <win32.h>

#include <utility>

class BlockLock {
public:
    BlockLock() = default; // holds no lock
    explicit BlockLock(HGLOBAL block)
        : block_(block), data_(block ? static_cast<char*>(GlobalLock(block)) : nullptr) {}
    BlockLock(const BlockLock&) = delete;
    BlockLock& operator=(const BlockLock&) = delete;
    BlockLock(BlockLock&& other) noexcept
        : block_(other.block_), data_(std::exchange(other.data_, nullptr)) {}
    // The lock held so far is released at once.
    BlockLock& operator=(BlockLock&& other) noexcept {
        if (this != &other) {
            Unlock();
            block_ = other.block_;
            data_ = std::exchange(other.data_, nullptr);
        }
        return *this;
    }
    ~BlockLock() { Unlock(); }

    explicit operator bool() const { return data_ != nullptr; }
    char* data() const { return data_; }
    // Releases the lock now; the block's data may then move.
    void Unlock() {
        if (std::exchange(data_, nullptr) != nullptr)
            GlobalUnlock(block_);
    }

private:
    HGLOBAL block_ = nullptr;
    char* data_ = nullptr;
};

struct GlobalMemory {
    using Type = HGLOBAL;
    static void Close(HGLOBAL block) { GlobalFree(block); }
};

class GlobalBlock : public UniqueResource<GlobalMemory> {
public:
    // Movable and zero-initialised, as every block the library keeps between calls.
    static constexpr UINT kMovableZeroed = GMEM_MOVEABLE | GMEM_ZEROINIT;

    using UniqueResource::UniqueResource;
    static GlobalBlock Allocate(SIZE_T bytes, UINT flags = kMovableZeroed) {
        return GlobalBlock(GlobalAlloc(flags, bytes));
    }

    SIZE_T Size() const { return *this ? GlobalSize(get()) : 0; }
    BlockLock Lock() const { return BlockLock(get()); }

    // Grows or shrinks the block (new bytes zeroed). On failure the block is
    // kept unchanged and false is returned.
    bool Resize(SIZE_T bytes) {
        HGLOBAL resized = GlobalReAlloc(get(), bytes, kMovableZeroed);
        if (resized == nullptr)
            return false;
        Release(); // the reallocation has taken the old handle's place
        Reset(resized);
        return true;
    }

    // Copies count bytes from the start of the block into destination, never more
    // than the block holds; false when the block cannot be locked.
    bool CopyTo(void* destination, SIZE_T count) const;
};
