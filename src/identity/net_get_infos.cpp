// The names of the user who runs the process and of the machine.
#include <win32.h>

#include <kvx32.h>

// NetGetInfos (ordinal 4): the user and computer names.
extern "C" int32_t KVX_API NetGetInfos(char* userName, char* computerName) {
    // The system writes each name with its terminator; the user name's outcome
    // does not enter the result. A missing buffer is never handed to the system.
    if (userName != nullptr) {
        DWORD userSize = KVX_USER_NAME_SIZE;
        GetUserNameA(userName, &userSize);
    }
    if (computerName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    DWORD computerSize = KVX_COMPUTER_NAME_SIZE;
    return GetComputerNameA(computerName, &computerSize);
}
