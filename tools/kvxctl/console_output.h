// Text output on a console. kvxctl writes text as the library and the command
// line give it, in the ANSI code page; a Windows console shows text in its own
// code page (the OEM one), so while kvxctl runs the console is switched to the
// ANSI code page and switched back at the end. Output redirected to a file or a
// pipe, and the native kvxctl's, goes out as it is.
#pragma once

class AnsiConsole {
public:
    AnsiConsole();
    ~AnsiConsole();
    AnsiConsole(const AnsiConsole&) = delete;
    AnsiConsole& operator=(const AnsiConsole&) = delete;

private:
    unsigned previous_ = 0; // the console's code page, when kvxctl changed it
};
