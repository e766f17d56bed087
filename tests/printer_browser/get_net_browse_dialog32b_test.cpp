#include "harness/sim_fixture.h"

#include "frame/handoff.h"
#include "frame/module_state.h"
#include "printer_browser/printer_browser.h"

#include <kvx32.h>

#include <climits>
#include <cstring>
#include <map>
#include <string>

namespace {
using namespace harness;

const std::string kPath = "\\\\LABELSRV\\Thermal"; // 18 characters
const int32_t L = static_cast<int32_t>(kPath.size());

int32_t Call(int32_t maxLen, char* dst, const char* title = "browser title",
             const char* dialogTitle = "Pick a label printer") {
    return GetNetBrowseDialog32b(0, maxLen, dst, title, 0, dialogTitle, 0, 0, 0);
}

class PrinterBrowserTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        PreselectPath = ""; // as after load
    }
    // Shell resources are all handed back after every call.
    void TearDown() override {
        EXPECT_EQ(sim::LiveItemLists(), 0u);
        EXPECT_EQ(sim::ShellAllocatorReferences(), 0);
        EXPECT_EQ(sim::ShellMisuses(), 0u);
        // The shell's module stays loaded once a dialog was shown: one reference, never more.
        EXPECT_GE(sim::LibraryModuleReferences(), 0);
        EXPECT_LE(sim::LibraryModuleReferences(), 1);
        if (Dialogs() > 0) {
            EXPECT_EQ(sim::LibraryModuleReferences(), 1);
        }
    }
    static size_t Dialogs() { return sim::BrowseDialogs().size(); }
};

