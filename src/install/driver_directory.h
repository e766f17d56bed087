// The spooler's printer-driver directory for the running platform.
#pragma once

#include "appkit/heap_buffer.h"

// The directory as a NUL-terminated string in a buffer of the call's own, or an
// empty HeapBuffer when the spooler refused or memory ran out. The first request
// allows 240 bytes; a directory that needs more is fetched again into a buffer
// of the needed size + 16.
HeapBuffer QueryDriverDirectory();
