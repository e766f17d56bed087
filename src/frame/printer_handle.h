// PrinterHandle: owns a spooler printer handle and closes it on every path.
#pragma once

#include "appkit/unique_resource.h"

#include <win32.h>

struct PrinterTraits {
    using Type = HANDLE;
    static void Close(HANDLE printer) { ClosePrinter(printer); }
};

class PrinterHandle : public UniqueResource<PrinterTraits> {
public:
    using UniqueResource::UniqueResource;
    // Opens a printer by name with no defaults; empty when the spooler refuses.
    static PrinterHandle Open(const char* name) {
        HANDLE handle = nullptr;
        if (!OpenPrinterA(const_cast<char*>(name), &handle, nullptr))
            handle = nullptr;
        return PrinterHandle(handle);
    }

    // Closes the handle now and answers as ClosePrinter does. An empty owner
    // passes the null handle on, which the spooler refuses.
    BOOL Close() { return ClosePrinter(Release()); }
};
