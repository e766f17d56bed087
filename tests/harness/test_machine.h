// What the behaviour checks need from the machine they run on. The same checks
// run natively against the simulated platform and, under Wine, against the real
// one: there a process sees one Windows release (chosen per program by ctest)
// and files are real files.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace harness {

struct Release {
    const char* name; // Wine's name for it
    unsigned platformId, major, minor;
    int code;          // the library's platform code
    bool process64bit; // the checks run in a 64-bit process (wine64, or simulated)
    std::string Title() const { return std::string(name) + (process64bit ? " x64" : ""); }
};

// Every release the checks know, once for a 32-bit and once for a 64-bit process.
const std::vector<Release>& Releases();

// Whether this process is a 64-bit one, as the system reports it.
bool Is64BitProcess();

// The platform code whose driver files and printer name the library uses in this
// process on a release of platform code `code`: a 64-bit process on Windows NT
// takes the Windows NT 4 ones whatever NT version runs.
int DriverCode(int code);
// The spooler environment the library registers that driver under.
const char* DriverEnvironment(int code);

// Makes `release` the running one; false when this run cannot (under Wine a
// process runs one release only).
bool Use(const Release& release);

// Returns the machine to a state with no printer and no driver of ours installed.
void Clean();

// Creates an empty file at a full Windows path.
void PlaceFile(const std::string& path);

// The spooler's driver directory for the running platform, as the spooler itself
// reports it; empty when it refuses.
std::string SpoolerDriverDirectory();

// Places the driver files of a platform code's driver row in the spooler's
// driver directory.
void PlaceDriverFiles(int code);

// Runs `check` for every release this run can switch to: natively each one,
// under Wine the one the program was started under. With `only`, other releases
// are left out, and a run that can use none of those skips the test; without
// it, a run that can use no release at all fails.
template <typename Check>
void ForEachRelease(Check check, std::initializer_list<const char*> only = {}) {
    int ran = 0;
    for (const Release& release : Releases()) {
        bool wanted = only.size() == 0;
        for (const char* name : only)
            wanted = wanted || std::string(name) == release.name;
        if (!wanted || !Use(release))
            continue;
        SCOPED_TRACE(release.Title());
        check(release);
        ++ran;
    }
    if (ran == 0 && only.size() != 0)
        GTEST_SKIP() << "none of the releases this check is for is running";
    EXPECT_GT(ran, 0) << "no release could be checked";
}
// Makes the network of tests/data/test_network.txt the machine's network. False
// with the reason when it cannot (under Wine: the test network provider is not
// registered in the prefix).
bool UseTestNetwork(std::string* problem);

} // namespace harness