TEST_F(PrinterBrowserTest, SizingAndFetchFollowTheSignedLengthRule) {
    struct Case {
        std::string path;
        int32_t maxLen;
        bool dstGiven;
        int32_t sizing;      // result of the sizing call
        std::string written; // by the sizing call
        int32_t fetch;       // result of the fetch call, when one is due
        std::string fetched; // by the fetch call
    } cases[] = {
        {kPath, L + 1, true, KVX_DIALOG_COPIED, kPath, 0, ""},
        {kPath, L + 1, false, KVX_DIALOG_NO_DESTINATION, "(untouched)", 0, ""},
        {kPath, L, true, L + 1, "(untouched)", KVX_DIALOG_COPIED, kPath},
        {kPath, L - 1, true, L + 1, "(untouched)", KVX_DIALOG_COPIED, kPath},
        {kPath, 0, true, L + 1, "(untouched)", KVX_DIALOG_COPIED, kPath},
        {kPath, -1, true, L + 1, "(untouched)", KVX_DIALOG_COPIED, kPath},
        {kPath, INT32_MIN, false, L + 1, "(untouched)", KVX_DIALOG_COPIED, kPath},
        {kPath, 65536, true, KVX_DIALOG_COPIED, kPath, 0, ""},
        {kPath, 65537, true, KVX_DIALOG_COPIED, kPath, 0, ""},
        {"", 0, true, 1, "(untouched)", KVX_DIALOG_NOTHING_CHOSEN, "(untouched)"},
        {"", -7, false, 1, "(untouched)", KVX_DIALOG_NOTHING_CHOSEN, "(untouched)"},
        {"", 1, true, KVX_DIALOG_NOTHING_CHOSEN, "(untouched)", 0, ""},
        {"", 1, false, KVX_DIALOG_NO_DESTINATION, "(untouched)", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("path '" + c.path + "' maxLen " + std::to_string(c.maxLen) +
                     (c.dstGiven ? " with dst" : " without dst"));
        sim::QueueBrowseChoice({"Thermal", c.path, true});
        size_t blocks = sim::LiveGlobalBlocks();
        Destination dst;
        EXPECT_EQ(Call(c.maxLen, c.dstGiven ? dst.bytes : nullptr), c.sizing);
        EXPECT_EQ(dst.Written(), c.written);
        if (c.sizing > 0) {
            EXPECT_EQ(sim::LiveGlobalBlocks(), blocks + 1);
            size_t dialogs = Dialogs();
            Destination fetched;
            EXPECT_EQ(Call(1000, fetched.bytes, nullptr, nullptr), c.fetch);
            EXPECT_EQ(fetched.Written(), c.fetched);
            EXPECT_EQ(Dialogs(), dialogs) << "a fetch call opens no dialog";
            if (c.fetch == KVX_DIALOG_COPIED) { // exactly the reported size
                EXPECT_EQ(strnlen(fetched.bytes, sizeof fetched.bytes) + 1,
                          static_cast<size_t>(c.sizing));
            }
        }
        EXPECT_EQ(sim::LiveGlobalBlocks(), blocks) << "the slot is left empty";
        EXPECT_EQ(sim::LockedGlobalBlocks(), 0u);
    }
}

TEST_F(PrinterBrowserTest, PathIsWhatTheShellLeavesInTheSharedBuffer) {
    struct Case {
        const char* what;
        sim::BrowseItem item;
        int32_t result;
        std::string written;
    } cases[] = {
        {"folder", {"Thermal", kPath, true}, KVX_DIALOG_COPIED, kPath},
        {"printer: its display name",
         {"Thermal on LABELSRV", "", false},
         KVX_DIALOG_COPIED,
         "Thermal on LABELSRV"},
        {"printer without a name", {"", "", false}, KVX_DIALOG_NOTHING_CHOSEN, "(untouched)"},
        {"longest path",
         {"x", "C:\\" + std::string(MAX_PATH - 4, 'p'), true},
         KVX_DIALOG_COPIED,
         "C:\\" + std::string(MAX_PATH - 4, 'p')},
        {"path cut by the shell",
         {"x", std::string(400, 'q'), true},
         KVX_DIALOG_COPIED,
         std::string(MAX_PATH - 1, 'q')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::QueueBrowseChoice(c.item);
        Destination dst;
        EXPECT_EQ(Call(MAX_PATH + 1, dst.bytes), c.result);
        EXPECT_EQ(dst.Written(), c.written);
        EXPECT_EQ(std::string(PreselectPath), c.written == "(untouched)" ? "" : c.written);
    }
}

TEST_F(PrinterBrowserTest, CancelledDialogAnswersNothingChosen) {
    Destination dst;
    for (int32_t maxLen : {0, 100}) {
        sim::QueueBrowseCancel();
        EXPECT_EQ(Call(maxLen, dst.bytes), KVX_DIALOG_NOTHING_CHOSEN);
    }
    EXPECT_EQ(Call(100, nullptr), KVX_DIALOG_NOTHING_CHOSEN); // nothing queued: cancelled
    EXPECT_EQ(dst.Written(), "(untouched)");
    EXPECT_EQ(Dialogs(), 3u);
    EXPECT_EQ(sim::ShellAllocatorFrees(), 3u); // the root list of each dialog
}

TEST_F(PrinterBrowserTest, FetchWithoutDestinationKeepsThePathPending) {
    sim::QueueBrowseChoice({"Thermal", kPath, true});
    ASSERT_EQ(Call(0, nullptr), L + 1);
    EXPECT_EQ(Call(0, nullptr), KVX_DIALOG_FETCH_NO_DESTINATION);
    EXPECT_EQ(Call(-1, nullptr, nullptr, nullptr), KVX_DIALOG_FETCH_NO_DESTINATION);
    Destination dst;
    EXPECT_EQ(Call(0, dst.bytes), KVX_DIALOG_COPIED); // maxLen plays no part
    EXPECT_EQ(dst.Written(), kPath);
    EXPECT_EQ(Dialogs(), 1u);
}

TEST_F(PrinterBrowserTest, FetchThatCannotLockDropsThePath) {
    size_t blocks = sim::LiveGlobalBlocks();
    sim::QueueBrowseChoice({"Thermal", kPath, true});
    ASSERT_EQ(Call(0, nullptr), L + 1);
    sim::FailNth(sim::Fault::GlobalLock, 1);
    Destination dst;
    EXPECT_EQ(Call(0, dst.bytes), KVX_DIALOG_FETCH_LOCK_FAILED);
    EXPECT_EQ(dst.Written(), "(untouched)");
    EXPECT_EQ(sim::LiveGlobalBlocks(), blocks);
    EXPECT_EQ(Call(0, dst.bytes), KVX_DIALOG_NOTHING_CHOSEN); // a new, cancelled dialog
    EXPECT_EQ(Dialogs(), 2u);
}

TEST_F(PrinterBrowserTest, PathBlockThatCannotBeHadAnswersMinus1) {
    for (sim::Fault kind : {sim::Fault::GlobalAlloc, sim::Fault::GlobalLock}) {
        sim::QueueBrowseChoice({"Thermal", kPath, true});
        size_t blocks = sim::LiveGlobalBlocks();
        sim::FailNth(kind, 1);
        Destination dst;
        EXPECT_EQ(Call(0, dst.bytes), KVX_DIALOG_NO_MEMORY);
        EXPECT_TRUE(sim::FaultFired());
        EXPECT_EQ(dst.Written(), "(untouched)");
        EXPECT_EQ(sim::LiveGlobalBlocks(), blocks);
        EXPECT_EQ(std::string(PreselectPath), kPath); // the choice counts all the same
        PreselectPath = "";
    }
}

TEST_F(PrinterBrowserTest, DialogStartsAtTheNetworkForPrintersUnderTheSixthArgument) {
    struct Case {
        const char* title;
        const char* dialogTitle;
        const char* shown;
    } cases[] = {
        {"Mine", "Pick a label printer", "Pick a label printer"},
        {nullptr, "Pick a label printer", "Pick a label printer"},
        {"Mine", nullptr, ""},
        {nullptr, nullptr, ""}, // never "Select Printer"
        {"Mine", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.title ? c.title : "(null)") + " / " +
                     (c.dialogTitle ? c.dialogTitle : "(null)"));
        NewMachine();
        EXPECT_EQ(Call(100, nullptr, c.title, c.dialogTitle), KVX_DIALOG_NOTHING_CHOSEN);
        auto dialogs = sim::BrowseDialogs();
        ASSERT_EQ(dialogs.size(), 1u);
        const sim::BrowseDialog& d = dialogs[0];
        EXPECT_TRUE(d.titleGiven);
        EXPECT_EQ(d.title, c.shown);
        EXPECT_FALSE(d.ownerGiven);
        EXPECT_EQ(d.rootFolder, CSIDL_NETWORK);
        EXPECT_EQ(d.flags, static_cast<UINT>(BIF_BROWSEFORPRINTER));
        EXPECT_TRUE(d.displayBufferGiven);
        EXPECT_TRUE(d.callbackGiven);
        EXPECT_EQ(d.lParam, 0);
    }
}

TEST_F(PrinterBrowserTest, EachDialogPreselectsTheLastConfirmedPath) {
    // Each step: what the dialog answers, and the result with maxLen 100 and no dst.
    struct Step {
        bool confirm;
        std::string path;
        int32_t result;
    } steps[] = {
        {true, kPath, KVX_DIALOG_NO_DESTINATION}, // a choice counts even when not delivered
        {false, "", KVX_DIALOG_NOTHING_CHOSEN},   {true, "C:\\other", KVX_DIALOG_NO_DESTINATION},
        {true, "", KVX_DIALOG_NO_DESTINATION}, // an empty path replaces it too
        {true, kPath, KVX_DIALOG_NO_DESTINATION},
    };
    for (const Step& step : steps) {
        if (step.confirm)
            sim::QueueBrowseChoice({"x", step.path, true});
        else
            sim::QueueBrowseCancel();
        EXPECT_EQ(Call(100, nullptr), step.result);
    }
    std::string expected[] = {"", kPath, kPath, "C:\\other", ""};
    auto dialogs = sim::BrowseDialogs();
    ASSERT_EQ(dialogs.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        // Exactly one selection, sent once the dialog is up: other notifications are ignored.
        ASSERT_EQ(dialogs[i].selections.size(), 1u);
        EXPECT_TRUE(dialogs[i].selections[0].byPath);
        EXPECT_EQ(dialogs[i].selections[0].path, expected[i]);
    }
    EXPECT_EQ(std::string(PreselectPath), kPath);
}

TEST_F(PrinterBrowserTest, ShellFailuresAreHandledWithoutLeaks) {
    // Without the allocator no dialog opens and nothing is chosen.
    ASSERT_TRUE(sim::FailCalls("SHGetMalloc", static_cast<DWORD>(E_FAIL)));
    sim::QueueBrowseChoice({"Thermal", kPath, true});
    Destination dst;
    EXPECT_EQ(Call(100, dst.bytes), KVX_DIALOG_NOTHING_CHOSEN);
    EXPECT_EQ(Dialogs(), 0u);
    EXPECT_EQ(std::string(PreselectPath), "");

    // Without the network's item list the dialog still opens, with no root.
    NewMachine();
    ASSERT_TRUE(sim::FailCalls("SHGetSpecialFolderLocation", static_cast<DWORD>(E_FAIL)));
    sim::QueueBrowseChoice({"Thermal", kPath, true});
    EXPECT_EQ(Call(100, dst.bytes), KVX_DIALOG_COPIED);
    EXPECT_EQ(dst.Written(), kPath);
    ASSERT_EQ(Dialogs(), 1u);
    EXPECT_EQ(sim::BrowseDialogs()[0].rootFolder, -1);
    EXPECT_EQ(sim::ShellAllocatorFrees(), 1u); // the chosen item's list

    NewMachine();
    sim::QueueBrowseChoice({"Thermal", kPath, true});
    EXPECT_EQ(Call(100, nullptr), KVX_DIALOG_NO_DESTINATION);
    EXPECT_EQ(sim::ShellAllocatorFrees(), 2u); // the root and the chosen item
}

// An older shell lacks the module's functions the browser calls, or the module
// itself: no dialog opens, nothing is chosen, held (the module's reference
// included) or left pending.
TEST_F(PrinterBrowserTest, ShellWithoutItsFunctionsAnswersNothingChosenWithoutADialog) {
    struct Case {
        const char* removed; // the function the shell's module lacks; null: no module
    } cases[] = {
        {nullptr},
        {"SHGetMalloc"},
        {"SHGetSpecialFolderLocation"},
        {"SHBrowseForFolderA"},
        {"SHGetPathFromIDListA"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.removed ? c.removed : "no SHELL32.DLL");
        NewMachine();
        PreselectPath = "";
        if (c.removed != nullptr)
            sim::RemoveExport("SHELL32.DLL", c.removed);
        else
            sim::UnloadModule("SHELL32.DLL");
        sim::QueueBrowseChoice({"Thermal", kPath, true});
        sim::QueueBrowseChoice({"Thermal", kPath, true});
        size_t blocks = sim::LiveGlobalBlocks();
        Destination dst;
        for (int32_t maxLen : {0, 100}) { // nothing pending after the first either
            EXPECT_EQ(Call(maxLen, dst.bytes), KVX_DIALOG_NOTHING_CHOSEN) << maxLen;
            EXPECT_EQ(dst.Written(), "(untouched)");
        }
        EXPECT_EQ(Dialogs(), 0u);
        EXPECT_FALSE(g_printerBrowserSlot.Pending());
        EXPECT_EQ(std::string(PreselectPath), "");
        EXPECT_EQ(sim::LibraryModuleReferences(), 0);
        EXPECT_EQ(sim::LiveGlobalBlocks(), blocks);
        EXPECT_EQ(sim::LockedGlobalBlocks(), 0u);
    }
}

// The shell's module is loaded by the first dialog and kept once its four
// functions are found, so later dialogs take no reference of their own; a module
// that lacks one is released at once and asked for again at the next dialog.
TEST_F(PrinterBrowserTest, ShellModuleIsTakenOnceAndKeptOnlyWithAllFourFunctions) {
    struct Case {
        const char* what;
        void (*change)();
        size_t dialogs;        // of two calls, each cancelled
        unsigned loads, frees; // the library's LoadLibraryA and FreeLibrary calls
        long references;       // held after both
    } cases[] = {
        {"two dialogs in a row take one reference in total", [] {}, 2, 1, 0, 1},
        {"a module without a function is released at each dialog",
         [] { sim::RemoveExport("SHELL32.DLL", "SHGetPathFromIDListA"); }, 0, 2, 2, 0},
        {"no module: nothing to release", [] { sim::UnloadModule("SHELL32.DLL"); }, 0, 2, 0, 0},
        {"a refused load is asked for again, then kept",
         [] { ASSERT_TRUE(sim::FailCalls("LoadLibraryA", ERROR_NOT_ENOUGH_MEMORY, 1)); }, 1, 2, 0,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NewMachine();
        c.change();
        for (int call = 0; call < 2; ++call)
            EXPECT_EQ(Call(100, nullptr), KVX_DIALOG_NOTHING_CHOSEN); // nothing queued: cancelled
        EXPECT_EQ(Dialogs(), c.dialogs);
        std::map<std::string, unsigned> calls = sim::PlatformCalls();
        EXPECT_EQ(calls["LoadLibraryA"], c.loads);
        EXPECT_EQ(calls["FreeLibrary"], c.frees);
        EXPECT_EQ(sim::LibraryModuleReferences(), c.references);
        EXPECT_EQ(sim::ShellMisuses(), 0u);
    }
}

TEST_F(PrinterBrowserTest, EveryMemoryFailureEndsInAnOrderlyResult) {
    PreselectPath = "C:\\before"; // a string of its own, replaced in every run
    unsigned points = SweepMemoryFaults(
        [] {
            sim::QueueBrowseChoice({"Thermal", kPath, true});
            int32_t sizing = Call(0, nullptr);
            Destination dst;
            int32_t fetch = sizing > 0 ? Call(0, dst.bytes) : sizing;
            // A title that could not be copied only leaves the dialog untitled.
            if (sizing == L + 1 && fetch == KVX_DIALOG_COPIED) {
                EXPECT_EQ(dst.Written(), kPath);
            } else {
                EXPECT_TRUE(sim::FaultFired()) << sizing << " / " << fetch;
                // No path string: nothing chosen. No block: -1. No lock on fetch: -20.
                EXPECT_TRUE(sizing == KVX_DIALOG_NOTHING_CHOSEN || sizing == KVX_DIALOG_NO_MEMORY ||
                            fetch == KVX_DIALOG_FETCH_LOCK_FAILED)
                    << sizing << " / " << fetch;
                EXPECT_EQ(dst.Written(), "(untouched)");
            }
            EXPECT_EQ(sim::LiveItemLists(), 0u);
            EXPECT_EQ(sim::ShellAllocatorReferences(), 0);
        },
        [](bool) {});
    EXPECT_GE(points, 6u); // two titles, path string, block, its lock, the fetch lock
}

TEST_F(PrinterBrowserTest, PreselectionIsReplacedUnlessOnlyAnEmptyOneMayBe) {
    struct Case {
        const char* before;
        const char* initialPath;
        bool onlyIfEmpty;
        const char* after;
    } cases[] = {
        {"", "A", true, "A"},
        {"B", "A", true, "B"},
        {"B", "A", false, "A"},
        {"B", "", false, "B"}, // an empty initial path is not passed on
    };
    for (const Case& c : cases) {
        PreselectPath = c.before;
        PrinterBrowser browser(nullptr, c.initialPath, c.onlyIfEmpty);
        EXPECT_EQ(std::string(PreselectPath), c.after) << c.before << " " << c.initialPath;
        browser.SetPreselect("", false);
        EXPECT_EQ(std::string(PreselectPath), "");
    }
}

TEST_F(PrinterBrowserTest, BrowserWithoutTitleShowsSelectPrinterUntilOneIsSet) {
    PrinterBrowser browser(nullptr, "", true);
    EXPECT_FALSE(browser.Browse());
    browser.SetTitle("");
    sim::QueueBrowseChoice({"Thermal", kPath, true});
    EXPECT_TRUE(browser.Browse());
    CSharedString path;
    browser.GetPath(path);
    EXPECT_EQ(std::string(path), kPath);
    auto dialogs = sim::BrowseDialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].title, "Select Printer");
    EXPECT_EQ(dialogs[1].title, "");
}

} // namespace
