// PrinterHandle: owns a spooler printer handle and closes it on every path.
#pragma once

#include <win32.h>

#include <utility>

class PrinterHandle {
public:
    PrinterHandle() = default;
    explicit PrinterHandle(HANDLE adopted) : handle_(adopted) {}
    // Opens a printer by name with no defaults; empty when the spooler refuses.
    static PrinterHandle Open(const char* name) {
        HANDLE handle = nullptr;
        if (!OpenPrinterA(const_cast<char*>(name), &handle, nullptr))
            handle = nullptr;
        return PrinterHandle(handle);
    }
    PrinterHandle(const PrinterHandle&) = delete;
    PrinterHandle& operator=(const PrinterHandle&) = delete;
    PrinterHandle(PrinterHandle&& other) noexcept
        : handle_(std::exchange(other.handle_, nullptr)) {}
    // The handle held so far is closed at once.
    PrinterHandle& operator=(PrinterHandle&& other) noexcept {
        Reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    ~PrinterHandle() { Reset(); }

    explicit operator bool() const { return handle_ != nullptr; }
    HANDLE get() const { return handle_; }

    // Closes the handle now and answers as ClosePrinter does. An empty owner
    // passes the null handle on, which the spooler refuses.
    BOOL Close() { return ClosePrinter(std::exchange(handle_, nullptr)); }

private:
    void Reset(HANDLE adopted = nullptr) {
        if (HANDLE old = std::exchange(handle_, adopted))
            ClosePrinter(old);
    }

    HANDLE handle_ = nullptr;
};
