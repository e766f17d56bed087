// The shell printer browser against the real shell, on a display (Xvfb under
// Wine). A hook on the calling thread watches the dialog the export opens: it
// records the selections the dialog receives, reads the texts it shows, then
// confirms or cancels it. The module is loaded fresh by this process, so the
// first dialog is the first since load.
#include <win32.h>

#include <gtest/gtest.h>
#include <kvx32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kDialogTitle[] = "Pick a label printer";
const char kBrowserTitle[] = "Never shown";

struct Watch {
    bool confirm = false;
    bool answered = false;
    std::vector<std::string> selections; // BFFM_SETSELECTIONA paths received
    std::vector<std::string> texts;      // the dialog's control texts when it was up
};
Watch* g_watch = nullptr;

BOOL CALLBACK CollectText(HWND control, LPARAM) {
    char text[512] = {};
    GetWindowTextA(control, text, sizeof text);
    g_watch->texts.push_back(text);
    return TRUE;
}

LRESULT CALLBACK WatchDialog(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && g_watch != nullptr && message->message == BFFM_SETSELECTIONA) {
        const char* path = reinterpret_cast<const char*>(message->lParam);
        g_watch->selections.push_back(message->wParam && path ? path : "(item list)");
        if (!g_watch->answered) {
            // The callback selects as the dialog comes up: its controls exist.
            g_watch->answered = true;
            EnumChildWindows(message->hwnd, CollectText, 0);
            PostMessageA(message->hwnd, WM_COMMAND, g_watch->confirm ? IDOK : IDCANCEL, 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Runs the export with the hook in place; the dialog is answered as `watch` says.
int32_t RunDialog(Watch* watch, int32_t maxLen, char* dst, const char* dialogTitle) {
    g_watch = watch;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, WatchDialog, nullptr, GetCurrentThreadId());
    EXPECT_NE(hook, nullptr);
    int32_t result = GetNetBrowseDialog32b(0, maxLen, dst, kBrowserTitle, 0, dialogTitle, 0, 0, 0);
    if (hook != nullptr)
        UnhookWindowsHookEx(hook);
    g_watch = nullptr;
    EXPECT_TRUE(watch->answered) << "the dialog never received its preselection";
    return result;
}

bool Shows(const Watch& watch, const std::string& text) {
    for (const std::string& shown : watch.texts)
        if (shown == text)
            return true;
    return false;
}

// A dialog nobody answers would block forever: end the run instead.
DWORD WINAPI Watchdog(LPVOID) {
    Sleep(120000);
    std::fprintf(stderr, "printer browser checks: no answer within 2 minutes\n");
    std::fflush(stderr);
    ExitProcess(3);
}

TEST(BrowseDialogCheck, TitlesResultCodesAndPreselectionOnTheRealShell) {
    CloseHandle(CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr));
    char dst[MAX_PATH + 8];

    // The first dialog since load: empty preselection, the sixth argument as its
    // title, the fourth nowhere; cancelling answers nothing chosen.
    Watch cancelled;
    std::memset(dst, '#', sizeof dst);
    EXPECT_EQ(RunDialog(&cancelled, MAX_PATH, dst, kDialogTitle), KVX_DIALOG_NOTHING_CHOSEN);
    EXPECT_EQ(dst[0], '#');
    EXPECT_EQ(cancelled.selections, std::vector<std::string>{""});
    EXPECT_TRUE(Shows(cancelled, kDialogTitle));
    EXPECT_FALSE(Shows(cancelled, kBrowserTitle));

    // Confirming the item the dialog opens on delivers its path at once.
    Watch confirmed;
    confirmed.confirm = true;
    EXPECT_EQ(RunDialog(&confirmed, MAX_PATH, dst, kDialogTitle), KVX_DIALOG_COPIED);
    std::string path = dst;
    EXPECT_FALSE(path.empty());
    EXPECT_EQ(confirmed.selections, std::vector<std::string>{""}) << "a cancel changes nothing";

    // The next dialog opens on that path; with no room the path waits for the
    // fetch, which counts its terminator.
    Watch again;
    again.confirm = true;
    int32_t size = RunDialog(&again, 0, nullptr, kDialogTitle);
    EXPECT_EQ(again.selections, std::vector<std::string>{path});
    EXPECT_EQ(size, static_cast<int32_t>(path.size()) + 1);
    EXPECT_EQ(GetNetBrowseDialog32b(0, 0, nullptr, nullptr, 0, nullptr, 0, 0, 0),
              KVX_DIALOG_FETCH_NO_DESTINATION);
    std::vector<char> fetched(static_cast<size_t>(size > 0 ? size : 1) + 1, '#');
    EXPECT_EQ(GetNetBrowseDialog32b(0, 0, fetched.data(), nullptr, 0, nullptr, 0, 0, 0),
              KVX_DIALOG_COPIED);
    EXPECT_EQ(std::string(fetched.data()), path);
    EXPECT_EQ(fetched.back(), '#');

    // Without a dialog title the dialog shows none, not the browser's default.
    Watch untitled;
    EXPECT_EQ(RunDialog(&untitled, MAX_PATH, dst, nullptr), KVX_DIALOG_NOTHING_CHOSEN);
    EXPECT_FALSE(Shows(untitled, "Select Printer"));
    EXPECT_FALSE(Shows(untitled, kBrowserTitle));
    EXPECT_EQ(untitled.selections, std::vector<std::string>{path});
}

} // namespace
