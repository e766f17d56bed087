/* memcpy, as the C runtime declares it; the link check's host defines it. */
#ifndef KVX_CHECK_STRING_H
#define KVX_CHECK_STRING_H
#include <stddef.h>
void* __cdecl memcpy(void* destination, const void* source, size_t count);
#endif
