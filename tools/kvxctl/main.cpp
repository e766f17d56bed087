// kvxctl: sets up thermal printers through KVX_32.dll from the command line.
#include "commands.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void PrintHelp() {
    std::printf("usage: kvxctl [options] COMMAND [ARGUMENTS]\n\ncommands:\n");
    PrintCommands();
    std::printf("\noptions:\n  --help            show this help\n%s", BindingOptionsHelp());
    std::printf("\nexit codes: 0 done, 1 refused, 2 usage error, 3 driver files missing,\n"
                "            4 library not loaded\n");
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "kvxctl: %s\n(kvxctl --help lists the commands)\n", message.c_str());
    return kExitUsage;
}

} // namespace

int main(int argc, char** argv) {
    int index = 1;
    for (; index < argc && argv[index][0] == '-'; ++index) {
        if (std::strcmp(argv[index], "--help") == 0 || std::strcmp(argv[index], "-h") == 0) {
            PrintHelp();
            return kExitOk;
        }
        std::string error;
        if (!ParseBindingOption(argc, argv, &index, &error))
            return Usage(std::string("unknown option ") + argv[index]);
        if (!error.empty())
            return Usage(error);
    }
    if (index >= argc)
        return Usage("no command given");
    const Command* command = FindCommand(argv[index]);
    if (command == nullptr)
        return Usage(std::string("unknown command ") + argv[index]);

    KvxLibrary kvx;
    std::string error;
    if (!BindLibrary(&kvx, &error)) {
        std::fprintf(stderr, "kvxctl: %s\n", error.c_str());
        return kExitNoLibrary;
    }
    int result = command->run(kvx, argc - index - 1, argv + index + 1);
    if (result == kExitUsage)
        return Usage(std::string("usage: kvxctl ") + command->name + " " + command->arguments);
    return result;
}
