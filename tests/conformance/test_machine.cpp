#include "conformance/test_machine.h"

#include <win32.h>

namespace machine {

const std::vector<Release>& Releases() {
    static const std::vector<Release> releases = {
        {"win31", 0, 3, 10, 0},  {"win95", 1, 4, 0, 2},  {"win98", 1, 4, 10, 16},
        {"winme", 1, 4, 90, 16}, {"nt351", 2, 3, 51, 4}, {"nt40", 2, 4, 0, 8},
        {"win2k", 2, 5, 0, 8},   {"win10", 2, 6, 2, 8},
    };
    return releases;
}

void Clean() {
    // Remove every name our driver may be registered under, in both environments.
    for (const char* environment : {"Windows NT x86", "Windows 4.0"})
        for (const char* name : {"Printer KVX 5.0", "Printer KVX"})
            DeletePrinterDriverA(nullptr, const_cast<char*>(environment), const_cast<char*>(name));
}

} // namespace machine
