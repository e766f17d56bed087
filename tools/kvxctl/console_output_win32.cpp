#include "console_output.h"

#include <win32.h>

namespace {

bool IsConsole(DWORD stream) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(stream), &mode) != FALSE;
}

} // namespace

AnsiConsole::AnsiConsole() {
    if (!IsConsole(STD_OUTPUT_HANDLE) && !IsConsole(STD_ERROR_HANDLE))
        return;
    UINT console = GetConsoleOutputCP();
    if (console != GetACP() && SetConsoleOutputCP(GetACP())) // Windows 95 cannot
        previous_ = console;
}

AnsiConsole::~AnsiConsole() {
    if (previous_ != 0)
        SetConsoleOutputCP(previous_);
}
