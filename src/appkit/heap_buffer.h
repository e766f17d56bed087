// HeapBuffer: a working buffer from the process heap, owned for one call.
#pragma once

#include <win32.h>

#include <utility>

class HeapBuffer {
public:
    HeapBuffer() = default;
    explicit HeapBuffer(SIZE_T bytes, DWORD flags = HEAP_ZERO_MEMORY)
        : data_(static_cast<char*>(HeapAlloc(GetProcessHeap(), flags, bytes ? bytes : 1))),
          size_(data_ ? bytes : 0) {}
    HeapBuffer(const HeapBuffer&) = delete;
    HeapBuffer& operator=(const HeapBuffer&) = delete;
    HeapBuffer(HeapBuffer&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    // The buffer held so far is freed at once.
    HeapBuffer& operator=(HeapBuffer&& other) noexcept {
        SIZE_T size = std::exchange(other.size_, 0);
        Reset(std::exchange(other.data_, nullptr), size);
        return *this;
    }
    ~HeapBuffer() { Reset(); }

    explicit operator bool() const { return data_ != nullptr; }
    char* data() const { return data_; }
    SIZE_T size() const { return size_; }

private:
    void Reset(char* adopted = nullptr, SIZE_T size = 0) {
        size_ = adopted != nullptr ? size : 0;
        if (char* old = std::exchange(data_, adopted))
            HeapFree(GetProcessHeap(), 0, old);
    }

    char* data_ = nullptr;
    SIZE_T size_ = 0;
};
