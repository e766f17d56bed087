// Binding to the library linked into kvxctl over the simulated platform. The
// simulated machine starts as a new Windows NT 4.0; options change it.
#include "binding.h"

#include <sim_control.h>

// The exports themselves, linked in (binding.h declares only their types).
#undef KVX32_NO_PROTOTYPES
#include <kvx32.h>

namespace {

// Places the driver files of the running platform in the simulated driver
// directory, as an administrator would before installing the driver.
void PlaceDriverFiles() {
    int16_t code = KVX_PLATFORM_OTHER;
    GetPlatformFrom32(&code, nullptr, nullptr, nullptr);
    bool nt = code == KVX_PLATFORM_NT3 || code == KVX_PLATFORM_NT4;
    std::string directory = sim::DriverDirectory(nt ? "Windows NT x86" : "Windows 4.0");
    kvx_driver_files files = kvx_driver_files_for(code);
    for (const char* file : {files.driver_file, files.data_file, files.config_file})
        sim::AddFile(directory + file);
}

} // namespace

bool ParseBindingOption(int argc, char** argv, int* index, std::string* error) {
    std::string option = argv[*index];
    if (option == "--with-driver-files") {
        PlaceDriverFiles();
        return true;
    }
    if (option == "--browse-cancel") {
        sim::QueueBrowseCancel();
        return true;
    }
    if (option == "--connect-printer") {
        if (*index + 1 >= argc) {
            *error = "--connect-printer needs a printer name";
            return true;
        }
        // A shared printer on a server of the simulated network.
        std::string name = argv[++*index];
        sim::Printer printer;
        printer.name = name;
        printer.port = "LPT1:";
        printer.driver = "Thermal on the server";
        sim::AddPrinter(printer);
        sim::QueueConnectChoice(name);
        return true;
    }
    if (option == "--browse-path" || option == "--browse-printer") {
        if (*index + 1 >= argc) {
            *error = option + " needs a value";
            return true;
        }
        std::string value = argv[++*index];
        // A file-system item shows its last component; a printer has no path.
        if (option == "--browse-path")
            sim::QueueBrowseChoice({value.substr(value.find_last_of('\\') + 1), value, true});
        else
            sim::QueueBrowseChoice({value, "", false});
        return true;
    }
    if (option == "--network") {
        if (*index + 1 >= argc)
            *error = "--network needs a tree file";
        else
            sim::LoadNetworkTreeFile(argv[++*index], error);
        return true;
    }
    if (option != "--windows")
        return false;
    if (*index + 1 >= argc) {
        *error = "--windows needs a release name";
        return true;
    }
    std::string release = argv[++*index];
    if (!sim::SetWindowsVersion(release))
        *error = "unknown Windows release '" + release +
                 "' (win31 win95 win98 winme nt351 nt40 win2k winxp win10)";
    return true;
}

const char* BindingOptionsHelp() {
    return "  --windows RELEASE     simulate that Windows release (default nt40): win31 win95\n"
           "                        win98 winme nt351 nt40 win2k winxp win10\n"
           "  --with-driver-files   place the platform's driver files in the simulated\n"
           "                        driver directory (give it after --windows)\n"
           "  --browse-path PATH    the next browse dialog confirms a folder with that path\n"
           "  --browse-printer NAME the next browse dialog confirms a printer of that name\n"
           "                        (no file-system path)\n"
           "  --browse-cancel       the next browse dialog is cancelled (also the default)\n"
           "  --connect-printer NAME  the connect dialog picks the shared printer NAME\n"
           "                        (\\\\SERVER\\PRINTER); without it the dialog is cancelled\n"
           "  --network FILE        simulate the network a tree file of the test network\n"
           "                        provider describes (tests/wine/test_network.txt)\n";
}

bool BindLibrary(KvxLibrary* library, std::string*) {
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
    return true;
}
