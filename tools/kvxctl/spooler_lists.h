// What the spooler itself lists, for the questions the exports do not answer:
// the local printers with their ports and drivers, and the registered drivers.
#pragma once

#include <string>
#include <vector>

struct LocalPrinter {
    std::string name;
    std::string port;
    std::string driver;
};

struct RegisteredDriver {
    std::string name;
    std::string environment;
};

// The local printers (empty when the spooler lists none or refuses).
std::vector<LocalPrinter> LocalPrinters();
// The drivers registered under `environment`; empty when the spooler knows no
// such environment.
std::vector<RegisteredDriver> RegisteredDrivers(const std::string& environment);
