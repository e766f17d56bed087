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

// The printer dialogs (commands_dialogs.cpp).
int RunBrowseDialog(const KvxLibrary& kvx, int argc, char** argv);
int RunConnectDialog(const KvxLibrary& kvx, int argc, char** argv);
// Network browsing (commands_netbrowse.cpp).
int RunBrowse(const KvxLibrary& kvx, int argc, char** argv);

// The command of that name, or null.
const Command* FindCommand(const std::string& name);
void PrintCommands();

// A symbolic name for the system error codes kvxctl explains, else "system error".
const char* ErrorName(unsigned error);

// Printers, ports and machine identity (commands_printers.cpp).
int RunInstallPrinter(const KvxLibrary& kvx, int argc, char** argv);
int RunDriverName(const KvxLibrary& kvx, int argc, char** argv);
int RunPorts(const KvxLibrary& kvx, int argc, char** argv);
int RunConfigurePort(const KvxLibrary& kvx, int argc, char** argv);
int RunWhoami(const KvxLibrary& kvx, int argc, char** argv);
