// The machine's identity: the user who runs the process and the computer name,
// with the buffer-size answers Windows documents for each.
#include "sim_internal.h"

namespace {

const std::string kDefaultUser = "labeller";
const std::string kDefaultComputer = "LABELHOST";

std::string g_user = kDefaultUser;
std::string g_computer = kDefaultComputer;
DWORD g_userError = 0;
DWORD g_computerError = 0;

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
    g_userError = 0;
    g_computerError = 0;
}

} // namespace detail

void SetUserName(const std::string& name) {
    g_user = name;
}

void SetComputerName(const std::string& name) {
    g_computer = name;
}

void FailUserNameQuery(DWORD error) {
    g_userError = error;
}

void FailComputerNameQuery(DWORD error) {
    g_computerError = error;
}

} // namespace sim

BOOL GetUserNameA(LPSTR buffer, LPDWORD size) {
    if (g_userError != 0) {
        SetLastError(g_userError);
        return FALSE;
    }
    if (!Deliver(g_user, buffer, size, ERROR_INSUFFICIENT_BUFFER))
        return FALSE;
    *size = static_cast<DWORD>(g_user.size() + 1); // characters copied, terminator included
    return TRUE;
}

BOOL GetComputerNameA(LPSTR buffer, LPDWORD size) {
    if (g_computerError != 0) {
        SetLastError(g_computerError);
        return FALSE;
    }
    if (!Deliver(g_computer, buffer, size, ERROR_BUFFER_OVERFLOW))
        return FALSE;
    *size = static_cast<DWORD>(g_computer.size()); // characters copied, terminator not included
    return TRUE;
}
