// The spooler's ports: the port list and the port monitor's configuration dialog.
#include "sim_internal.h"

namespace {

std::vector<std::string> DefaultPorts() {
    return {"COM1:", "COM2:", "COM3:", "COM4:", "FILE:", "LPT1:", "LPT2:", "LPT3:"};
}

// Every port belongs to the local port monitor.
const std::string kLocalMonitor = "Local Port";

std::vector<std::string> g_ports = DefaultPorts();
std::vector<sim::PortConfiguration> g_configurations;
DWORD g_dialogOutcome = 0;

size_t RecordSize(DWORD level, const std::string& port) {
    if (level == 1)
        return sizeof(PORT_INFO_1A) + port.size() + 1;
    return sizeof(PORT_INFO_2A) + port.size() + 1 + 2 * (kLocalMonitor.size() + 1);
}

} // namespace

namespace sim {

namespace detail {

void ResetPorts() {
    g_ports = DefaultPorts();
    g_configurations.clear();
    g_dialogOutcome = 0;
}

bool PortExists(const std::string& name) {
    for (const std::string& port : g_ports)
        if (!port.empty() && EqualNoCase(port, name))
            return true;
    return false;
}

} // namespace detail

void SetPorts(const std::vector<std::string>& names) {
    g_ports = names;
}

std::vector<std::string> Ports() {
    return g_ports;
}

std::vector<PortConfiguration> PortConfigurations() {
    return g_configurations;
}

void SetPortDialogOutcome(DWORD error) {
    g_dialogOutcome = error;
}

} // namespace sim

BOOL EnumPortsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD bufferSize, LPDWORD needed,
                LPDWORD returned) {
    sim::detail::PlatformCall call("EnumPortsA");
    if (call.Fails())
        return FALSE;
    if (server != nullptr && *server != '\0') {
        SetLastError(ERROR_INVALID_NAME); // the simulated machine has no remote servers
        return FALSE;
    }
    if (level != 1 && level != 2) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if (needed == nullptr || returned == nullptr) {
        SetLastError(RPC_X_NULL_REF_POINTER);
        return FALSE;
    }
    *returned = 0;
    size_t total = 0;
    for (const std::string& port : g_ports)
        total += RecordSize(level, port);
    if (!sim::detail::Fits(total, buffer, bufferSize, needed))
        return FALSE;
    sim::detail::StringArea strings(buffer, bufferSize);
    for (size_t i = 0; i < g_ports.size(); ++i) {
        if (level == 1) {
            reinterpret_cast<PORT_INFO_1A*>(buffer)[i].pName = strings.Place(g_ports[i]);
            continue;
        }
        PORT_INFO_2A& record = reinterpret_cast<PORT_INFO_2A*>(buffer)[i];
        record.pPortName = strings.Place(g_ports[i]);
        record.pMonitorName = strings.Place(kLocalMonitor);
        record.pDescription = strings.Place(kLocalMonitor);
        record.fPortType = PORT_TYPE_WRITE | PORT_TYPE_READ;
        record.Reserved = 0;
    }
    *returned = static_cast<DWORD>(g_ports.size());
    return TRUE;
}

BOOL ConfigurePortA(LPSTR server, HWND owner, LPSTR portName) {
    sim::detail::PlatformCall call("ConfigurePortA");
    if (call.Fails())
        return FALSE;
    g_configurations.push_back({server == nullptr || *server == '\0', owner, portName != nullptr,
                                portName != nullptr ? portName : ""});
    if (portName == nullptr) {
        SetLastError(RPC_X_NULL_REF_POINTER);
        return FALSE;
    }
    if (!sim::detail::PortExists(portName)) {
        SetLastError(ERROR_UNKNOWN_PORT);
        return FALSE;
    }
    if (g_dialogOutcome != 0) {
        SetLastError(g_dialogOutcome);
        return FALSE;
    }
    return TRUE;
}
