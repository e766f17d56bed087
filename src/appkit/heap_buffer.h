// HeapBuffer: a working buffer from the process heap, owned for one call.
#pragma once

#include "appkit/unique_resource.h"

#include <win32.h>

#include <utility>

struct HeapMemory {
    using Type = char*;
    static void Close(char* data) { HeapFree(GetProcessHeap(), 0, data); }
};

class HeapBuffer {
public:
    HeapBuffer() = default;
    explicit HeapBuffer(SIZE_T bytes, DWORD flags = HEAP_ZERO_MEMORY)
        : memory_(static_cast<char*>(HeapAlloc(GetProcessHeap(), flags, bytes ? bytes : 1))),
          size_(memory_ ? bytes : 0) {}
    HeapBuffer(HeapBuffer&& other) noexcept
        : memory_(std::move(other.memory_)), size_(std::exchange(other.size_, 0)) {}
    // The buffer held so far is freed at once.
    HeapBuffer& operator=(HeapBuffer&& other) noexcept {
        memory_ = std::move(other.memory_);
        size_ = std::exchange(other.size_, 0);
        return *this;
    }

    explicit operator bool() const { return static_cast<bool>(memory_); }
    char* data() const { return memory_.get(); }
    SIZE_T size() const { return size_; }

private:
    UniqueResource<HeapMemory> memory_;
    SIZE_T size_ = 0;
};
