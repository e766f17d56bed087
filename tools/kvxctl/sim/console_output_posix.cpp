#include "console_output.h"

// The host's terminal takes the text as it is: the arguments' UTF-8 included.
AnsiConsole::AnsiConsole() = default;
AnsiConsole::~AnsiConsole() = default;
