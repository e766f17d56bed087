// Deleting a printer through the spooler, which the library's exports do not
// do: opened with the rights a deletion needs, deleted, closed.
#pragma once

#include <cstdint>
#include <string>

struct PrinterRemoval {
    bool accepted = false;   // the spooler took the deletion
    uint32_t error = 0;      // its reason when it did not
    uint32_t queuedJobs = 0; // jobs still queued: the printer stays, marked for deletion, until
                             // they are printed
};

PrinterRemoval RemovePrinter(const std::string& name);
