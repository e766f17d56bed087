// The C++ allocation operators over the process heap, the allocator the
// library's strings already use. The library never throws: a failed new
// answers null.
#include <win32.h>

#include <cstddef>
#include <new>

void* operator new(size_t bytes) {
    return HeapAlloc(GetProcessHeap(), 0, bytes ? bytes : 1);
}

void* operator new[](size_t bytes) {
    return operator new(bytes);
}

void* operator new(size_t bytes, const std::nothrow_t&) noexcept {
    return operator new(bytes);
}

void* operator new[](size_t bytes, const std::nothrow_t&) noexcept {
    return operator new(bytes);
}

void operator delete(void* block) noexcept {
    if (block != nullptr)
        HeapFree(GetProcessHeap(), 0, block);
}

void operator delete[](void* block) noexcept {
    operator delete(block);
}

void operator delete(void* block, size_t) noexcept {
    operator delete(block);
}

void operator delete[](void* block, size_t) noexcept {
    operator delete(block);
}
