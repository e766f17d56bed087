// kvxctl: sets up thermal printers through KVX_32.dll from the command line.
#include "commands.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

void PrintHelp() {
    std::printf("usage: kvxctl [options] COMMAND [ARGUMENTS]   (options also after the command)"
                "\n\ncommands:\n");
    PrintCommands();
    std::printf("\noptions:\n");
    PrintHelpRow("--help", "show this help");
    PrintHelpRow("--json", "write what the command reports as one JSON document");
    PrintBindingOptionsHelp();
    std::printf("\nexit codes:\n");
    PrintHelpRow("0", "done; status: ready");
    PrintHelpRow("1", "refused by the library or the system");
    PrintHelpRow("2", "usage error");
    PrintHelpRow("3", "driver files missing (from the driver directory or --from)");
    PrintHelpRow("4", "library not loaded");
    PrintHelpRow("5", "status: the driver is not registered");
    PrintHelpRow("6", "status: no printer uses the driver");
    PrintHelpRow("7", "the driver files could not be copied into place, or\n"
                      "(uninstall --files) removed");
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "kvxctl: %s\n(kvxctl --help lists the commands)\n", message.c_str());
    return kExitUsage;
}

// Command options that take a value, so that they may also precede the command.
bool TakesValue(const std::string& option) {
    return option == "--from" || option == "--title" || option == "--provider";
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> rest; // the command and its own arguments, in any order
    bool json = false;
    for (int index = 1; index < argc; ++index) {
        std::string argument = argv[index];
        if (argument == "--help" || argument == "-h") {
            PrintHelp();
            return kExitOk;
        }
        if (argument == "--json") {
            json = true;
            continue;
        }
        std::string error;
        if (ParseBindingOption(argc, argv, &index, &error)) {
            if (!error.empty())
                return Usage(error);
            continue;
        }
        rest.push_back(argument);
    }
    // The command is the first argument that is neither an option nor an option's value.
    size_t position = 0;
    while (position < rest.size() && rest[position].size() > 1 && rest[position][0] == '-')
        position += TakesValue(rest[position]) ? 2 : 1;
    if (position >= rest.size())
        return rest.empty() ? Usage("no command given") : Usage("unknown option " + rest[0]);
    const Command* command = FindCommand(rest[position]);
    if (command == nullptr)
        return Usage("unknown command " + rest[position]);
    rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(position));
    if (json && !command->json)
        return Usage(std::string("--json is not available for ") + command->name);

    KvxLibrary kvx;
    std::string error;
    if (!BindLibrary(&kvx, &error)) {
        std::fprintf(stderr, "kvxctl: %s\n", error.c_str());
        return kExitNoLibrary;
    }
    int result = command->run(Invocation{kvx, rest, json});
    if (!ReleaseLibrary(&error)) {
        std::fprintf(stderr, "kvxctl: %s\n", error.c_str());
        if (result == kExitOk)
            result = kExitRefused;
    }
    if (result == kExitUsage) {
        std::string usage = std::string("usage: kvxctl ") + command->name;
        if (command->arguments[0] != '\0')
            usage += std::string(" ") + command->arguments;
        return Usage(usage);
    }
    return result;
}
