// Printer connections: the connect-to-printer dialog, which answers as the test
// queued, and the removal of a connection by name.
#include "sim_internal.h"

#include <algorithm>
#include <deque>
#include <optional>

namespace {

std::deque<std::optional<std::string>> g_answers;
std::vector<sim::ConnectDialog> g_dialogs;
std::vector<std::string> g_connections;

std::vector<std::string>::iterator FindConnection(const std::string& name) {
    return std::find_if(g_connections.begin(), g_connections.end(),
                        [&](const std::string& c) { return sim::detail::EqualNoCase(c, name); });
}

} // namespace

namespace sim {

namespace detail {

void ResetConnections() {
    g_answers.clear();
    g_dialogs.clear();
    g_connections.clear();
}

} // namespace detail

void QueueConnectChoice(const std::string& printerName) {
    g_answers.emplace_back(printerName);
}

void QueueConnectCancel() {
    g_answers.emplace_back(std::nullopt);
}

std::vector<ConnectDialog> ConnectDialogs() {
    return g_dialogs;
}

std::vector<std::string> PrinterConnections() {
    return g_connections;
}

} // namespace sim

HANDLE ConnectToPrinterDlg(HWND owner, DWORD flags) {
    sim::detail::PlatformCall call("ConnectToPrinterDlg");
    if (call.Fails())
        return nullptr; // no dialog
    g_dialogs.push_back({owner, flags});
    std::optional<std::string> answer;
    if (!g_answers.empty()) {
        answer = g_answers.front();
        g_answers.pop_front();
    }
    if (!answer) {
        SetLastError(ERROR_CANCELLED);
        return nullptr;
    }
    HANDLE printer = nullptr;
    std::string name = *answer;
    if (!OpenPrinterA(name.data(), &printer, nullptr))
        return nullptr; // the spooler's reason stays as the last error
    if (FindConnection(name) == g_connections.end())
        g_connections.push_back(name);
    return printer;
}

BOOL DeletePrinterConnectionA(LPSTR name) {
    sim::detail::PlatformCall call("DeletePrinterConnectionA");
    if (call.Fails())
        return FALSE; // the connection stays
    auto it = name != nullptr ? FindConnection(name) : g_connections.end();
    if (it == g_connections.end()) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    g_connections.erase(it);
    return TRUE;
}
