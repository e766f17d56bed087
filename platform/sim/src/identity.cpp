// The machine's identity: the user who runs the process and the computer name,
// with the buffer-size answers Windows documents for each.
#include "sim_internal.h"

namespace {

const std::string kDefaultUser = "labeller";
const std::string kDefaultComputer = "LABELHOST";

std::string g_user = kDefaultUser;
std::string g_computer = kDefaultComputer;

// Copies name with its terminator when *size (characters) holds it; otherwise
// stores the size needed, terminator included, and fails with `tooSmall`.
bool Deliver(const std::string& name, LPSTR buffer, LPDWORD size, DWORD tooSmall) {
    if (size == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    DWORD needed = static_cast<DWORD>(name.size() + 1);
    if (*size < needed) {
        *size = needed;
        SetLastError(tooSmall);
        return false;
    }
    if (buffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::memcpy(buffer, name.c_str(), needed);
    return true;
}

} // namespace

namespace sim {

namespace detail {

void ResetIdentity() {
    g_user = kDefaultUser;
    g_computer = kDefaultComputer;
}

} // namespace detail

void SetUserName(const std::string& name) {
    g_user = name;
}

void SetComputerName(const std::string& name) {
    g_computer = name;
}

} // namespace sim

BOOL GetUserNameA(LPSTR buffer, LPDWORD size) {
    sim::detail::PlatformCall call("GetUserNameA");
    if (call.Fails())
        return FALSE;
    if (!Deliver(g_user, buffer, size, ERROR_INSUFFICIENT_BUFFER))
        return FALSE;
    *size = static_cast<DWORD>(g_user.size() + 1); // characters copied, terminator included
    return TRUE;
}

BOOL GetComputerNameA(LPSTR buffer, LPDWORD size) {
    sim::detail::PlatformCall call("GetComputerNameA");
    if (call.Fails())
        return FALSE;
    if (!Deliver(g_computer, buffer, size, ERROR_BUFFER_OVERFLOW))
        return FALSE;
    *size = static_cast<DWORD>(g_computer.size()); // characters copied, terminator not included
    return TRUE;
}
