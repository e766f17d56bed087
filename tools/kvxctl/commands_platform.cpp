// kvxctl platform and driver-dir: what the library says about the machine.
#include "commands.h"

#include "json_output.h"
#include "library_queries.h"

#include <cstdio>
#include <string>

CommandRun DefinePlatform(CLI::App&) {
    return [](const Invocation& call) {
        Platform platform = QueryPlatform(call.kvx);
        if (call.json) {
            PrintJson(PlatformJson(platform));
            return kExitOk;
        }
        std::printf("platform code  %d (%s)\nversion        %d.%d\nplatform id    %d\n",
                    platform.code, PlatformName(platform.code), platform.major, platform.minor,
                    platform.id);
        return kExitOk;
    };
}

CommandRun DefineDriverDir(CLI::App&) {
    return [](const Invocation& call) {
        std::string directory;
        if (!DriverDirectory(call.kvx, &directory)) {
            std::fprintf(stderr, "kvxctl: the spooler reported no driver directory\n");
            return kExitRefused;
        }
        if (call.json)
            PrintJson({{"driver_directory", AnsiText(directory)}});
        else
            std::printf("%s\n", directory.c_str());
        return kExitOk;
    };
}
