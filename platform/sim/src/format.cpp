// user32's string formatter.
#include "sim_internal.h"

#include <cstdarg>
#include <cstdio>

namespace {
constexpr size_t kMaxOutput = 1024; // wsprintfA never writes more, terminator included
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    sim::detail::PlatformCall call("wsprintfA");
    va_list arguments;
    va_start(arguments, format);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    int length = std::vsnprintf(buffer, kMaxOutput, format, arguments);
#pragma GCC diagnostic pop
    va_end(arguments);
    if (length < 0)
        return 0;
    if (call.Fails()) { // less than the whole output
        int written =
            (length < static_cast<int>(kMaxOutput) ? length : static_cast<int>(kMaxOutput) - 1) / 2;
        buffer[written] = '\0';
        return written;
    }
    return length < static_cast<int>(kMaxOutput) ? length : static_cast<int>(kMaxOutput) - 1;
}
