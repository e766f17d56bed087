// The printer dialogs, run through their two-call protocol as a host runs them:
// a sizing call without a destination, then a fetch into a buffer of the size
// the library reported.
#include "commands.h"

#include <win32.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

const char* DialogResultName(int32_t result) {
    switch (result) {
    case KVX_DIALOG_COPIED:
        return "KVX_DIALOG_COPIED";
    case KVX_DIALOG_FETCH_NO_DESTINATION:
        return "KVX_DIALOG_FETCH_NO_DESTINATION";
    case KVX_DIALOG_FETCH_LOCK_FAILED:
        return "KVX_DIALOG_FETCH_LOCK_FAILED";
    case KVX_DIALOG_INFO_FAILED:
        return "KVX_DIALOG_INFO_FAILED";
    case KVX_DIALOG_NO_DESTINATION:
        return "KVX_DIALOG_NO_DESTINATION";
    case KVX_DIALOG_NO_MEMORY:
        return "KVX_DIALOG_NO_MEMORY";
    case KVX_DIALOG_NOTHING_CHOSEN:
        return "KVX_DIALOG_NOTHING_CHOSEN";
    default:
        return result > 0 ? "size to fetch" : "unknown code";
    }
}

void PrintResult(const char* call, int32_t result) {
    std::printf("%-12s %d (%s)\n", call, result, DialogResultName(result));
}

// Whether this process can create a top-level window at all. The dialog
// exports answer "nothing chosen" alike for a dialog cancelled and for one that
// could not open (Wine without a display refuses every top-level window), so
// kvxctl asks the system itself.
bool WindowCanAppear() {
    struct ProbeWindow {
        HWND handle;
        ~ProbeWindow() {
            if (handle != nullptr)
                DestroyWindow(handle);
        }
    };
    constexpr DWORD kHidden = 0; // neither WS_VISIBLE nor WS_CHILD: a hidden top-level window
    ProbeWindow probe{
        CreateWindowExA(0, "Static", "", kHidden, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr)};
    return probe.handle != nullptr;
}

// Runs a sizing call, then, when it reported a size, allocates `size + extra`
// bytes and fetches into them. Prints both results and what was chosen.
template <typename Call> int RunTwoCalls(Call call, const char* what, int32_t extra) {
    int32_t size = call(0, nullptr);
    PrintResult("sizing call", size);
    if (size == 0) {
        if (WindowCanAppear()) {
            Complain("nothing was chosen");
        } else {
            Complain("nothing was chosen: no window could appear, as this process cannot\n"
                     "create one (no display? under Wine, DISPLAY must name a running X server)");
        }
        return kExitNothingChosen;
    }
    if (size < 0) {
        Complain("the library could not deliver the choice");
        return kExitRefused;
    }
    std::vector<char> buffer(static_cast<size_t>(size) + static_cast<size_t>(extra), '\0');
    int32_t fetched = call(0, buffer.data());
    PrintResult("fetch call", fetched);
    if (fetched != KVX_DIALOG_COPIED) {
        std::fprintf(stderr, "kvxctl: %s\n",
                     fetched == KVX_DIALOG_NOTHING_CHOSEN ? "the chosen item gave an empty path"
                                                          : "nothing was delivered");
        return kExitRefused;
    }
    std::printf("%-12s %s\n", what, buffer.data());
    return kExitOk;
}

// --title TEXT: the dialog's title, else the library's own.
struct BrowseDialogOptions {
    bool titled = false;
    std::string title;
};

int RunBrowseDialog(const Invocation& call, const BrowseDialogOptions& options) {
    const KvxLibrary& kvx = call.kvx;
    const char* titleText = options.titled ? options.title.c_str() : nullptr;
    // The path's size counts its terminator: the buffer is exactly the reported size.
    return RunTwoCalls(
        [&](int32_t maxLen, char* destination) {
            return kvx.GetNetBrowseDialog32b(0, maxLen, destination, nullptr, 0, titleText, 0, 0,
                                             0);
        },
        "path", 0);
}

int RunConnectDialog(const Invocation& call) {
    const KvxLibrary& kvx = call.kvx;
    // The name's size leaves out its terminator: the buffer is one byte longer.
    return RunTwoCalls(
        [&](int32_t maxLen, char* destination) {
            return kvx.GetNetBrowseDialogNT4(nullptr, maxLen, destination);
        },
        "printer", 1);
}

} // namespace

CommandRun DefineBrowseDialog(CLI::App& command) {
    auto options = std::make_shared<BrowseDialogOptions>();
    AddValueOption(command, "--title", "TEXT", "the dialog's title", &options->title,
                   &options->titled);
    return [options](const Invocation& call) { return RunBrowseDialog(call, *options); };
}

CommandRun DefineConnectDialog(CLI::App&) {
    return RunConnectDialog;
}
