// What the spooler itself lists, for the questions the exports do not answer:
// the local printers with their ports and drivers, and the registered drivers.
#pragma once

#include "json_output.h"

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
    std::vector<std::string> files; // its driver, data and configuration files (paths)
};

// Whether two names are the same to the spooler, which ignores case.
bool SameName(const std::string& a, const std::string& b);

// The local printers (empty when the spooler lists none or refuses).
std::vector<LocalPrinter> LocalPrinters();
// The local printers that use the driver of that name.
std::vector<LocalPrinter> PrintersUsing(const std::string& driver);
// The printers as an array, each with its "name" and "port".
Json PrintersJson(const std::vector<LocalPrinter>& printers);

// The drivers registered under `environment`; empty when the spooler knows no
// such environment.
std::vector<RegisteredDriver> RegisteredDrivers(const std::string& environment);
