// kvxctl's subcommands: one per library operation a host or administrator needs.
#pragma once

#include "binding.h"

#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

// Process exit codes.
enum ExitCode {
    kExitOk = 0,
    kExitRefused = 1,            // the library or the system refused the operation
    kExitUsage = 2,              // the command line is wrong
    kExitMissingFiles = 3,       // the driver files are not in the driver directory (or --from)
    kExitNoLibrary = 4,          // KVX_32.dll could not be loaded or bound
    kExitDriverNotInstalled = 5, // status: the spooler has not registered the driver
    kExitNoPrinter = 6,          // status: no printer uses the driver
    kExitFilesNotPlaced = 7,     // the driver files could not be copied into place (or removed)
};

// One run of a command.
struct Invocation {
    const KvxLibrary& kvx;
    std::vector<std::string> arguments; // the command's own, its options in any order
    bool json;                          // --json: one JSON document on standard output
};

struct Command {
    const char* name;
    const char* arguments;
    const char* summary;
    int (*run)(const Invocation& call);
    bool json; // whether it writes --json output
};

// A command's arguments split into its options and its operands.
struct CommandLine {
    std::vector<std::string> operands;
    std::map<std::string, std::string> values; // options that take a value
    std::set<std::string> flags;               // options that stand alone
};

// Splits `arguments` by the options a command knows; `valued` ones take the next
// argument. False on an unknown option or a missing value.
bool SplitArguments(const std::vector<std::string>& arguments,
                    std::initializer_list<const char*> flags,
                    std::initializer_list<const char*> valued, CommandLine* line);

// The command of that name, or null.
const Command* FindCommand(const std::string& name);
void PrintCommands();
// One row of the help: `usage` in a column of its own, `summary` beside it
// (each of its lines aligned), or below it when `usage` is too long.
void PrintHelpRow(const std::string& usage, const std::string& summary);

// A symbolic name for the system error codes kvxctl explains, else "system error".
const char* ErrorName(unsigned error);

class JsonWriter;

// What the library says about the machine (commands.cpp).
int PlatformCode(const KvxLibrary& kvx);
const char* PlatformName(int code);
// The members of a platform in --json output (GetPlatformFrom32's answers).
void WritePlatformMembers(JsonWriter& json, int code, int major, int minor, int id);
// The driver directory through the library's two-call protocol.
bool DriverDirectory(const KvxLibrary& kvx, std::string* directory);

// The driver (commands.cpp).
int RunInstallDriver(const Invocation& call);
// Undoing a set-up (commands_uninstall.cpp).
int RunRemoveDriver(const Invocation& call);
int RunRemovePrinter(const Invocation& call);
int RunUninstall(const Invocation& call);
// Printers, ports and machine identity (commands_printers.cpp).
int RunInstallPrinter(const Invocation& call);
int RunDriverName(const Invocation& call);
int RunPorts(const Invocation& call);
int RunConfigurePort(const Invocation& call);
int RunWhoami(const Invocation& call);
// The printer dialogs (commands_dialogs.cpp).
int RunBrowseDialog(const Invocation& call);
int RunConnectDialog(const Invocation& call);
// Network browsing (commands_netbrowse.cpp).
int RunBrowse(const Invocation& call);
// Whether the machine is ready (commands_status.cpp).
int RunStatus(const Invocation& call);
