// Reporting the base name of a printer's driver data file: "KVX_50" for
// "...\KVX_50.PPD", "KVX" for "...\KVX.DRV" or "...\KVX.DLL".
#include "frame/printer_handle.h"
#include "appkit/heap_buffer.h"

#include <win32.h>

#include <cstring>
#include <kvx32.h>

namespace {

// The printer's level-2 driver record in a buffer of the call's own, or an empty
// buffer when the spooler cannot give it or memory runs out.
HeapBuffer QueryDriverInfo(HANDLE printer) {
    BYTE scratch[4];
    DWORD needed = 0;
    GetPrinterDriverA(printer, nullptr, 2, scratch, 0, &needed); // only the size is wanted
    HeapBuffer info(needed);
    if (!info || !GetPrinterDriverA(printer, nullptr, 2, reinterpret_cast<LPBYTE>(info.data()),
                                    needed, &needed))
        return {};
    return info;
}

// Cuts path at its last dot, then skips past the last backslash of what is left.
const char* BaseName(char* path) {
    if (char* dot = std::strrchr(path, '.'))
        *dot = '\0';
    const char* slash = std::strrchr(path, '\\');
    return slash != nullptr ? slash + 1 : path;
}

// Copies text into output as a bounded copy does (the rest of the capacity
// NUL-filled), but always terminated: a text that does not fit is cut.
void CopyTerminated(const char* text, char* output, uint32_t capacity) {
    if (capacity == 0)
        return;
    std::strncpy(output, text, capacity);
    output[capacity - 1] = '\0';
}

} // namespace

// GetPrinterDriverName (ordinal 13): the base name of a printer's driver data file.
extern "C" int32_t KVX_API GetPrinterDriverName(const char* printerName, char* output,
                                                uint32_t capacity) {
    if (output == nullptr)
        capacity = 0;
    if (capacity > 0)
        output[0] = '\0';
    PrinterHandle printer = PrinterHandle::Open(printerName);
    if (!printer)
        return 0;
    HeapBuffer info = QueryDriverInfo(printer.get());
    if (info) {
        char* dataFile = reinterpret_cast<DRIVER_INFO_2A*>(info.data())->pDataFile;
        if (dataFile != nullptr)
            CopyTerminated(BaseName(dataFile), output, capacity);
    }
    return printer.Close();
}
