// The provider's optional call log: one UTF-8 line per open, request, close and
// network-file complaint, appended to the file that KVXNP_LOG (or the service
// value LogFile) names, so that a test can see which containers a call opened.
#pragma once

#include <windows.h>

namespace kvxnp {

class LogLine {
public:
    // Starts a line with the provider's base name and `what`.
    LogLine(const WCHAR* base, const char* what);
    void text(const char* s);
    void wide(const WCHAR* s); // quoted; (null) for a null pointer
    void number(unsigned long v, bool hex = false);
    // Appends the line to the log file, when one is configured.
    void emit();

private:
    const WCHAR* base_;
    char buf_[1024];
    size_t len_ = 0;
};

} // namespace kvxnp
