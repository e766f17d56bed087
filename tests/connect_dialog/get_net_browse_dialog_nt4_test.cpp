#include "harness/sim_fixture.h"

#include "harness/driver_files.h"

#include <kvx32.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {
using namespace harness;

// An odd length: a maxLen equal to it must count its lowest bit.
const std::string kPrinter = "\\\\LABELSRV\\Thermal2"; // 19 characters
const int32_t L = static_cast<int32_t>(kPrinter.size());
HWND const kOwner = reinterpret_cast<HWND>(0x4242);

int32_t Call(int32_t maxLen, char* dst) {
    return GetNetBrowseDialogNT4(kOwner, maxLen, dst);
}

class ConnectDialogTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        AddSharedPrinter(kPrinter);
        harness::PlaceDriverFiles();
    }
    static void AddSharedPrinter(const std::string& name) {
        sim::Printer printer;
        printer.name = name;
        printer.port = "LPT1:";
        printer.driver = "Thermal on the server";
        sim::AddPrinter(printer);
    }
    static bool Listed(const std::string& name) {
        for (const sim::Printer& printer : sim::Printers())
            if (printer.name == name)
                return true;
        return false;
    }
    static bool Connected(const std::string& name) {
        for (const std::string& connection : sim::PrinterConnections())
            if (connection == name)
                return true;
        return false;
    }
};

TEST_F(ConnectDialogTest, NameFitsInTheLow16BitsOfMaxLenOrWaitsForTheFetch) {
    struct Case {
        int32_t maxLen;
        bool dstGiven;
        int32_t sizing;
        std::string written;
    } cases[] = {
        {L, true, KVX_DIALOG_COPIED, kPrinter},
        {L + 1, true, KVX_DIALOG_COPIED, kPrinter},
        {L - 1, true, L, "(untouched)"},
        {0, true, L, "(untouched)"},
        {-1, true, L, "(untouched)"},
        {INT32_MIN, false, L, "(untouched)"},
        {65536, true, L, "(untouched)"},                // low 16 bits: 0
        {65536 + L, true, KVX_DIALOG_COPIED, kPrinter}, // low 16 bits: L
        {65537, true, L, "(untouched)"},                // low 16 bits: 1
        {L, false, KVX_DIALOG_NO_DESTINATION, "(untouched)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("maxLen " + std::to_string(c.maxLen) + (c.dstGiven ? " with dst" : " no dst"));
        sim::QueueConnectChoice(kPrinter);
        size_t blocks = sim::LiveGlobalBlocks();
        size_t handles = sim::OpenPrinterHandles();
        Destination dst;
        EXPECT_EQ(Call(c.maxLen, c.dstGiven ? dst.bytes : nullptr), c.sizing);
        EXPECT_EQ(dst.Written(), c.written);
        // The handle is closed and the picked printer kept, whatever the outcome;
        // only a name delivered at once removes the connection.
        EXPECT_EQ(sim::OpenPrinterHandles(), handles);
        EXPECT_TRUE(Listed(kPrinter));
        EXPECT_EQ(Connected(kPrinter), c.sizing != KVX_DIALOG_COPIED);
        if (c.sizing > 0) {
            EXPECT_EQ(sim::LiveGlobalBlocks(), blocks + 1);
            size_t dialogs = sim::ConnectDialogs().size();
            Destination fetched;
            EXPECT_EQ(Call(0, fetched.bytes), KVX_DIALOG_COPIED);
            EXPECT_EQ(fetched.Written(), kPrinter); // sizing result + 1 bytes
            EXPECT_EQ(sim::ConnectDialogs().size(), dialogs);
            EXPECT_TRUE(Connected(kPrinter)) << "the fetch makes no spooler call";
        }
        EXPECT_EQ(sim::LiveGlobalBlocks(), blocks);
        EXPECT_EQ(sim::LockedGlobalBlocks(), 0u);
    }
}

TEST_F(ConnectDialogTest, DriverIsInstalledBeforeTheDialogWhateverItsOutcome) {
    EXPECT_EQ(Call(100, nullptr), KVX_DIALOG_NOTHING_CHOSEN); // nothing queued: cancelled
    ASSERT_EQ(sim::Drivers().size(), 1u);
    EXPECT_EQ(sim::Drivers()[0].name, "Printer KVX 5.0");
    auto dialogs = sim::ConnectDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].owner, kOwner);
    EXPECT_EQ(dialogs[0].flags, 0u);

    // A refused driver does not keep the dialog from opening.
    sim::Reset();
    AddSharedPrinter(kPrinter);
    sim::QueueConnectChoice(kPrinter);
    Destination dst;
    EXPECT_EQ(Call(100, dst.bytes), KVX_DIALOG_COPIED);
    EXPECT_EQ(dst.Written(), kPrinter);
    EXPECT_TRUE(sim::Drivers().empty());

    // A printer the dialog cannot open counts as nothing chosen.
    sim::QueueConnectChoice("\\\\LABELSRV\\Gone");
    EXPECT_EQ(Call(100, dst.bytes), KVX_DIALOG_NOTHING_CHOSEN);
    EXPECT_EQ(sim::OpenPrinterHandles(), 0u);
}

