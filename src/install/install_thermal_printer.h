// Creating a local printer for the thermal printer driver on a port.
#pragma once

#include <stdint.h>

// Adds a local printer on portName with the running platform's printer name and
// driver: 1 when the spooler added it, 0 when it was refused (the thread's last
// error is then 0). The driver must already be installed.
int32_t AddThermalPrinter(const char* portName);
