#include "commands.h"

#include "driver_setup.h"
#include "json_writer.h"

#include <win32.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Help rows: the usage column's width, and where a summary's lines wrap.
constexpr size_t kHelpColumn = 26;

int RunPlatform(const Invocation& call) {
    if (!call.arguments.empty())
        return kExitUsage;
    int16_t code = 0, major = 0, minor = 0, id = 0;
    call.kvx.GetPlatformFrom32(&code, &major, &minor, &id);
    if (call.json) {
        JsonWriter json;
        json.BeginObject();
        WritePlatformMembers(json, code, major, minor, id);
        json.EndObject().Print();
        return kExitOk;
    }
    std::printf("platform code  %d (%s)\nversion        %d.%d\nplatform id    %d\n", code,
                PlatformName(code), major, minor, id);
    return kExitOk;
}

int RunDriverDir(const Invocation& call) {
    if (!call.arguments.empty())
        return kExitUsage;
    std::string directory;
    if (!DriverDirectory(call.kvx, &directory)) {
        std::fprintf(stderr, "kvxctl: the spooler reported no driver directory\n");
        return kExitRefused;
    }
    if (call.json)
        JsonWriter().BeginObject().Key("driver_directory").String(directory).EndObject().Print();
    else
        std::printf("%s\n", directory.c_str());
    return kExitOk;
}

const Command kCommands[] = {
    {"status", "", "whether this machine is ready, and what to do if not", RunStatus, true},
    {"platform", "", "show the platform code and the system version", RunPlatform, true},
    {"driver-dir", "", "show the spooler's printer-driver directory", RunDriverDir, true},
    {"install-driver", "[--from FOLDER [--force]]",
     "register the thermal printer driver; --from copies its files\n"
     "from FOLDER into driver-dir first (--force replaces different ones)",
     RunInstallDriver, true},
    {"remove-driver", "[--force]",
     "remove the driver registration; refused while printers use\n"
     "it (--force asks the spooler all the same)",
     RunRemoveDriver, true},
    {"install-printer", "PORT [--from FOLDER [--force]]",
     "install the driver and add a thermal printer on PORT\n"
     "(--from and --force as for install-driver)",
     RunInstallPrinter, true},
    {"remove-printer", "PRINTER [--force]",
     "delete PRINTER through the spooler; --force also one that\n"
     "does not use the thermal printer driver",
     RunRemovePrinter, true},
    {"uninstall", "[--files]",
     "remove every printer of the driver, then the driver;\n"
     "--files also its files in driver-dir",
     RunUninstall, true},
    {"driver-name", "PRINTER", "show the base name of the printer's driver data file",
     RunDriverName, true},
    {"ports", "", "list the local ports", RunPorts, true},
    {"configure-port", "PORT", "open the configuration dialog of PORT", RunConfigurePort, false},
    {"whoami", "", "show the user and computer names", RunWhoami, true},
    {"browse-dialog", "[--title TEXT]",
     "pick a printer in the shell's browse dialog, show its path", RunBrowseDialog, false},
    {"connect-dialog", "", "connect to a network printer in the system's dialog, show its name",
     RunConnectDialog, false},
    {"browse", "[--provider NAME] [--raw] [NAME ...]",
     "list what lies under a network container (providers,\n"
     "a provider's domains, a domain's servers, a server's shares)",
     RunBrowse, true},
};

} // namespace

const char* PlatformName(int code) {
    switch (code) {
    case KVX_PLATFORM_WIN95:
        return "Windows 95";
    case KVX_PLATFORM_WIN98:
        return "Windows 98";
    case KVX_PLATFORM_NT3:
        return "Windows NT 3";
    case KVX_PLATFORM_NT4:
        return "Windows NT 4 or later";
    default:
        return "other";
    }
}

int PlatformCode(const KvxLibrary& kvx) {
    int16_t code = 0, major = 0, minor = 0, id = 0;
    kvx.GetPlatformFrom32(&code, &major, &minor, &id);
    return code;
}

void WritePlatformMembers(JsonWriter& json, int code, int major, int minor, int id) {
    json.Key("platform_code").Number(code);
    json.Key("platform_name").String(PlatformName(code));
    json.Key("major").Number(major).Key("minor").Number(minor);
    json.Key("platform_id").Number(id);
}

// Ask for the length, then fetch into a buffer of length + 1 bytes.
bool DriverDirectory(const KvxLibrary& kvx, std::string* directory) {
    uint32_t length = 0;
    uint32_t* lengthRef = &length;
    kvx.GetPrinterDriverDir(nullptr, &lengthRef);
    if (length == 0)
        return false;
    std::vector<char> buffer(length + 1);
    length = static_cast<uint32_t>(buffer.size());
    if (kvx.GetPrinterDriverDir(buffer.data(), &lengthRef) == 0)
        return false;
    *directory = buffer.data();
    return true;
}

int RunInstallDriver(const Invocation& call) {
    CommandLine line;
    if (!SplitArguments(call.arguments, {"--force"}, {"--from"}, &line) || !line.operands.empty())
        return kExitUsage;
    DriverSetup setup;
    int result = PrepareDriverFiles(call.kvx, line, &setup);
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
        JsonWriter json;
        json.BeginObject();
        WriteDriverSetup(json, setup);
        json.Key("installed").Bool(true);
        json.EndObject().Print();
    } else {
        std::printf("installed driver \"%s\" from %s\n", setup.driver.name.c_str(),
                    setup.directory.c_str());
    }
    return kExitOk;
}

bool SplitArguments(const std::vector<std::string>& arguments,
                    std::initializer_list<const char*> flags,
                    std::initializer_list<const char*> valued, CommandLine* line) {
    auto known = [](std::initializer_list<const char*> names, const std::string& argument) {
        for (const char* name : names)
            if (argument == name)
                return true;
        return false;
    };
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (known(flags, argument)) {
            line->flags.insert(argument);
        } else if (known(valued, argument)) {
            if (i + 1 >= arguments.size())
                return false;
            line->values[argument] = arguments[++i];
        } else if (argument.size() > 1 && argument[0] == '-') {
            return false;
        } else {
            line->operands.push_back(argument);
        }
    }
    return true;
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

const Command* FindCommand(const std::string& name) {
    for (const Command& command : kCommands)
        if (name == command.name)
            return &command;
    return nullptr;
}

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

void PrintCommands() {
    for (const Command& command : kCommands) {
        std::string usage = command.name;
        if (command.arguments[0] != '\0')
            usage += std::string(" ") + command.arguments;
        PrintHelpRow(usage, command.summary);
    }
}
