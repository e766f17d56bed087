#include "version_report.h"

#include "binding.h"
#include "command_line.h"
#include "json_output.h"
#include "version.h"

#include <cstdio>

int ReportVersion(bool json) {
    LibraryFile library;
    std::string error;
    bool loaded = QueryLibraryFile(&library, &error);
    if (json) {
        Json document;
        document["kvxctl_version"] = KVX_VERSION_DOTTED;
        document["dll_version"] = AnsiTextOrNull(library.version);
        document["dll_path"] = AnsiTextOrNull(library.path);
        PrintJson(document);
    } else {
        std::printf("kvxctl      %s\n", KVX_VERSION_DOTTED);
        if (loaded)
            std::printf("KVX_32.dll  %s  %s\n",
                        library.version.empty() ? "(no version record)" : library.version.c_str(),
                        library.path.empty() ? "(linked in, over the simulated platform)"
                                             : library.path.c_str());
    }
    if (!loaded) {
        Complain(error);
        return kExitNoLibrary;
    }
    return kExitOk;
}
