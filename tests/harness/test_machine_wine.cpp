// The real machine under Wine: the release is the one ctest started the program
// under (KVX_WINE_RELEASE) and the process is what it was built as; files are
// real files.
#include "harness/test_machine.h"

#include <win32.h>

#include <cstdlib>
#include <kvx32.h>

namespace harness {

bool Use(const Release& release) {
    const char* running = std::getenv("KVX_WINE_RELEASE");
    return running != nullptr && std::string(running) == release.name &&
           release.process64bit == Is64BitProcess();
}

void PlaceFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

bool UseTestNetwork(std::string* problem) {
    // prepare_prefix.sh registers the test network provider with the same tree.
    HANDLE top = nullptr;
    DWORD error = WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_PRINT, 0, nullptr, &top);
    if (error != NO_ERROR) {
        *problem = "the router lists no network (error " + std::to_string(error) +
                   "): register the test network provider with tests/wine/prepare_prefix.sh";
        return false;
    }
    WNetCloseEnum(top);
    return true;
}

} // namespace harness
