// kvxctl's commands: one per library operation a host or administrator needs.
// Each declares its own options and operands, which kvxctl reads for it.
#pragma once

#include "binding.h"
#include "command_line.h"

#include <functional>

// One run of a command.
struct Invocation {
    const KvxLibrary& kvx;
    bool json; // --json: one JSON document on standard output
};

// What runs a command, its options and operands already read.
using CommandRun = std::function<int(const Invocation& call)>;

struct Command {
    const char* name;
    const char* summary;
    bool json; // whether it writes --json output
    // Declares the command's options and operands on `command`, and returns
    // what runs it with their values.
    CommandRun (*define)(CLI::App& command);
};

// Every command, in the order the help lists them.
extern const Command kCommands[15];

// The platform and the driver directory (commands_platform.cpp).
CommandRun DefinePlatform(CLI::App& command);
CommandRun DefineDriverDir(CLI::App& command);
// The driver (commands_driver.cpp).
CommandRun DefineInstallDriver(CLI::App& command);
// Undoing a set-up (commands_uninstall.cpp).
CommandRun DefineRemoveDriver(CLI::App& command);
CommandRun DefineRemovePrinter(CLI::App& command);
CommandRun DefineUninstall(CLI::App& command);
// Printers, ports and machine identity (commands_printers.cpp).
CommandRun DefineInstallPrinter(CLI::App& command);
CommandRun DefineDriverName(CLI::App& command);
CommandRun DefinePorts(CLI::App& command);
CommandRun DefineConfigurePort(CLI::App& command);
CommandRun DefineWhoami(CLI::App& command);
// The printer dialogs (commands_dialogs.cpp).
CommandRun DefineBrowseDialog(CLI::App& command);
CommandRun DefineConnectDialog(CLI::App& command);
// The network list (commands_netlist.cpp).
CommandRun DefineBrowse(CLI::App& command);
// Whether the machine is ready (commands_status.cpp).
CommandRun DefineStatus(CLI::App& command);
