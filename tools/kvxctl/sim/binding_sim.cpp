// Binding to the library linked into kvxctl over the simulated platform. The
// simulated machine starts as a new Windows NT 4.0; options change it, in any
// order: the driver files are placed once the release is known.
#include "binding.h"

#include "sim/sim_driver_disk.h"
#include "simulation_options.h"
#include "version.h"

#include <sim_control.h>

#include <CLI/CLI.hpp>

#include <functional>
#include <utility>
#include <vector>

#undef KVX32_NO_PROTOTYPES
#include <kvx32.h>

namespace {

struct SimSetup {
    bool placeDriverFiles = false;
    bool readOnlyDriverDirectory = false;
    bool renamesFail = false;
    std::string driverStore;
    std::vector<std::pair<std::string, DWORD>> queuedJobs; // printer, jobs
};

SimSetup g_setup;

// "PRINTER=COUNT": the printer name may hold '=' itself, the count does not.
void ParseQueuedJobs(const std::string& value) {
    size_t equals = value.rfind('=');
    std::string count = equals == std::string::npos ? "" : value.substr(equals + 1);
    if (count.empty() || count.size() > 9 ||
        count.find_first_not_of("0123456789") != std::string::npos)
        throw CLI::ValidationError("--queued-jobs needs PRINTER=COUNT, e.g. \"KVX_50 LPT1:=2\"");
    g_setup.queuedJobs.emplace_back(value.substr(0, equals), std::stoul(count));
}

// A shared printer on a server of the simulated network, which the connect
// dialog picks.
void AddConnectPrinter(const std::string& name) {
    sim::Printer printer;
    printer.name = name;
    printer.port = "LPT1:";
    printer.driver = "Thermal on the server";
    sim::AddPrinter(printer);
    sim::QueueConnectChoice(name);
}

// The options that may be given more than once: each adds to a queue or a list.
bool Repeatable(SimulationOption option) {
    switch (option) {
    case SimulationOption::kDriverFileInUse:
    case SimulationOption::kQueuedJobs:
    case SimulationOption::kBrowsePath:
    case SimulationOption::kBrowsePrinter:
    case SimulationOption::kBrowseCancel:
    case SimulationOption::kConnectPrinter:
        return true;
    default:
        return false;
    }
}

} // namespace

