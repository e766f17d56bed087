// kvxctl: sets up thermal printers through KVX_32.dll from the command line.
#include "binding.h"
#include "command_line.h"
#include "commands.h"
#include "console_output.h"
#include "version_report.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void PrintHelp(const CLI::App& app) {
    std::printf("usage: kvxctl [options] COMMAND [ARGUMENTS]   (options also after the command)"
                "\n\ncommands:\n");
    for (const Command& command : kCommands) {
        std::string usage = UsageOf(*app.get_subcommand(command.name));
        PrintHelpRow(command.name + (usage.empty() ? "" : " " + usage), command.summary);
    }
    std::printf("\noptions:\n");
    PrintHelpRow("--help", "show this help");
    PrintOptionRows(app);
    PrintHelpRow("--", "what follows is an operand, never an option (a printer\n"
                       "name that begins with '-')");
    std::printf("\nexit codes:\n");
    for (const ExitCodeMeaning& exit : kExitCodes)
        PrintHelpRow(std::to_string(exit.code), exit.meaning);
}

} // namespace

int main(int argc, char** argv) {
    AnsiConsole console;
    CLI::App app;
    app.set_help_flag(); // --help anywhere: ParseCommandLine answers it
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    bool json = false;
    app.add_flag("--json", json, "write what the command reports as one JSON document");
    bool version = false;
    app.add_flag("--version", version, "show kvxctl's version and the library's (no command)");
    AddBindingOptions(app);
    std::vector<CommandRun> runs;
    for (const Command& command : kCommands) {
        CLI::App* subcommand = app.add_subcommand(command.name, command.summary);
        subcommand->set_help_flag();
        subcommand->fallthrough(); // kvxctl's own options may follow the command
        runs.push_back(command.define(*subcommand));
    }

    OtherBuildOptions other = OptionsOfOtherBuild();
    CommandLineRules rules{[&app] { PrintHelp(app); }, "--version", other.names, other.where};
    int exitCode = kExitOk;
    CLI::App* chosen = ParseCommandLine(app, argc, argv, rules, &exitCode);
    if (chosen == nullptr)
        return exitCode;
    if (chosen == &app)
        return ReportVersion(json);
    size_t index = 0;
    while (kCommands[index].name != chosen->get_name())
        ++index;
    const Command& command = kCommands[index];
    if (json && !command.json)
        return UsageError(std::string("--json is not available for ") + command.name);

    KvxLibrary kvx;
    std::string error;
    if (!BindLibrary(&kvx, &error)) {
        std::fprintf(stderr, "kvxctl: %s\n", error.c_str());
        return kExitNoLibrary;
    }
    int result = runs[index](Invocation{kvx, json});
    if (!ReleaseLibrary(&error)) {
        std::fprintf(stderr, "kvxctl: %s\n", error.c_str());
        if (result == kExitOk)
            result = kExitRefused;
    }
    return result == kExitUsage ? UsageError(UsageLine(*chosen)) : result;
}