// A release whose spooler lacks either function: the export still installs the
// driver, then answers nothing chosen without opening a dialog (a connection it
// could not remove again is never made), and nothing is held or left pending.
TEST_F(ConnectDialogTest, SpoolerWithoutTheConnectFunctionsAnswersNothingChosenAfterTheDriver) {
    struct Case {
        const char* what;
        std::vector<std::string> removed; // functions the spooler's module lacks
        bool unloaded;                    // the module itself is not found
    } cases[] = {
        {"no connect dialog", {"ConnectToPrinterDlg"}, false},
        {"no removal of a connection", {"DeletePrinterConnectionA"}, false},
        {"neither", {"ConnectToPrinterDlg", "DeletePrinterConnectionA"}, false},
        {"the spooler's module not found", {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        AddSharedPrinter(kPrinter);
        harness::PlaceDriverFiles();
        for (const std::string& function : c.removed)
            sim::RemoveExport("WINSPOOL.DRV", function);
        if (c.unloaded)
            sim::UnloadModule("WINSPOOL.DRV");
        sim::QueueConnectChoice(kPrinter);
        sim::QueueConnectChoice(kPrinter);
        size_t blocks = sim::LiveGlobalBlocks();
        Destination dst;
        for (int32_t maxLen : {0, 100}) { // nothing pending after the first either
            EXPECT_EQ(Call(maxLen, dst.bytes), KVX_DIALOG_NOTHING_CHOSEN) << maxLen;
            EXPECT_EQ(dst.Written(), "(untouched)");
        }
        ASSERT_EQ(sim::Drivers().size(), 1u);
        EXPECT_EQ(sim::Drivers()[0].name, "Printer KVX 5.0");
        EXPECT_TRUE(sim::ConnectDialogs().empty());
        EXPECT_TRUE(sim::PrinterConnections().empty());
        EXPECT_EQ(sim::OpenPrinterHandles(), 0u);
        EXPECT_EQ(sim::LiveGlobalBlocks(), blocks);
        EXPECT_EQ(sim::LockedGlobalBlocks(), 0u);
    }
}

TEST_F(ConnectDialogTest, ANamePendingIsFetchedWhateverTheSpoolerNowExports) {
    sim::QueueConnectChoice(kPrinter);
    ASSERT_EQ(Call(0, nullptr), L);
    sim::RemoveExport("WINSPOOL.DRV", "ConnectToPrinterDlg");
    sim::RemoveExport("WINSPOOL.DRV", "DeletePrinterConnectionA");
    Destination dst;
    EXPECT_EQ(Call(0, dst.bytes), KVX_DIALOG_COPIED);
    EXPECT_EQ(dst.Written(), kPrinter);
}

TEST_F(ConnectDialogTest, FetchCallsAnswerFromThePendingBlockAlone) {
    sim::QueueConnectChoice(kPrinter);
    ASSERT_EQ(Call(0, nullptr), L);
    EXPECT_EQ(DesInstallThermalPrinterDriver(), 0);
    EXPECT_EQ(Call(0, nullptr), KVX_DIALOG_FETCH_NO_DESTINATION);
    Destination dst;
    EXPECT_EQ(Call(-5, dst.bytes), KVX_DIALOG_COPIED);
    EXPECT_EQ(dst.Written(), kPrinter);
    EXPECT_EQ(sim::ConnectDialogs().size(), 1u);
    EXPECT_TRUE(sim::Drivers().empty()) << "the fetch installs no driver";

    size_t blocks = sim::LiveGlobalBlocks();
    sim::QueueConnectChoice(kPrinter);
    ASSERT_EQ(Call(0, nullptr), L);
    sim::FailNth(sim::Fault::GlobalLock, 1);
    Destination lost;
    EXPECT_EQ(Call(100, lost.bytes), KVX_DIALOG_FETCH_LOCK_FAILED);
    EXPECT_EQ(lost.Written(), "(untouched)");
    EXPECT_EQ(sim::LiveGlobalBlocks(), blocks);
    EXPECT_EQ(Call(100, lost.bytes), KVX_DIALOG_NOTHING_CHOSEN); // a new, cancelled dialog
}

// A spooler that refuses the information, or answers a record whose name does
// not lie wholly inside the block: nothing is read outside the block, and only a
// name with its terminator inside it is returned.
TEST_F(ConnectDialogTest, UnreadableOrBrokenPrinterInformationAnswersMinus3) {
    enum class From { Start, End };
    struct Case {
        const char* what;
        bool refused;    // the spooler's GetPrinterA fails
        DWORD needed;    // what the probe reports: the block is 20 times that
        From from;       // where the name's offset counts from
        intptr_t offset; // the name pointer, from the block's start or end
        std::string at;  // the bytes written at the name, when inside the block
        int32_t result;
        std::string written;
    } cases[] = {
        {"refused", true, 0, From::Start, 0, "", KVX_DIALOG_INFO_FAILED, "(untouched)"},
        {"name just before the block", false, 10, From::Start, -1, "", KVX_DIALOG_INFO_FAILED,
         "(untouched)"},
        {"name at the block's start", false, 10, From::Start, 0, std::string("LBL-7\0", 6),
         KVX_DIALOG_COPIED, "LBL-7"},
        // The block is 20 times what the probe reports: 200 bytes here.
        {"name 200 bytes from the start", false, 10, From::Start, 200, std::string("LBL-8\0", 6),
         KVX_DIALOG_INFO_FAILED, "(untouched)"},
        {"name just past the block", false, 10, From::End, 0, "", KVX_DIALOG_INFO_FAILED,
         "(untouched)"},
        {"no terminator before the block ends", false, 10, From::End, -5, "ABCDE",
         KVX_DIALOG_INFO_FAILED, "(untouched)"},
        {"terminator in the block's last byte", false, 10, From::End, -6, std::string("ABCDE\0", 6),
         KVX_DIALOG_COPIED, "ABCDE"},
        {"success in a block too small for a record", false, 1, From::Start, 0, "",
         KVX_DIALOG_INFO_FAILED, "(untouched)"},
        // 20 times this passes 4 GiB: no block is asked for.
        {"information of more than 4 GiB", false, 0x0CCCCCCD, From::Start, 0, "",
         KVX_DIALOG_NO_MEMORY, "(untouched)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        AddSharedPrinter(kPrinter);
        if (c.refused)
            ASSERT_TRUE(sim::FailCalls("GetPrinterA", ERROR_ACCESS_DENIED));
        else
            sim::SetPrinterInfoAnswer([&c](LPBYTE buffer, DWORD size, LPDWORD needed) {
                if (size < c.needed) {
                    *needed = c.needed;
                    SetLastError(ERROR_INSUFFICIENT_BUFFER);
                    return FALSE;
                }
                std::memset(buffer, 'x', size);
                if (size < sizeof(PRINTER_INFO_2A))
                    return TRUE;
                auto start = reinterpret_cast<uintptr_t>(buffer);
                uintptr_t name = (c.from == From::Start ? start : start + size) + c.offset;
                PRINTER_INFO_2A record = {};
                record.pPrinterName = reinterpret_cast<LPSTR>(name);
                std::memcpy(buffer, &record, sizeof record);
                if (name >= start && name + c.at.size() <= start + size)
                    std::memcpy(reinterpret_cast<char*>(name), c.at.data(), c.at.size());
                return TRUE;
            });
        sim::QueueConnectChoice(kPrinter);
        sim::ResetPlatformCalls();
        size_t blocks = sim::LiveGlobalBlocks();
        Destination dst;
        EXPECT_EQ(Call(100, dst.bytes), c.result);
        EXPECT_EQ(dst.Written(), c.written);
        EXPECT_EQ(sim::PlatformCalls()["GetPrinterA"],
                  c.result == KVX_DIALOG_NO_MEMORY ? 1u : 2u); // the probe, then the record
        EXPECT_EQ(sim::OpenPrinterHandles(), 0u);
        EXPECT_EQ(sim::LiveGlobalBlocks(), blocks);
        EXPECT_TRUE(Listed(kPrinter));
        EXPECT_TRUE(Connected(kPrinter)); // a name copied is not the connection's
    }
}

TEST_F(ConnectDialogTest, BlockThatCannotBeHadAnswersMinus1) {
    struct Case {
        const char* what;
        sim::Fault kind;
        unsigned nth;
    } cases[] = {
        {"probe block", sim::Fault::GlobalAlloc, 1},
        {"probe lock", sim::Fault::GlobalLock, 1},
        {"information block", sim::Fault::GlobalAlloc, 2},
        {"information lock", sim::Fault::GlobalLock, 2},
        {"name block", sim::Fault::GlobalAlloc, 3},
        {"name lock", sim::Fault::GlobalLock, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::QueueConnectChoice(kPrinter);
        size_t blocks = sim::LiveGlobalBlocks();
        sim::FailNth(c.kind, c.nth);
        Destination dst;
        EXPECT_EQ(Call(0, dst.bytes), KVX_DIALOG_NO_MEMORY);
        EXPECT_TRUE(sim::FaultFired());
        EXPECT_EQ(dst.Written(), "(untouched)");
        EXPECT_EQ(sim::LiveGlobalBlocks(), blocks) << "nothing pending, nothing leaked";
        EXPECT_EQ(sim::OpenPrinterHandles(), 0u);
        EXPECT_TRUE(Connected(kPrinter));
    }
}

TEST_F(ConnectDialogTest, EveryMemoryFailureEndsInAnOrderlyResult) {
    unsigned points = SweepMemoryFaults(
        [] {
            sim::QueueConnectChoice(kPrinter);
            int32_t sizing = Call(0, nullptr);
            Destination dst;
            int32_t fetch = sizing > 0 ? Call(0, dst.bytes) : sizing;
            if (sizing == L && fetch == KVX_DIALOG_COPIED) {
                EXPECT_EQ(dst.Written(), kPrinter);
            } else {
                EXPECT_TRUE(sim::FaultFired()) << sizing << " / " << fetch;
                EXPECT_TRUE(sizing == KVX_DIALOG_NO_MEMORY || fetch == KVX_DIALOG_FETCH_LOCK_FAILED)
                    << sizing << " / " << fetch;
                EXPECT_EQ(dst.Written(), "(untouched)");
            }
            EXPECT_EQ(sim::OpenPrinterHandles(), 0u);
            EXPECT_TRUE(Listed(kPrinter));
        },
        [](bool) {});
    // The driver's paths, the probe block and lock, the information block and
    // lock, the name's block and lock, the fetch lock.
    EXPECT_GE(points, 7u);
}

} // namespace
