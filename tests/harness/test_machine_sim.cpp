// The simulated machine: any release on demand, files in the simulated disk.
#include "harness/test_machine.h"

#include <sim_control.h>

namespace harness {

bool Use(const Release& release) {
    sim::Reset();
    sim::SetProcessArchitecture(release.process64bit ? PROCESSOR_ARCHITECTURE_AMD64
                                                     : PROCESSOR_ARCHITECTURE_INTEL);
    return sim::SetWindowsVersion(release.name);
}

void PlaceFile(const std::string& path) {
    sim::AddFile(path);
}

bool UseTestNetwork(std::string* problem) {
    sim::Reset();
    return sim::LoadNetworkTreeFile(KVX_TEST_NETWORK, problem);
}

} // namespace harness
