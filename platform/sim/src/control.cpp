// Resetting the whole simulated machine.
#include "sim_internal.h"

namespace sim {

void Reset() {
    detail::ResetFailureSwitch();
    detail::ResetMemory();
    detail::ResetVersion();
    detail::ResetSpooler();
    detail::ResetPrinters();
    detail::ResetPorts();
    detail::ResetIdentity();
    detail::ResetShell();
    detail::ResetConnections();
    detail::ResetModules();
    detail::ResetNetwork();
    detail::ResetWindows();
    detail::ResetTreeViews();
    detail::ResetGraphics();
}

} // namespace sim
