// GetNetBrowseDialog32b: a printer picked in the shell's folder-browse dialog,
// returned as the shell's path for it through the two-call handoff, whose sizes
// count the path's terminator.
#include "frame/handoff.h"
#include "frame/dialog_handoff.h"
#include "printer_browser/printer_browser.h"

#include <cstring>

// GetNetBrowseDialog32b (ordinal 7): the shell printer browser; the path chosen, then fetched.
extern "C" int32_t KVX_API GetNetBrowseDialog32b(uint32_t, int32_t maxLen, char* dst,
                                                 const char* title, uint32_t,
                                                 const char* dialogTitle, uint32_t, uint32_t,
                                                 uint32_t) {
    if (g_printerBrowserSlot.Pending())
        return FetchPending(g_printerBrowserSlot, dst);

    // The browser's own title never shows: the dialog's title replaces it.
    PrinterBrowser browser(title, CSharedString(), true);
    browser.SetTitle(dialogTitle);
    if (!browser.Browse())
        return KVX_DIALOG_NOTHING_CHOSEN;
    CSharedString path;
    browser.GetPath(path);

    int32_t length = path.GetLength();
    if (maxLen <= length) // signed: a zero or negative maxLen always waits
        return KeepPending(g_printerBrowserSlot, path.c_str(), static_cast<size_t>(length),
                           length + 1);
    if (dst == nullptr)
        return KVX_DIALOG_NO_DESTINATION;
    if (length == 0)
        return KVX_DIALOG_NOTHING_CHOSEN;
    std::memcpy(dst, path.c_str(), static_cast<size_t>(length) + 1);
    return KVX_DIALOG_COPIED;
}
