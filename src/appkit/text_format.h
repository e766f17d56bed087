// FormatText: printf-style formatting without a C runtime, for CSharedString.
#pragma once

#include <cstdarg>
#include <cstddef>

// Formats like vsnprintf: writes at most capacity - 1 characters and a
// terminator to out (nothing when capacity is 0) and returns the length of the
// whole text, or -1 for a pattern it does not know. Understands %d %i %u %x %X
// %c %s and %%, with the flags '-' and '0', a width and a precision (each may be
// '*'), and the length modifiers h and l.
int FormatText(char* out, size_t capacity, const char* pattern, va_list args);
