// The block copy and fill behind the runtime's memcpy, memmove and memset: whole
// 32-bit words through the string instructions that every x86 since the 386 has
// (rep movsd, rep stosd), the bytes up to the first aligned word of the
// destination and after the last whole word one at a time. Both ABIs the
// product is built for enter a function with the direction flag clear, so the
// words go upwards. Apart from c_string.cpp so that the native tests can hold
// them against the C library's own.
#pragma once

#include <cstddef>
#include <cstdint>

#if !defined(__i386__) && !defined(__x86_64__)
#error "the runtime's block operations are written for x86"
#endif

namespace runtime {

// Below this many bytes, the byte loop costs less than lining the words up.
constexpr size_t kWordCopyMinimum = 16;

// Bytes from `to` up to the next address that is a multiple of four.
inline size_t BytesToAlignment(const void* to) {
    return (0u - reinterpret_cast<uintptr_t>(to)) & 3u;
}

// Copies count bytes upwards: right for blocks that do not overlap and for a
// destination below its source, where each byte is read before the copy
// writes over it.
inline void CopyUpwards(void* destination, const void* source, size_t count) {
    auto* to = static_cast<unsigned char*>(destination);
    const auto* from = static_cast<const unsigned char*>(source);
    if (count >= kWordCopyMinimum) {
        for (size_t head = BytesToAlignment(to); head > 0; --head, --count)
            *to++ = *from++;
        size_t words = count / 4;
        count %= 4;
        asm volatile("rep movsl" : "+D"(to), "+S"(from), "+c"(words) : : "memory");
    }
    while (count-- > 0)
        *to++ = *from++;
}

// Sets count bytes to value.
inline void Fill(void* destination, unsigned char value, size_t count) {
    auto* to = static_cast<unsigned char*>(destination);
    if (count >= kWordCopyMinimum) {
        for (size_t head = BytesToAlignment(to); head > 0; --head, --count)
            *to++ = value;
        size_t words = count / 4;
        count %= 4;
        uint32_t pattern = value * 0x01010101u;
        asm volatile("rep stosl" : "+D"(to), "+c"(words) : "a"(pattern) : "memory");
    }
    while (count-- > 0)
        *to++ = value;
}

} // namespace runtime
