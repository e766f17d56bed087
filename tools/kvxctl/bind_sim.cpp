// Binding to the library linked into kvxctl over the simulated platform. The
// simulated machine starts as a new Windows NT 4.0; options change it.
#include "binding.h"

#include <sim_control.h>

#include <fstream>
#include <sstream>

#undef KVX32_NO_PROTOTYPES
#include <kvx32.h>

namespace {

// Places the platform's driver files in the simulated driver directory.
void PlaceDriverFiles() {
    int16_t code = 0, major = 0, minor = 0, id = 0;
    GetPlatformFrom32(&code, &major, &minor, &id);
    bool nt = code == KVX_PLATFORM_NT3 || code == KVX_PLATFORM_NT4;
    std::string directory = sim::DriverDirectory(nt ? "Windows NT x86" : "Windows 4.0");
    kvx_driver_files files = kvx_driver_files_for(code);
    for (const char* file : {files.driver_file, files.data_file, files.config_file})
        sim::AddFile(directory + file);
}

// Builds the simulated network from a tree file of the test network provider.
bool LoadNetwork(const std::string& path, std::string* error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        *error = "cannot read the network tree " + path;
        return false;
    }
    std::stringstream text;
    text << file.rdbuf();
    std::string problem;
    if (!sim::LoadNetworkTree(text.str(), &problem))
        *error = path + ": " + problem;
    return problem.empty();
}

} // namespace

bool ParseBindingOption(int argc, char** argv, int* index, std::string* error) {
    std::string option = argv[*index];
    if (option == "--with-driver-files") {
        PlaceDriverFiles();
        return true;
    }
    if (option == "--network") {
        if (*index + 1 >= argc)
            *error = "--network needs a tree file";
        else
            LoadNetwork(argv[++*index], error);
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
           "  --network FILE        simulate the network a tree file of the test network\n"
           "                        provider describes (tests/wine/test_network.txt)\n";
}

bool BindLibrary(KvxLibrary* library, std::string*) {
    library->GetPlatformFrom32 = &GetPlatformFrom32;
    library->GetPrinterDriverDir = &GetPrinterDriverDir;
    library->InstallThermalPrinterDriver = &InstallThermalPrinterDriver;
    library->DesInstallThermalPrinterDriver = &DesInstallThermalPrinterDriver;
    library->GetPortsSelect = &GetPortsSelect;
    return true;
}
