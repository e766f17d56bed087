// Binding to the library linked into kvxctl over the simulated platform. The
// simulated machine starts as a new Windows NT 4.0; options change it, in any
// order: the driver files are placed once the release is known.
#include "binding.h"

#include "commands.h"
#include "sim_driver_disk.h"

#include <sim_control.h>

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
bool ParseQueuedJobs(const std::string& value, std::string* error) {
    size_t equals = value.rfind('=');
    std::string count = equals == std::string::npos ? "" : value.substr(equals + 1);
    if (count.empty() || count.size() > 9 ||
        count.find_first_not_of("0123456789") != std::string::npos) {
        *error = "--queued-jobs needs PRINTER=COUNT, e.g. \"KVX_50 LPT1:=2\"";
        return false;
    }
    g_setup.queuedJobs.emplace_back(value.substr(0, equals), std::stoul(count));
    return true;
}

} // namespace

bool ParseBindingOption(int argc, char** argv, int* index, std::string* error) {
    std::string option = argv[*index];
    if (option == "--with-driver-files") {
        g_setup.placeDriverFiles = true;
        return true;
    }
    if (option == "--read-only-driver-dir") {
        g_setup.readOnlyDriverDirectory = true;
        return true;
    }
    if (option == "--driver-dir-renames-fail") {
        g_setup.renamesFail = true;
        return true;
    }
    if (option == "--x64") {
        sim::SetProcessArchitecture(PROCESSOR_ARCHITECTURE_AMD64);
        return true;
    }
    if (option == "--browse-cancel") {
        sim::QueueBrowseCancel();
        return true;
    }
    if (option == "--no-admin-rights") {
        sim::SetAdministrator(false);
        return true;
    }
    bool known = option == "--connect-printer" || option == "--browse-path" ||
                 option == "--browse-printer" || option == "--network" || option == "--windows" ||
                 option == "--driver-store" || option == "--queued-jobs" ||
                 option == "--driver-file-in-use";
    if (!known)
        return false;
    if (*index + 1 >= argc) {
        *error = option + " needs a value";
        return true;
    }
    std::string value = argv[++*index];
    if (option == "--connect-printer") {
        // A shared printer on a server of the simulated network.
        sim::Printer printer;
        printer.name = value;
        printer.port = "LPT1:";
        printer.driver = "Thermal on the server";
        sim::AddPrinter(printer);
        sim::QueueConnectChoice(value);
    } else if (option == "--browse-path") {
        // A file-system item shows its last component.
        sim::QueueBrowseChoice({value.substr(value.find_last_of('\\') + 1), value, true});
    } else if (option == "--browse-printer") {
        sim::QueueBrowseChoice({value, "", false}); // a printer has no path
    } else if (option == "--network") {
        sim::LoadNetworkTreeFile(value, error);
    } else if (option == "--driver-store") {
        g_setup.driverStore = value;
    } else if (option == "--queued-jobs") {
        ParseQueuedJobs(value, error);
    } else if (option == "--driver-file-in-use") {
        MarkSimDriverFileInUse(value);
    } else if (!sim::SetWindowsVersion(value)) {
        *error = "unknown Windows release '" + value +
                 "' (win31 win95 win98 winme nt351 nt40 win2k winxp win10)";
    }
    return true;
}

void PrintBindingOptionsHelp() {
    PrintHelpRow("--windows RELEASE", "simulate that Windows release (default nt40): win31\n"
                                      "win95 win98 winme nt351 nt40 win2k winxp win10");
    PrintHelpRow("--x64", "simulate a 64-bit process on 64-bit Windows, as the\n"
                          "64-bit build runs");
    PrintHelpRow("--with-driver-files",
                 "place placeholders for the platform's driver files\nin the driver directory");
    PrintHelpRow("--driver-store FOLDER", "keep the simulated driver directories, and the\n"
                                          "spooler's drivers and printers, in FOLDER\n"
                                          "(default: a temporary folder)");
    PrintHelpRow("--read-only-driver-dir", "make the driver directory refuse writes");
    PrintHelpRow("--driver-dir-renames-fail", "make every rename into the driver directory\n"
                                              "fail, as when another program holds the file");
    PrintHelpRow("--driver-file-in-use NAME", "the system holds the driver file NAME open:\n"
                                              "removing it fails");
    PrintHelpRow("--no-admin-rights", "the user is no administrator: the spooler refuses\n"
                                      "to add or delete printers and drivers");
    PrintHelpRow("--queued-jobs PRINTER=COUNT", "COUNT print jobs wait on PRINTER (0: they have\n"
                                                "been printed); kept with --driver-store");
    PrintHelpRow("--browse-path PATH", "the next browse dialog confirms a folder with that path");
    PrintHelpRow("--browse-printer NAME", "the next browse dialog confirms a printer of that\n"
                                          "name (no file-system path)");
    PrintHelpRow("--browse-cancel", "the next browse dialog is cancelled (also the default)");
    PrintHelpRow("--connect-printer NAME", "the connect dialog picks the shared printer NAME\n"
                                           "(\\\\SERVER\\PRINTER); else it is cancelled");
    PrintHelpRow("--network FILE", "simulate the network a tree file of the test network\n"
                                   "provider describes (tests/data/test_network.txt)");
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
