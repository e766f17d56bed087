#include "frame/dialog_handoff.h"

#include <cstring>

int32_t KeepPending(HandoffSlot& slot, const char* text, size_t length, int32_t reported) {
    HandoffBlock block = HandoffBlock::Allocate(length + 1);
    {
        BlockLock lock = block.Lock();
        if (!lock)
            return KVX_DIALOG_NO_MEMORY; // the block is freed on the way out
        std::memcpy(lock.data(), text, length);
    }
    slot.Keep(std::move(block));
    return reported;
}

int32_t FetchPending(HandoffSlot& slot, char* destination) {
    if (destination == nullptr)
        return KVX_DIALOG_FETCH_NO_DESTINATION;
    HandoffBlock block = slot.Take();
    BlockLock lock = block.Lock();
    if (!lock)
        return KVX_DIALOG_FETCH_LOCK_FAILED;
    // The block was made one byte longer than its text, so this writes no more
    // than the size the sizing call reported. A block whose size cannot be read
    // cannot be read either.
    SIZE_T size = block.Size();
    if (size == 0)
        return KVX_DIALOG_FETCH_LOCK_FAILED;
    size_t length = strnlen(lock.data(), size - 1);
    if (length == 0)
        return KVX_DIALOG_NOTHING_CHOSEN;
    std::memcpy(destination, lock.data(), length);
    destination[length] = '\0';
    return KVX_DIALOG_COPIED;
}
