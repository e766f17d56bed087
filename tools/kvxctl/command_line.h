// kvxctl's command-line basics: its exit codes, its help rows, the names of the
// system errors it explains, and the parsing of a command line whose options may
// stand before or after the command. Nothing here knows a command or the library.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

// Process exit codes; kExitCodes below says what each means.
enum ExitCode {
    kExitOk = 0,
    kExitRefused = 1,
    kExitUsage = 2,
    kExitMissingFiles = 3,
    kExitNoLibrary = 4,
    kExitDriverNotInstalled = 5,
    kExitNoPrinter = 6,
    kExitFilesNotPlaced = 7,
    kExitNothingChosen = 8,
};

struct ExitCodeMeaning {
    ExitCode code;
    const char* meaning; // as --help and the README state it
};

// Every exit code, in order, with its meaning.
extern const ExitCodeMeaning kExitCodes[9];

// One row of the help: `usage` in a column of its own, `summary` beside it
// (each of its lines aligned), or below it when `usage` is too long.
void PrintHelpRow(const std::string& usage, const std::string& summary);

// A row for each option `app` defines itself ("--from FOLDER", its description).
void PrintOptionRows(const CLI::App& app);

// Declares the option `name` VALUE (`valueName` in the help) on `command`: its
// value is read into *value, and *given says whether the command line named it
// (an empty value counts).
void AddValueOption(CLI::App& command, const char* name, const char* valueName, const char* help,
                    std::string* value, bool* given);

// The arguments a command takes, as its options and operands define them
// ("PORT [--from FOLDER] [--force]").
std::string UsageOf(const CLI::App& command);
// "usage: kvxctl NAME ARGUMENTS" for that command.
std::string UsageLine(const CLI::App& command);

// A symbolic name for the system error codes kvxctl explains, else "system error".
const char* ErrorName(unsigned error);

// One message on standard error; its further lines are indented under the first.
void Complain(const std::string& message);

// A usage error: the message and where the help is, on standard error.
int UsageError(const std::string& message);

// What ParseCommandLine needs besides `app`.
struct CommandLineRules {
    std::function<void()> printHelp; // --help, -h or the command help
    std::string standalone;          // an option of `app` that needs no command
    // Options only the other build of kvxctl has, and where they are.
    std::vector<std::string> otherBuildOptions;
    std::string otherBuild;
};

// Parses argv with `app`, whose subcommands are the commands: the command is the
// first argument that is neither an option nor an option's value, and every
// option, the app's own and the command's, may stand before or after it; after
// "--" every argument is an operand. --help, -h or help asks for the help.
// Refused as usage errors, each named: an option nobody defines, one of the
// other build, one the command does not take, and one with a value given twice
// (unless it may repeat: MultiOptionPolicy::TakeAll). Returns the command
// chosen; `app` itself when the command line names `rules.standalone` and no
// command; or null with *exitCode set, having written the help or the usage
// error (on standard error).
CLI::App* ParseCommandLine(CLI::App& app, int argc, char** argv, const CommandLineRules& rules,
                           int* exitCode);
