// The connect-to-printer export where the system's dialog hands back no printer
// (Wine's dialog never does; the simulated one does not unless a test asks).
#include "harness/test_machine.h"

#include <win32.h>

#include <gtest/gtest.h>
#include <kvx32.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

bool DriverListed(const char* name) {
    for (const char* environment : {"Windows NT x86", "Windows 4.0", "Windows x64"}) {
        std::string env = environment;
        DWORD needed = 0, returned = 0;
        EnumPrinterDriversA(nullptr, &env[0], 2, nullptr, 0, &needed, &returned);
        std::vector<BYTE> list(needed + 1);
        if (!EnumPrinterDriversA(nullptr, &env[0], 2, list.data(), needed, &needed, &returned))
            continue;
        const auto* drivers = reinterpret_cast<const DRIVER_INFO_2A*>(list.data());
        for (DWORD i = 0; i < returned; ++i)
            if (std::string(drivers[i].pName) == name)
                return true;
    }
    return false;
}

TEST(ConnectDialogCheck, NoPrinterFromTheDialogAnswersNothingChosenWithTheDriverInstalled) {
    int ran = 0;
    for (const harness::Release& release : harness::Releases()) {
        if (!harness::Use(release))
            continue;
        SCOPED_TRACE(release.Title());
        ++ran;
        harness::Clean();
        kvx_driver_files files = kvx_driver_files_for(harness::DriverCode(release.code));
        std::string directory = harness::SpoolerDriverDirectory();
        for (const char* file : {files.driver_file, files.data_file, files.config_file})
            harness::PlaceFile(directory + file);

        char name[64];
        std::memset(name, '#', sizeof name);
        for (int32_t maxLen : {100, 0}) { // nothing is left pending either way
            EXPECT_EQ(GetNetBrowseDialogNT4(nullptr, maxLen, name), KVX_DIALOG_NOTHING_CHOSEN);
            EXPECT_EQ(name[0], '#');
        }
        EXPECT_TRUE(DriverListed(files.driver_name)) << files.driver_name;
        harness::Clean();
    }
    EXPECT_GT(ran, 0) << "no release could be checked";
}

} // namespace
