// How the driver and printer installations answer a refusal.
#pragma once

#include <win32.h>

#include <stdint.h>

// Answers 0 with the last error cleared: the spooler's reason is not passed on,
// hosts rely on the result alone. Called after the working buffers are released,
// so that nothing can set the last error again.
inline int32_t Refused() {
    SetLastError(0);
    return 0;
}
