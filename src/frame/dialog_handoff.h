// The two-call handoff as the two printer dialogs use it: a result that does not
// fit waits in the export's slot until the fetch call copies it out.
#pragma once

#include "frame/handoff.h"

#include <kvx32.h>

#include <stddef.h>

// Keeps `length` characters of `text` pending in `slot`, in a zero-filled block of
// length + 1 bytes, and returns `reported`; KVX_DIALOG_NO_MEMORY when the block
// cannot be obtained or locked (the slot then stays empty).
int32_t KeepPending(HandoffSlot& slot, const char* text, size_t length, int32_t reported);

// The fetch call: copies the pending text and its terminator into `destination`
// and frees the block. Without a destination the block stays pending.
int32_t FetchPending(HandoffSlot& slot, char* destination);
