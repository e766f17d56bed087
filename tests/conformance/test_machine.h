// What the behaviour checks need from the machine they run on. The same checks
// run natively against the simulated platform and, under Wine, against the real
// one: there a process sees one Windows release (chosen per program by ctest)
// and files are real files.
#pragma once

#include <string>
#include <vector>

namespace machine {

struct Release {
    const char* name; // Wine's name for it
    unsigned platformId, major, minor;
    int code; // the library's platform code
};

// Every release the checks know.
const std::vector<Release>& Releases();

// Makes `release` the running one; false when this run cannot (under Wine a
// process runs one release only).
bool Use(const Release& release);

// Returns the machine to a state with no driver of ours installed.
void Clean();

// Creates an empty file at a full Windows path.
void PlaceFile(const std::string& path);

// Makes the network of tests/wine/test_network.txt the machine's network. False
// with the reason when it cannot (under Wine: the test network provider is not
// registered in the prefix).
bool UseTestNetwork(std::string* problem);

} // namespace machine
