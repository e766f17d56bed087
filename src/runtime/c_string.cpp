// The memory and string functions of the C library that the library's code
// calls, and that the compiler emits calls to for block copies and clears. The
// product links no C runtime, so these are its only definitions. They are
// compiled with -ffreestanding and without loop-pattern distribution, so the
// compiler cannot turn a loop below back into a call to the function itself.
#include "runtime/block_ops.h"

#include <cstddef>

extern "C" {

void* memcpy(void* destination, const void* source, size_t count) {
    runtime::CopyUpwards(destination, source, count);
    return destination;
}

void* memmove(void* destination, const void* source, size_t count) {
    auto* to = static_cast<unsigned char*>(destination);
    const auto* from = static_cast<const unsigned char*>(source);
    if (to < from || to >= from + count) {
        runtime::CopyUpwards(to, from, count);
    } else {
        // The destination overlaps the source from above: from the last byte down.
        while (count-- > 0)
            to[count] = from[count];
    }
    return destination;
}

void* memset(void* destination, int value, size_t count) {
    runtime::Fill(destination, static_cast<unsigned char>(value), count);
    return destination;
}

int memcmp(const void* left, const void* right, size_t count) {
    const auto* a = static_cast<const unsigned char*>(left);
    const auto* b = static_cast<const unsigned char*>(right);
    for (; count > 0; --count, ++a, ++b)
        if (*a != *b)
            return *a < *b ? -1 : 1;
    return 0;
}

void* memchr(const void* block, int value, size_t count) {
    const auto* at = static_cast<const unsigned char*>(block);
    for (; count > 0; --count, ++at)
        if (*at == static_cast<unsigned char>(value))
            return const_cast<unsigned char*>(at);
    return nullptr;
}

size_t strlen(const char* text) {
    const char* end = text;
    while (*end != '\0')
        ++end;
    return static_cast<size_t>(end - text);
}

size_t strnlen(const char* text, size_t limit) {
    size_t length = 0;
    while (length < limit && text[length] != '\0')
        ++length;
    return length;
}

int strcmp(const char* left, const char* right) {
    const auto* a = reinterpret_cast<const unsigned char*>(left);
    const auto* b = reinterpret_cast<const unsigned char*>(right);
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b ? 0 : (*a < *b ? -1 : 1);
}

// Copies up to count characters and fills the rest of the count with zeros; no
// terminator when text has count characters or more.
char* strncpy(char* destination, const char* text, size_t count) {
    size_t copied = 0;
    for (; copied < count && text[copied] != '\0'; ++copied)
        destination[copied] = text[copied];
    for (; copied < count; ++copied)
        destination[copied] = '\0';
    return destination;
}

char* strrchr(const char* text, int character) {
    const char* last = nullptr;
    const char wanted = static_cast<char>(character);
    for (;; ++text) {
        if (*text == wanted)
            last = text;
        if (*text == '\0')
            return const_cast<char*>(last);
    }
}

} // extern "C"
