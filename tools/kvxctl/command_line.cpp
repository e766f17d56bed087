#include "command_line.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Help rows: the usage column's width.
constexpr size_t kHelpColumn = 26;

bool LooksLikeOption(const std::string& argument) {
    return argument.size() > 1 && argument[0] == '-';
}

bool TakesValue(const CLI::Option& option) {
    return option.get_expected_min() > 0; // a flag expects none
}

// The option's name, without a value given with '='.
std::string OptionName(const std::string& argument) {
    return argument.substr(0, argument.find('='));
}

// The option of that name defined by `app` or one of its commands.
const CLI::Option* FindOption(const CLI::App& app, const std::string& argument) {
    std::string name = OptionName(argument);
    if (const CLI::Option* option = app.get_option_no_throw(name))
        return option;
    for (const CLI::App* command : app.get_subcommands({}))
        if (const CLI::Option* option = command->get_option_no_throw(name))
            return option;
    return nullptr;
}

bool TakesOperands(const CLI::App& command) {
    for (const CLI::Option* option : command.get_options())
        if (option->get_positional())
            return true;
    return false;
}

bool Names(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The options named before "--" and the command among them.
struct Reading {
    size_t optionsEnd = 0;           // where "--" stands, or the end
    size_t command = 0;              // the command's position, or optionsEnd
    std::vector<std::string> names;  // each option named, in order
    std::string unknown, otherBuild; // the first one of each
};

Reading Read(const CLI::App& app, const std::vector<std::string>& arguments,
             const CommandLineRules& rules) {
    Reading reading;
    reading.optionsEnd = arguments.size();
    for (size_t i = 0; i < arguments.size(); ++i)
        if (arguments[i] == "--") {
            reading.optionsEnd = i;
            break;
        }
    reading.command = reading.optionsEnd;
    for (size_t i = 0; i < reading.optionsEnd; ++i) {
        const std::string& argument = arguments[i];
        if (!LooksLikeOption(argument)) {
            if (reading.command == reading.optionsEnd)
                reading.command = i;
            continue;
        }
        std::string name = OptionName(argument);
        const CLI::Option* option = FindOption(app, argument);
        if (option == nullptr) {
            std::string& first =
                Names(rules.otherBuildOptions, name) ? reading.otherBuild : reading.unknown;
            if (first.empty())
                first = name;
            continue;
        }
        reading.names.push_back(name);
        if (TakesValue(*option) && argument.find('=') == std::string::npos)
            ++i; // its value
    }
    return reading;
}

// What the command line names that `command` (or `app`, when null) cannot take,
// or "".
std::string Misplaced(const CLI::App& app, const CLI::App* command, const Reading& reading) {
    for (const std::string& name : reading.names) {
        const CLI::Option* option = app.get_option_no_throw(name);
        if (option == nullptr && command != nullptr)
            option = command->get_option_no_throw(name);
        if (option == nullptr)
            return command == nullptr ? name + " needs a command"
                                      : command->get_name() + " does not take " + name;
        auto times = std::count(reading.names.begin(), reading.names.end(), name);
        if (times > 1 && TakesValue(*option) &&
            option->get_multi_option_policy() != CLI::MultiOptionPolicy::TakeAll)
            return name + " given " + (times == 2 ? "twice" : std::to_string(times) + " times");
    }
    return "";
}

} // namespace

const ExitCodeMeaning kExitCodes[9] = {
    {kExitOk, "done; status: ready"},
    {kExitRefused, "refused by the library or the system (status: no driver\n"
                   "directory reported)"},
    {kExitUsage, "usage error"},
    {kExitMissingFiles, "driver files missing from the driver directory, or from\n"
                        "the --from folder"},
    {kExitNoLibrary, "library not loaded"},
    {kExitDriverNotInstalled, "status: the files are in place but the driver is not\n"
                              "registered under its environment"},
    {kExitNoPrinter, "status: the driver is registered but no printer uses it"},
    {kExitFilesNotPlaced, "the driver files could not be copied into place, or\n"
                          "(uninstall --files) removed"},
    {kExitNothingChosen, "a dialog closed with nothing chosen"},
};

void PrintHelpRow(const std::string& usage, const std::string& summary) {
    std::string indent(kHelpColumn + 2, ' ');
    std::string left = "  " + usage;
    if (usage.size() + 2 > kHelpColumn) // at least two blanks before the summary
        std::printf("%s\n%s", left.c_str(), indent.c_str());
    else
        std::printf("%-*s", static_cast<int>(kHelpColumn + 2), left.c_str());
    for (size_t start = 0; start <= summary.size();) {
        size_t end = summary.find('\n', start);
        if (end == std::string::npos)
            end = summary.size();
        std::printf("%s%s\n", start == 0 ? "" : indent.c_str(),
                    summary.substr(start, end - start).c_str());
        start = end + 1;
    }
}

void PrintOptionRows(const CLI::App& app) {
    for (const CLI::Option* option : app.get_options()) {
        if (option->get_positional())
            continue;
        std::string usage = option->get_name();
        if (TakesValue(*option))
            usage += " " + option->get_type_name();
        PrintHelpRow(usage, option->get_description());
    }
}

