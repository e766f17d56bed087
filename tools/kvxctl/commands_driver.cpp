// kvxctl install-driver: the driver files put in place or found there, then the
// driver registered through the library.
#include "commands.h"

#include "driver_setup.h"
#include "json_output.h"

#include <cstdio>
#include <memory>

namespace {

int RunInstallDriver(const Invocation& call, const DriverFilesOptions& options) {
    DriverSetup setup;
    int result = PrepareDriverFiles(call.kvx, options, &setup);
    if (result != kExitOk)
        return result;
    if (!call.json)
        PrintPlacedFiles(setup, stdout);
    if (call.kvx.InstallThermalPrinterDriver() != 1) {
        if (call.json) // the files copied are still named
            PrintPlacedFiles(setup, stderr);
        std::fprintf(stderr, "kvxctl: the spooler refused the driver \"%s\"\n",
                     setup.driver.name.c_str());
        return kExitRefused;
    }
    if (call.json) {
        Json json;
        AddDriverSetupJson(json, setup);
        json["installed"] = true;
        PrintJson(json);
    } else {
        std::printf("installed driver \"%s\" from %s\n", setup.driver.name.c_str(),
                    setup.directory.c_str());
    }
    return kExitOk;
}

} // namespace

CommandRun DefineInstallDriver(CLI::App& command) {
    auto options = std::make_shared<DriverFilesOptions>();
    AddDriverFilesOptions(command, options.get());
    return [options](const Invocation& call) { return RunInstallDriver(call, *options); };
}
