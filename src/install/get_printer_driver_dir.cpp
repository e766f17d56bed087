// Reporting the spooler's printer-driver directory to the host.
#include "install/driver_directory.h"

#include <kvx32.h>

#include <cstring>

// GetPrinterDriverDir (ordinal 6): the spooler's printer-driver directory, sized then copied.
extern "C" uint32_t KVX_API GetPrinterDriverDir(char* buffer, uint32_t** lengthRef) {
    // Without the length there is neither a capacity to respect nor a place to
    // report to, so nothing is written.
    uint32_t* length = lengthRef != nullptr ? *lengthRef : nullptr;
    if (length == nullptr)
        return 0;
    uint32_t capacity = *length;
    if (buffer != nullptr && capacity > 0)
        buffer[0] = '\0';

    HeapBuffer directory = QueryDriverDirectory();
    uint32_t directoryLength = directory ? static_cast<uint32_t>(std::strlen(directory.data())) : 0;
    if (directory && buffer != nullptr && capacity > directoryLength) {
        std::memcpy(buffer, directory.data(), directoryLength + 1);
        return directoryLength + 1;
    }
    *length = directoryLength;
    return 0;
}
