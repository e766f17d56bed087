// kvxctl's subcommands: one per library operation a host or administrator needs.
#pragma once

#include "binding.h"

// Process exit codes.
enum ExitCode {
    kExitOk = 0,
    kExitRefused = 1,      // the library or the system refused the operation
    kExitUsage = 2,        // the command line is wrong
    kExitMissingFiles = 3, // the driver files are not in the driver directory
    kExitNoLibrary = 4,    // KVX_32.dll could not be loaded or bound
};

struct Command {
    const char* name;
    const char* arguments;
    const char* summary;
    int (*run)(const KvxLibrary& kvx, int argc, char** argv); // argv: the command's own arguments
};

// Network browsing (commands_netbrowse.cpp).
int RunBrowse(const KvxLibrary& kvx, int argc, char** argv);

// The command of that name, or null.
const Command* FindCommand(const std::string& name);
void PrintCommands();
