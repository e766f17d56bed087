// The simulated machine: any release on demand, files in the simulated disk.
#include "conformance/test_machine.h"

#include <sim_control.h>

#include <fstream>
#include <sstream>

namespace machine {

bool Use(const Release& release) {
    sim::Reset();
    return sim::SetWindowsVersion(release.name);
}

void PlaceFile(const std::string& path) {
    sim::AddFile(path);
}

bool UseTestNetwork(std::string* problem) {
    sim::Reset();
    std::ifstream file(KVX_TEST_NETWORK, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    if (!file || !sim::LoadNetworkTree(text.str(), problem)) {
        *problem = std::string(KVX_TEST_NETWORK) + ": " + *problem;
        return false;
    }
    return true;
}

} // namespace machine
