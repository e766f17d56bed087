// The driver files of the running platform, placed in the spooler's driver
// directory as an administrator would before installing the driver.
#pragma once

#include "harness/test_machine.h"

#include <kvx32.h>

namespace harness {

inline void PlaceDriverFiles() {
    int16_t code = KVX_PLATFORM_OTHER;
    GetPlatformFrom32(&code, nullptr, nullptr, nullptr);
    harness::PlaceDriverFiles(code);
}

} // namespace harness
