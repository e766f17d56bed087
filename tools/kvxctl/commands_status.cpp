// kvxctl status: whether this machine is ready to print labels, in one report:
// the platform, the driver directory and files, the driver's registration, the
// printers that use it, and the next command to run when something is missing.
#include "commands.h"

#include "driver_setup.h"
#include "json_output.h"
#include "library_queries.h"
#include "platform_driver.h"
#include "spooler_lists.h"

#include <cstdio>

namespace {

struct Status {
    Platform platform;
    PlatformDriver driver;
    bool directoryKnown = false;
    std::string directory;
    std::vector<DriverFile> files;
    std::vector<RegisteredDriver> registrations; // of the driver's name, any environment
    std::vector<LocalPrinter> printers;          // that use the driver
    int result = kExitOk;
    std::string problem; // what is missing, for people
    std::string next;    // the command that fixes it
    std::string undo;    // the command that takes the set-up away instead
};

bool RegisteredWhereExpected(const Status& status) {
    for (const RegisteredDriver& registration : status.registrations)
        if (SameName(registration.environment, status.driver.environment))
            return true;
    return false;
}

Status Examine(const KvxLibrary& kvx) {
    Status status;
    status.platform = QueryPlatform(kvx);
    status.driver = PlatformDriverFor(status.platform.code);
    status.directoryKnown = DriverDirectory(kvx, &status.directory);
    bool filesMissing = false;
    if (status.directoryKnown) {
        status.files = DriverFilesIn(status.directory, status.driver.files);
        for (const DriverFile& file : status.files)
            filesMissing = filesMissing || !file.present;
    }
    std::vector<std::string> environments = {status.driver.environment};
    for (const char* environment : kSpoolerEnvironments)
        if (!SameName(environment, status.driver.environment))
            environments.push_back(environment);
    for (const std::string& environment : environments)
        for (RegisteredDriver& registration : RegisteredDrivers(environment))
            if (SameName(registration.name, status.driver.name)) {
                registration.environment = environment;
                status.registrations.push_back(registration);
            }
    for (const LocalPrinter& printer : LocalPrinters())
        if (SameName(printer.driver, status.driver.name))
            status.printers.push_back(printer);

    // The first thing missing decides the verdict; the advice covers the rest.
    bool noPrinter = status.printers.empty();
    if (!status.directoryKnown) {
        status.result = kExitRefused;
        status.problem = "the spooler reports no driver directory";
    } else if (filesMissing) {
        status.result = kExitMissingFiles;
        status.problem = "driver files are missing from the driver directory";
        status.next = noPrinter ? "kvxctl install-printer PORT --from FOLDER"
                                : "kvxctl install-driver --from FOLDER";
        if (!noPrinter) // printers without their files: back in place, or away
            status.undo = "kvxctl uninstall";
    } else if (!RegisteredWhereExpected(status)) {
        status.result = kExitDriverNotInstalled;
        status.problem =
            "the spooler has not registered the driver under \"" + status.driver.environment + "\"";
        status.next = noPrinter ? "kvxctl install-printer PORT" : "kvxctl install-driver";
    } else if (noPrinter) {
        status.result = kExitNoPrinter;
        status.problem = "no printer uses the driver";
        status.next = "kvxctl install-printer PORT";
    }
    return status;
}

void PrintText(const Status& status) {
    const Platform& platform = status.platform;
    std::printf("platform          %d (%s), version %d.%d, platform id %d\n", platform.code,
                PlatformName(platform.code), platform.major, platform.minor, platform.id);
    std::printf("driver directory  %s\n",
                status.directoryKnown ? status.directory.c_str() : "(not reported)");
    for (const DriverFile& file : status.files)
        std::printf("driver file       %-8s %s\n", file.present ? "present" : "MISSING",
                    file.path.c_str());
    std::printf("driver            \"%s\" ", status.driver.name.c_str());
    if (status.registrations.empty()) {
        std::printf("NOT REGISTERED (the library registers it under \"%s\")\n",
                    status.driver.environment.c_str());
    } else {
        std::printf("registered under");
        for (size_t i = 0; i < status.registrations.size(); ++i)
            std::printf("%s \"%s\"", i == 0 ? "" : ",",
                        status.registrations[i].environment.c_str());
        if (RegisteredWhereExpected(status))
            std::printf("\n");
        else
            std::printf(" (not under \"%s\", where the library registers it and printers "
                        "look for it)\n",
                        status.driver.environment.c_str());
    }
    if (status.printers.empty())
        std::printf("printers          none uses the driver\n");
    for (const LocalPrinter& printer : status.printers)
        std::printf("printer           \"%s\" on %s\n", printer.name.c_str(), printer.port.c_str());
    if (status.result == kExitOk) {
        std::printf("ready\n");
        return;
    }
    std::printf("NOT READY: %s\n", status.problem.c_str());
    if (!status.next.empty())
        std::printf("next: %s%s\n", status.next.c_str(),
                    status.next.find("PORT") != std::string::npos ? "   (kvxctl ports lists ports)"
                                                                  : "");
    if (!status.undo.empty())
        std::printf("or:   %s   (removes the printers and the driver instead)\n",
                    status.undo.c_str());
}

void PrintStatusJson(const Status& status) {
    Json json;
    json["ready"] = status.result == kExitOk;
    json["exit_code"] = status.result;
    json["problem"] = AnsiTextOrNull(status.problem);
    json["next"] = AnsiTextOrNull(status.next);
    json["undo"] = AnsiTextOrNull(status.undo);
    json["platform"] = PlatformJson(status.platform);
    json["driver_directory"] = status.directoryKnown ? AnsiText(status.directory) : Json(nullptr);
    Json registeredUnder = Json::array();
    for (const RegisteredDriver& registration : status.registrations)
        registeredUnder.push_back(AnsiText(registration.environment));
    json["driver"] = {{"name", AnsiText(status.driver.name)},
                      {"environment", AnsiText(status.driver.environment)},
                      {"registered_under", registeredUnder}};
    json["files"] = Json::array();
    for (const DriverFile& file : status.files)
        json["files"].push_back({{"name", AnsiText(file.name)},
                                 {"path", AnsiText(file.path)},
                                 {"present", file.present}});
    json["printers"] = PrintersJson(status.printers);
    PrintJson(json);
}

} // namespace

CommandRun DefineStatus(CLI::App&) {
    return [](const Invocation& call) {
        Status status = Examine(call.kvx);
        if (call.json)
            PrintStatusJson(status);
        else
            PrintText(status);
        return status.result;
    };
}
