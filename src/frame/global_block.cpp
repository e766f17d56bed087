#include "frame/global_block.h"

#include <cstring>

bool GlobalBlock::CopyTo(void* destination, SIZE_T count) const {
    BlockLock lock = Lock();
    if (!lock)
        return false;
    SIZE_T available = Size();
    std::memcpy(destination, lock.data(), count < available ? count : available);
    return true;
}
