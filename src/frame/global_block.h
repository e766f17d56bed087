// RAII owners for global memory: GlobalBlock owns a block and frees it on every
// path; BlockLock holds the block's lock for a scope.
#pragma once

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

class GlobalBlock {
public:
    // Movable and zero-initialised, as every block the library keeps between calls.
    static constexpr UINT kMovableZeroed = GMEM_MOVEABLE | GMEM_ZEROINIT;

    GlobalBlock() = default;
    explicit GlobalBlock(HGLOBAL adopted) : handle_(adopted) {}
    static GlobalBlock Allocate(SIZE_T bytes, UINT flags = kMovableZeroed) {
        return GlobalBlock(GlobalAlloc(flags, bytes));
    }
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;
    GlobalBlock(GlobalBlock&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    // The block held so far is freed at once.
    GlobalBlock& operator=(GlobalBlock&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    ~GlobalBlock() { Reset(); }

    explicit operator bool() const { return handle_ != nullptr; }
    HGLOBAL get() const { return handle_; }
    SIZE_T Size() const { return handle_ ? GlobalSize(handle_) : 0; }
    BlockLock Lock() const { return BlockLock(handle_); }

    // Grows or shrinks the block (new bytes zeroed). On failure the block is
    // kept unchanged and false is returned.
    bool Resize(SIZE_T bytes) {
        HGLOBAL resized = GlobalReAlloc(handle_, bytes, kMovableZeroed);
        if (resized == nullptr)
            return false;
        handle_ = resized;
        return true;
    }

    // Copies count bytes from the start of the block into destination, never more
    // than the block holds; false when the block cannot be locked.
    bool CopyTo(void* destination, SIZE_T count) const;

    HGLOBAL Release() { return std::exchange(handle_, nullptr); }
    // Frees the block held (if any) and takes over `adopted`.
    void Reset(HGLOBAL adopted = nullptr) {
        if (HGLOBAL old = std::exchange(handle_, adopted))
            GlobalFree(old);
    }

private:
    HGLOBAL handle_ = nullptr;
};
