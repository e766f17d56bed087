#include "printer_removal.h"

#include <win32.h>

#include <vector>

namespace {

// A printer handle, closed when it goes out of scope.
class PrinterForDeletion {
public:
    PrinterForDeletion(std::string name, DWORD access) {
        PRINTER_DEFAULTSA defaults = {nullptr, nullptr, access};
        if (!OpenPrinterA(&name[0], &handle_, &defaults))
            handle_ = nullptr;
    }
    ~PrinterForDeletion() {
        if (handle_ != nullptr)
            ClosePrinter(handle_);
    }
    PrinterForDeletion(const PrinterForDeletion&) = delete;
    PrinterForDeletion& operator=(const PrinterForDeletion&) = delete;
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_ = nullptr;
};

// The jobs still queued on the printer, as its handle reports them; 0 when the
// spooler does not say.
DWORD QueuedJobs(HANDLE printer) {
    DWORD needed = 0;
    if (GetPrinterA(printer, 2, nullptr, 0, &needed) || needed < sizeof(PRINTER_INFO_2A))
        return 0;
    std::vector<BYTE> buffer(needed);
    if (!GetPrinterA(printer, 2, buffer.data(), needed, &needed))
        return 0;
    return reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data())->cJobs;
}

} // namespace

PrinterRemoval RemovePrinter(const std::string& name) {
    PrinterRemoval removal;
    PrinterForDeletion printer(name, PRINTER_ALL_ACCESS);
    if (printer.Get() == nullptr || !DeletePrinter(printer.Get())) {
        removal.error = GetLastError();
        return removal;
    }
    // A printer with jobs queued is only marked for deletion; the handle still
    // open tells how many wait.
    removal.accepted = true;
    removal.queuedJobs = QueuedJobs(printer.Get());
    return removal;
}
