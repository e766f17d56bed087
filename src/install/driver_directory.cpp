#include "install/driver_directory.h"

namespace {

constexpr DWORD kFirstLimit = 240;

bool Ask(HeapBuffer& buffer, DWORD limit, DWORD* needed) {
    if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(buffer.data()),
                                    limit, needed))
        return false;
    buffer.data()[buffer.size() - 1] = '\0'; // whatever the spooler wrote ends inside the buffer
    return true;
}

} // namespace

HeapBuffer QueryDriverDirectory() {
    HeapBuffer buffer(kFirstLimit);
    if (!buffer)
        return {};
    DWORD needed = 0;
    if (Ask(buffer, kFirstLimit, &needed))
        return buffer;
    if (needed <= kFirstLimit)
        return {}; // refused for another reason than room: there is no directory to read
    HeapBuffer larger(SIZE_T{needed} + 16);
    if (!larger || !Ask(larger, needed, &needed))
        return {};
    return larger;
}