void AddValueOption(CLI::App& command, const char* name, const char* valueName, const char* help,
                    std::string* value, bool* given) {
    command
        .add_option_function<std::string>(
            name,
            [value, given](const std::string& text) {
                *value = text;
                *given = true;
            },
            help)
        ->type_name(valueName);
}

std::string UsageOf(const CLI::App& command) {
    std::string usage;
    for (const CLI::Option* option : command.get_options()) {
        std::string part;
        if (!option->get_positional())
            part = option->get_name() + (TakesValue(*option) ? " " + option->get_type_name() : "");
        else if (option->get_items_expected_max() > 1)
            part = option->get_name() + " ...";
        else
            part = option->get_name();
        usage += (usage.empty() ? "" : " ") + (option->get_required() ? part : "[" + part + "]");
    }
    return usage;
}

std::string UsageLine(const CLI::App& command) {
    std::string usage = UsageOf(command);
    return "usage: kvxctl " + command.get_name() + (usage.empty() ? "" : " " + usage);
}

const char* ErrorName(unsigned error) {
    switch (error) {
    case 2:
        return "ERROR_FILE_NOT_FOUND";
    case 3:
        return "ERROR_PATH_NOT_FOUND";
    case 5:
        return "ERROR_ACCESS_DENIED";
    case 31:
        return "ERROR_GEN_FAILURE";
    case 32:
        return "ERROR_SHARING_VIOLATION";
    case 112:
        return "ERROR_DISK_FULL";
    case 1223:
        return "ERROR_CANCELLED";
    case 1796:
        return "ERROR_UNKNOWN_PORT";
    case 1797:
        return "ERROR_UNKNOWN_PRINTER_DRIVER";
    case 1802:
        return "ERROR_PRINTER_ALREADY_EXISTS";
    case 1805:
        return "ERROR_INVALID_ENVIRONMENT";
    case 3001:
        return "ERROR_PRINTER_DRIVER_IN_USE";
    default:
        return "system error";
    }
}

void Complain(const std::string& message) {
    std::string text = message;
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        text.insert(at + 1, "  ");
    std::fprintf(stderr, "kvxctl: %s\n", text.c_str());
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "kvxctl: %s\n(kvxctl --help lists the commands)\n", message.c_str());
    return kExitUsage;
}

CLI::App* ParseCommandLine(CLI::App& app, int argc, char** argv, const CommandLineRules& rules,
                           int* exitCode) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    Reading reading = Read(app, arguments, rules);
    for (size_t i = 0; i < reading.optionsEnd; ++i)
        if (arguments[i] == "--help" || arguments[i] == "-h" ||
            (i == reading.command && arguments[i] == "help")) { // the word administrators try
            rules.printHelp();
            *exitCode = kExitOk;
            return nullptr;
        }
    auto stop = [exitCode](int code) -> CLI::App* {
        *exitCode = code;
        return nullptr;
    };
    if (!reading.otherBuild.empty())
        return stop(UsageError(reading.otherBuild + " is available only in " + rules.otherBuild));
    CLI::App* command = nullptr;
    bool named = reading.command < reading.optionsEnd;
    for (CLI::App* subcommand : app.get_subcommands({})) {
        // The others are disabled: their names are operands after the command.
        bool chosen = named && subcommand->get_name() == arguments[reading.command];
        subcommand->disabled(!chosen);
        if (chosen)
            command = subcommand;
    }
    // The first line names the fault; the command's usage follows when it is known.
    auto refuse = [&](const std::string& fault) {
        if (command == nullptr)
            return UsageError(fault);
        Complain(fault);
        return UsageError(UsageLine(*command));
    };
    if (!reading.unknown.empty()) {
        std::string fault = "unknown option " + reading.unknown;
        if (command != nullptr && TakesOperands(*command)) // a name that begins with '-', say
            fault += "\n(an operand that begins with '-' follows --: kvxctl " +
                     command->get_name() + " -- " + reading.unknown + ")";
        return stop(refuse(fault));
    }
    if (named && command == nullptr)
        return stop(UsageError("unknown command " + arguments[reading.command]));
    bool standalone = Names(reading.names, rules.standalone);
    if (standalone && named)
        return stop(refuse(rules.standalone + " takes no command"));
    if (!named && !standalone)
        return stop(UsageError("no command given"));
    std::string misplaced = Misplaced(app, command, reading);
    if (!misplaced.empty())
        return stop(refuse(misplaced));
    // The command first: what follows it, its own options and the app's, is then
    // read in one pass.
    if (named) {
        std::string name = arguments[reading.command];
        arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(reading.command));
        arguments.insert(arguments.begin(), name);
    }
    std::vector<const char*> reordered = {argv[0]};
    for (const std::string& argument : arguments)
        reordered.push_back(argument.c_str());
    try {
        app.parse(static_cast<int>(reordered.size()), reordered.data());
    } catch (const CLI::ValidationError& error) { // a value kvxctl's own options refuse
        return stop(UsageError(error.what()));
    } catch (const CLI::ParseError& error) {
        return stop(refuse(error.what()));
    }
    return named ? command : &app;
}
