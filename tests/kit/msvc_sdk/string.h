/* memcpy, as the C runtime declares it; the link check's host defines it. */
#ifndef KVX_CHECK_STRING_H
#define KVX_CHECK_STRING_H
#include <stddef.h>
#ifdef __cplusplus
extern "C" {
#endif
void* __cdecl memcpy(void* destination, const void* source, size_t count);
#ifdef __cplusplus
}
#endif
#endif
