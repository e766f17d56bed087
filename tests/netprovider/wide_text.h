// Wide strings and memory for the test network provider, which links no C
// runtime functions of its own: small helpers over the process heap, and the
// arena that holds the strings of one enumeration until it is closed.
#pragma once

#include <windows.h>

namespace kvxnp {

inline size_t wlen(const WCHAR* s) {
    size_t n = 0;
    while (s[n])
        n++;
    return n;
}

inline WCHAR wlower(WCHAR c) {
    return (c >= L'A' && c <= L'Z') ? (WCHAR)(c - L'A' + L'a') : c;
}

inline bool wequal(const WCHAR* a, const WCHAR* b) {
    while (*a && *a == *b) {
        a++;
        b++;
    }
    return *a == *b;
}

inline bool wequal_nocase(const WCHAR* a, const WCHAR* b) {
    while (*a && wlower(*a) == wlower(*b)) {
        a++;
        b++;
    }
    return wlower(*a) == wlower(*b);
}

inline bool wstarts_nocase(const WCHAR* s, const WCHAR* prefix) {
    for (; *prefix; s++, prefix++) {
        if (wlower(*s) != wlower(*prefix))
            return false;
    }
    return true;
}

inline bool is_blank(WCHAR c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\v' || c == L'\f' || c == 0;
}

inline void* mem_alloc(size_t n) {
    return HeapAlloc(GetProcessHeap(), 0, n ? n : 1);
}

inline void mem_free(void* p) {
    if (p)
        HeapFree(GetProcessHeap(), 0, p);
}

inline void mem_copy(void* dst, const void* src, size_t n) {
    unsigned char* d = (unsigned char*)dst;
    const unsigned char* s = (const unsigned char*)src;
    while (n--)
        *d++ = *s++;
}

inline void mem_zero(void* dst, size_t n) {
    unsigned char* d = (unsigned char*)dst;
    while (n--)
        *d++ = 0;
}

// The strings of one open enumeration, freed all at once.
struct ArenaBlock {
    ArenaBlock* next;
    size_t size, used;
    // the characters follow
};

struct Arena {
    ArenaBlock* head;
};

inline void arena_free(Arena* a) {
    ArenaBlock* b = a->head;
    while (b) {
        ArenaBlock* next = b->next;
        mem_free(b);
        b = next;
    }
    a->head = nullptr;
}

// A copy of s[0, len) with a closing zero, or nullptr when memory runs out.
inline WCHAR* arena_wstr(Arena* a, const WCHAR* s, size_t len) {
    size_t bytes = (len + 1) * sizeof(WCHAR);
    ArenaBlock* b = a->head;
    if (!b || b->size - b->used < bytes) {
        size_t size = bytes > 65536 ? bytes : 65536;
        b = (ArenaBlock*)mem_alloc(sizeof(ArenaBlock) + size);
        if (!b)
            return nullptr;
        b->next = a->head;
        b->size = size;
        b->used = 0;
        a->head = b;
    }
    WCHAR* d = (WCHAR*)((unsigned char*)(b + 1) + b->used);
    b->used += bytes;
    mem_copy(d, s, len * sizeof(WCHAR));
    d[len] = 0;
    return d;
}

} // namespace kvxnp