void AddBindingOptions(CLI::App& app) {
    // Each takes effect as it is read, so that the dialogs' choices queue in order.
    // A repeatable one takes every value, so the command line may give it again.
    auto policy = [](SimulationOption option) {
        return Repeatable(option) ? CLI::MultiOptionPolicy::TakeAll
                                  : CLI::MultiOptionPolicy::TakeLast;
    };
    auto flag = [&app, policy](SimulationOption option, std::function<void()> effect,
                               const char* help) {
        app.add_flag_callback(NameOf(option), std::move(effect), help)
            ->trigger_on_parse()
            ->multi_option_policy(policy(option));
    };
    auto valued = [&app, policy](SimulationOption option, const char* value,
                                 std::function<void(const std::string&)> effect, const char* help) {
        app.add_option_function<std::string>(NameOf(option), std::move(effect), help)
            ->type_name(value)
            ->trigger_on_parse()
            ->multi_option_policy(policy(option));
    };
    valued(
        SimulationOption::kWindows, "RELEASE",
        [](const std::string& release) {
            if (!sim::SetWindowsVersion(release))
                throw CLI::ValidationError("unknown Windows release '" + release + "' (" +
                                           KVX_WINDOWS_RELEASES + ")");
        },
        "simulate that Windows release (default nt40):\n" KVX_WINDOWS_RELEASES);
    flag(
        SimulationOption::kX64, [] { sim::SetProcessArchitecture(PROCESSOR_ARCHITECTURE_AMD64); },
        "simulate a 64-bit process on 64-bit Windows, as the\n64-bit build runs");
    flag(
        SimulationOption::kWithDriverFiles, [] { g_setup.placeDriverFiles = true; },
        "place placeholders for the platform's driver files\nin the driver directory");
    valued(
        SimulationOption::kDriverStore, "FOLDER",
        [](const std::string& folder) { g_setup.driverStore = folder; },
        "keep the simulated driver directories, and the\nspooler's drivers and printers, in "
        "FOLDER\n(default: a temporary folder)");
    flag(
        SimulationOption::kReadOnlyDriverDir, [] { g_setup.readOnlyDriverDirectory = true; },
        "make the driver directory refuse writes");
    flag(
        SimulationOption::kDriverDirRenamesFail, [] { g_setup.renamesFail = true; },
        "make every rename into the driver directory\nfail, as when another program holds the "
        "file");
    valued(SimulationOption::kDriverFileInUse, "NAME", MarkSimDriverFileInUse,
           "the system holds the driver file NAME open:\nremoving it fails");
    flag(
        SimulationOption::kNoAdminRights, [] { sim::SetAdministrator(false); },
        "the user is no administrator: the spooler refuses\nto add or delete printers and drivers");
    valued(SimulationOption::kQueuedJobs, "PRINTER=COUNT", ParseQueuedJobs,
           "COUNT print jobs wait on PRINTER (0: they have\nbeen printed); kept with "
           "--driver-store");
    valued(
        SimulationOption::kBrowsePath, "PATH",
        [](const std::string& path) {
            // A file-system item shows its last component.
            sim::QueueBrowseChoice({path.substr(path.find_last_of('\\') + 1), path, true});
        },
        "the next browse dialog confirms a folder with that path");
    valued(
        SimulationOption::kBrowsePrinter, "NAME",
        [](const std::string& name) {
            sim::QueueBrowseChoice({name, "", false}); // a printer has no path
        },
        "the next browse dialog confirms a printer of that\nname (no file-system path)");
    flag(SimulationOption::kBrowseCancel, sim::QueueBrowseCancel,
         "the next browse dialog is cancelled (also the default)");
    valued(SimulationOption::kConnectPrinter, "NAME", AddConnectPrinter,
           "the connect dialog picks the shared printer NAME\n(\\\\SERVER\\PRINTER); else it is "
           "cancelled");
    valued(
        SimulationOption::kNetwork, "FILE",
        [](const std::string& file) {
            std::string error;
            if (!sim::LoadNetworkTreeFile(file, &error))
                throw CLI::ValidationError(error);
        },
        "simulate the network a tree file of the test network\nprovider describes "
        "(tests/data/test_network.txt)");
}

OtherBuildOptions OptionsOfOtherBuild() {
    return {{kDllOption}, "kvxctl.exe (the Windows kvxctl)"};
}

bool QueryLibraryFile(LibraryFile* file, std::string*) {
    file->version = KVX_VERSION_DOTTED; // the version record the DLL build carries
    file->path.clear();                 // linked in
    return true;
}

bool BindLibrary(KvxLibrary* library, std::string* error) {
    library->GetPlatformFrom32 = &GetPlatformFrom32;
    library->GetPrinterDriverDir = &GetPrinterDriverDir;
    library->InstallThermalPrinterDriver = &InstallThermalPrinterDriver;
    library->DesInstallThermalPrinterDriver = &DesInstallThermalPrinterDriver;
    library->InstallThermalPrinter = &InstallThermalPrinter;
    library->GetPrinterDriverName = &GetPrinterDriverName;
    library->EnumLocalPorts = &EnumLocalPorts;
    library->SetPortSettings = &SetPortSettings;
    library->NetGetInfos = &NetGetInfos;
    library->GetNetBrowseDialog32b = &GetNetBrowseDialog32b;
    library->GetNetBrowseDialogNT4 = &GetNetBrowseDialogNT4;
    library->GetPortsSelect = &GetPortsSelect;
    if (!SetUpSimDriverDisk(g_setup.driverStore, error) || !LoadSimSpoolerState(error))
        return false;
    for (const auto& [printer, jobs] : g_setup.queuedJobs)
        if (!sim::SetPrinterJobs(printer, jobs)) {
            *error = "--queued-jobs: no printer is named \"" + printer + "\"";
            return false;
        }
    if (g_setup.placeDriverFiles) {
        int16_t code = 0, major = 0, minor = 0, id = 0;
        GetPlatformFrom32(&code, &major, &minor, &id);
        if (!PlacePlaceholderDriverFiles(code, error))
            return false;
    }
    SetSimDriverDiskReadOnly(g_setup.readOnlyDriverDirectory);
    SetSimDriverDiskRenamesFail(g_setup.renamesFail);
    return true;
}

bool ReleaseLibrary(std::string* error) {
    return SaveSimSpoolerState(error);
}
