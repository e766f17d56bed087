// kvxctl's printer, port and identity commands.
#include "commands.h"

#include "driver_setup.h"
#include "json_output.h"
#include "spooler_lists.h"

#include <win32.h>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// The library refuses a port name whose printer name ("KVX_50 " and the port)
// would not fit its 512-byte name buffer; kvxctl says so before copying anything.
constexpr size_t kMaxPortName = 504;

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    for (const std::string& known : names)
        if (known == name)
            return true;
    return false;
}

std::vector<std::string> LocalPrinterNames() {
    std::vector<std::string> names;
    for (const LocalPrinter& printer : LocalPrinters())
        names.push_back(printer.name);
    return names;
}

struct InstallPrinterOptions {
    std::string port;
    DriverFilesOptions files;
};

int RunInstallPrinter(const Invocation& call, const InstallPrinterOptions& options) {
    const std::string& port = options.port;
    if (port.size() > kMaxPortName) {
        std::fprintf(stderr, "kvxctl: a port name has at most %zu characters; this one has %zu\n",
                     kMaxPortName, port.size());
        return kExitRefused;
    }
    // The library installs the driver before it adds the printer: its files are
    // placed first (--from), or each missing one is named, as install-driver does.
    DriverSetup setup;
    int result = PrepareDriverFiles(call.kvx, options.files, &setup);
    if (result != kExitOk)
        return result;
    if (!call.json)
        PrintPlacedFiles(setup, stdout);
    std::vector<std::string> before = LocalPrinterNames();
    if (call.kvx.InstallThermalPrinter(port.c_str()) != 1) {
        if (call.json)
            PrintPlacedFiles(setup, stderr);
        std::fprintf(stderr,
                     "kvxctl: the spooler refused a printer on %s (is the port known and the "
                     "driver installed? see ports and install-driver)\n",
                     port.c_str());
        return kExitRefused;
    }
    // The library does not say which name it chose: it is the one that is new.
    std::string added;
    for (const std::string& name : LocalPrinterNames())
        if (!Contains(before, name))
            added = name;
    if (call.json) {
        Json json;
        json["port"] = AnsiText(port);
        json["printer"] = AnsiTextOrNull(added);
        if (options.files.placing)
            AddDriverSetupJson(json, setup);
        PrintJson(json);
    } else if (added.empty()) {
        std::printf("added a printer on %s\n", port.c_str());
    } else {
        std::printf("added printer \"%s\" on %s\n", added.c_str(), port.c_str());
    }
    return kExitOk;
}

int RunDriverName(const Invocation& call, const std::string& printerName) {
    const char* printer = printerName.c_str();
    char name[256];
    if (call.kvx.GetPrinterDriverName(printer, name, sizeof name) == 0) {
        std::fprintf(stderr, "kvxctl: cannot open the printer \"%s\"\n", printer);
        return kExitRefused;
    }
    if (name[0] == '\0') {
        std::fprintf(stderr, "kvxctl: the spooler gave no driver information for \"%s\"\n",
                     printer);
        return kExitRefused;
    }
    if (call.json)
        PrintJson({{"printer", AnsiText(printer)}, {"driver_data_name", AnsiText(name)}});
    else
        std::printf("%s\n", name);
    return kExitOk;
}

int RunPorts(const Invocation& call) {
    uint32_t size = 0;
    call.kvx.EnumLocalPorts(nullptr, &size);
    std::vector<char> list(size + 1, '\0');
    call.kvx.EnumLocalPorts(list.data(), &size); // fetches, frees the pending list even when empty
    Json ports = Json::array();
    for (const char* name = list.data(); name < list.data() + size; name += std::strlen(name) + 1) {
        if (*name == '\0')
            continue;
        if (call.json)
            ports.push_back(AnsiText(name));
        else
            std::printf("%s\n", name);
    }
    if (call.json)
        PrintJson({{"ports", ports}});
    return kExitOk;
}

int RunConfigurePort(const Invocation& call, const std::string& portName) {
    const char* port = portName.c_str();
    if (call.kvx.SetPortSettings(port) == 0) {
        unsigned error = GetLastError();
        std::fprintf(stderr, "kvxctl: %s was not configured: %u (%s)\n", port, error,
                     ErrorName(error));
        return kExitRefused;
    }
    std::printf("configured %s\n", port);
    return kExitOk;
}

int RunWhoami(const Invocation& call) {
    char user[KVX_USER_NAME_SIZE] = {};
    char computer[KVX_COMPUTER_NAME_SIZE] = {};
    int32_t delivered = call.kvx.NetGetInfos(user, computer);
    user[sizeof user - 1] = '\0';
    computer[sizeof computer - 1] = '\0';
    if (delivered == 0) {
        if (!call.json)
            std::printf("user      %s\n", user[0] != '\0' ? user : "(not reported)");
        std::fprintf(stderr, "kvxctl: the system did not report the computer name\n");
        return kExitRefused;
    }
    if (call.json) {
        PrintJson({{"user", AnsiTextOrNull(user)}, {"computer", AnsiText(computer)}});
        return kExitOk;
    }
    std::printf("user      %s\n", user[0] != '\0' ? user : "(not reported)");
    std::printf("computer  %s\n", computer);
    return kExitOk;
}

// A command whose one operand is `name`, run as `run` with its value.
CommandRun DefineWithOperand(CLI::App& command, const char* name,
                             int (*run)(const Invocation&, const std::string&)) {
    auto operand = std::make_shared<std::string>();
    command.add_option(name, *operand)->required();
    return [operand, run](const Invocation& call) { return run(call, *operand); };
}

} // namespace

CommandRun DefineInstallPrinter(CLI::App& command) {
    auto options = std::make_shared<InstallPrinterOptions>();
    command.add_option("PORT", options->port)->required();
    AddDriverFilesOptions(command, &options->files);
    return [options](const Invocation& call) { return RunInstallPrinter(call, *options); };
}

CommandRun DefineDriverName(CLI::App& command) {
    return DefineWithOperand(command, "PRINTER", RunDriverName);
}

CommandRun DefinePorts(CLI::App&) {
    return RunPorts;
}

CommandRun DefineConfigurePort(CLI::App& command) {
    return DefineWithOperand(command, "PORT", RunConfigurePort);
}

CommandRun DefineWhoami(CLI::App&) {
    return RunWhoami;
}
