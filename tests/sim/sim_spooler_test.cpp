// The simulated spooler answers printer and port calls as Windows documents them.
#include "harness/sim_fixture.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {
using namespace harness;

class SimSpoolerTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        sim::AddDriver({"Windows NT x86", "Printer KVX 5.0", 0x400, "C:\\d\\KVX_50.DLL",
                        "C:\\d\\KVX_50.PPD", "C:\\d\\KVX_50UI.DLL"});
    }

    // A level-2 record that AddPrinterA accepts on a new machine.
    PRINTER_INFO_2A Info(const char* name, const char* port = "LPT1:") {
        PRINTER_INFO_2A info = {};
        info.pPrinterName = const_cast<char*>(name);
        info.pPortName = const_cast<char*>(port);
        info.pDriverName = const_cast<char*>("Printer KVX 5.0");
        info.pPrintProcessor = const_cast<char*>("winprint");
        info.pDatatype = const_cast<char*>("RAW");
        info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
        return info;
    }

    HANDLE Add(PRINTER_INFO_2A info) {
        return AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    }
};

TEST_F(SimSpoolerTest, AddPrinterRefusesWhatWindowsRefuses) {
    struct Case {
        const char* what;
        void (*change)(PRINTER_INFO_2A&);
        DWORD error;
    } cases[] = {
        {"duplicate name, other case", [](PRINTER_INFO_2A& i) { i.pPrinterName = (char*)"TAKEN"; },
         ERROR_PRINTER_ALREADY_EXISTS},
        {"empty name", [](PRINTER_INFO_2A& i) { i.pPrinterName = (char*)""; },
         ERROR_INVALID_PRINTER_NAME},
        {"backslash in name", [](PRINTER_INFO_2A& i) { i.pPrinterName = (char*)"a\\b"; },
         ERROR_INVALID_PRINTER_NAME},
        {"comma in name", [](PRINTER_INFO_2A& i) { i.pPrinterName = (char*)"a,b"; },
         ERROR_INVALID_PRINTER_NAME},
        {"unknown port", [](PRINTER_INFO_2A& i) { i.pPortName = (char*)"LPT9:"; },
         ERROR_UNKNOWN_PORT},
        {"empty port", [](PRINTER_INFO_2A& i) { i.pPortName = (char*)""; }, ERROR_UNKNOWN_PORT},
        {"unknown driver", [](PRINTER_INFO_2A& i) { i.pDriverName = (char*)"Other"; },
         ERROR_UNKNOWN_PRINTER_DRIVER},
        {"unknown print processor", [](PRINTER_INFO_2A& i) { i.pPrintProcessor = (char*)"x"; },
         ERROR_UNKNOWN_PRINTPROCESSOR},
        {"unknown datatype", [](PRINTER_INFO_2A& i) { i.pDatatype = (char*)"PDF"; },
         ERROR_INVALID_DATATYPE},
    };
    HANDLE taken = Add(Info("taken"));
    ASSERT_NE(taken, nullptr);
    ClosePrinter(taken);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PRINTER_INFO_2A info = Info("new");
        c.change(info);
        EXPECT_EQ(Add(info), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(sim::Printers().size(), 1u);
    EXPECT_EQ(sim::OpenPrinterHandles(), 0u);

    // The driver must be installed for the running environment.
    ASSERT_TRUE(sim::SetWindowsVersion("win95"));
    EXPECT_EQ(Add(Info("on 95")), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_UNKNOWN_PRINTER_DRIVER);
}

TEST_F(SimSpoolerTest, HandlesAreCountedAndTheNullHandleIsRefused) {
    HANDLE added = Add(Info("P"));
    ASSERT_NE(added, nullptr);
    HANDLE opened = nullptr;
    ASSERT_TRUE(OpenPrinterA(const_cast<char*>("p"), &opened, nullptr));
    HANDLE server = nullptr;
    ASSERT_TRUE(OpenPrinterA(nullptr, &server, nullptr));
    EXPECT_EQ(sim::OpenPrinterHandles(), 3u);

    HANDLE missing = nullptr;
    EXPECT_FALSE(OpenPrinterA(const_cast<char*>("Q"), &missing, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PRINTER_NAME);
    EXPECT_EQ(missing, nullptr);

    SetLastError(0);
    EXPECT_FALSE(ClosePrinter(nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    for (HANDLE handle : {added, opened, server})
        EXPECT_TRUE(ClosePrinter(handle));
    EXPECT_FALSE(ClosePrinter(added)); // closed already
    EXPECT_EQ(sim::OpenPrinterHandles(), 0u);
}

TEST_F(SimSpoolerTest, QueriesFollowTheNeededSizeProtocol) {
    sim::Printer added;
    added.name = "P";
    added.port = "LPT1:";
    added.driver = "Printer KVX 5.0";
    sim::AddPrinter(added);
    HANDLE printer = nullptr;
    ASSERT_TRUE(OpenPrinterA(const_cast<char*>("P"), &printer, nullptr));
    using Query = BOOL (*)(HANDLE, LPBYTE, DWORD, LPDWORD);
    struct Case {
        const char* what;
        Query query;
    } cases[] = {
        {"GetPrinterA",
         [](HANDLE h, LPBYTE b, DWORD s, LPDWORD n) { return GetPrinterA(h, 2, b, s, n); }},
        {"GetPrinterDriverA", [](HANDLE h, LPBYTE b, DWORD s,
                                 LPDWORD n) { return GetPrinterDriverA(h, nullptr, 2, b, s, n); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BYTE scratch[4];
        DWORD needed = 0;
        EXPECT_FALSE(c.query(printer, scratch, 0, &needed));
        EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
        std::vector<BYTE> buffer(needed + 16, 0xAB);
        DWORD again = 0;
        EXPECT_FALSE(c.query(printer, buffer.data(), needed - 1, &again));
        EXPECT_EQ(again, needed);
        EXPECT_TRUE(c.query(printer, buffer.data(), needed, &again));
        EXPECT_EQ(buffer[needed], 0xAB); // nothing written past the size given
    }
    std::vector<BYTE> buffer(1024);
    DWORD needed = 0;
    ASSERT_TRUE(GetPrinterDriverA(printer, nullptr, 2, buffer.data(), 1024, &needed));
    EXPECT_STREQ(reinterpret_cast<DRIVER_INFO_2A*>(buffer.data())->pDataFile, "C:\\d\\KVX_50.PPD");
    ASSERT_TRUE(GetPrinterA(printer, 2, buffer.data(), 1024, &needed));
    EXPECT_STREQ(reinterpret_cast<PRINTER_INFO_2A*>(buffer.data())->pPortName, "LPT1:");
    ClosePrinter(printer);
}

TEST_F(SimSpoolerTest, DeletedPrinterGoesWhenItsLastHandleCloses) {
    HANDLE first = Add(Info("P"));
    HANDLE second = nullptr;
    ASSERT_TRUE(OpenPrinterA(const_cast<char*>("P"), &second, nullptr));
    ASSERT_TRUE(DeletePrinter(first));
    EXPECT_TRUE(sim::Printers().empty());
    HANDLE third = nullptr;
    EXPECT_FALSE(OpenPrinterA(const_cast<char*>("P"), &third, nullptr));
    EXPECT_EQ(DeletePrinterDriverA(nullptr, nullptr, const_cast<char*>("Printer KVX 5.0")),
              FALSE); // still in use until the printer is gone
    EXPECT_EQ(GetLastError(), ERROR_PRINTER_DRIVER_IN_USE);

    std::vector<BYTE> buffer(1024);
    DWORD needed = 0;
    ASSERT_TRUE(GetPrinterA(second, 2, buffer.data(), 1024, &needed));
    EXPECT_EQ(reinterpret_cast<PRINTER_INFO_2A*>(buffer.data())->Status,
              DWORD{PRINTER_STATUS_PENDING_DELETION});
    ClosePrinter(first);
    ClosePrinter(second);
    EXPECT_TRUE(DeletePrinterDriverA(nullptr, nullptr, const_cast<char*>("Printer KVX 5.0")));
}

TEST_F(SimSpoolerTest, DeletionTakesTheRightsTheHandleWasOpenedWith) {
    // How the handle is opened, whether the user is an administrator, and what
    // OpenPrinterA and then DeletePrinter answer (0: success).
    struct Case {
        const char* what;
        bool fromAddPrinter;
        DWORD access; // ~0u: no defaults at all
        bool administrator;
        DWORD openError;
        DWORD deleteError;
    } cases[] = {
        {"handle of AddPrinterA", true, 0, true, 0, 0},
        {"no defaults", false, ~0u, true, 0, ERROR_ACCESS_DENIED},
        {"access 0", false, 0, true, 0, ERROR_ACCESS_DENIED},
        {"use", false, PRINTER_ACCESS_USE, true, 0, ERROR_ACCESS_DENIED},
        {"administer without delete", false, PRINTER_ACCESS_ADMINISTER, true, 0,
         ERROR_ACCESS_DENIED},
        {"delete", false, DELETE, true, 0, 0},
        {"all access", false, PRINTER_ALL_ACCESS, true, 0, 0},
        {"all access, no administrator", false, PRINTER_ALL_ACCESS, false, ERROR_ACCESS_DENIED, 0},
        {"delete, no administrator", false, DELETE, false, ERROR_ACCESS_DENIED, 0},
        {"use, no administrator", false, PRINTER_ACCESS_USE, false, 0, ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        SetUp();
        HANDLE added = Add(Info("P"));
        ASSERT_NE(added, nullptr);
        HANDLE handle = added;
        if (!c.fromAddPrinter) {
            ClosePrinter(added);
            sim::SetAdministrator(c.administrator);
            PRINTER_DEFAULTSA defaults = {nullptr, nullptr, c.access};
            handle = nullptr;
            BOOL opened = OpenPrinterA(const_cast<char*>("P"), &handle,
                                       c.access == ~0u ? nullptr : &defaults);
            EXPECT_EQ(opened, c.openError == 0);
            if (!opened) {
                EXPECT_EQ(GetLastError(), c.openError);
                EXPECT_EQ(sim::Printers().size(), 1u);
                continue;
            }
        }
        SetLastError(0);
        EXPECT_EQ(DeletePrinter(handle), c.deleteError == 0);
        EXPECT_EQ(GetLastError(), c.deleteError);
        EXPECT_TRUE(ClosePrinter(handle));
        EXPECT_EQ(sim::Printers().size(), c.deleteError == 0 ? 0u : 1u);
        EXPECT_EQ(sim::OpenPrinterHandles(), 0u);
    }
}

TEST_F(SimSpoolerTest, WithoutAdministratorRightsPrintersAndDriversStay) {
    ClosePrinter(Add(Info("P")));
    sim::SetAdministrator(false);
    EXPECT_EQ(Add(Info("Q")), nullptr);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    EXPECT_FALSE(DeletePrinterDriverA(nullptr, nullptr, const_cast<char*>("Printer KVX 5.0")));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    sim::AddFile("C:\\d\\K.DLL");
    DRIVER_INFO_2A driver = {0x400,
                             const_cast<char*>("Other"),
                             nullptr,
                             const_cast<char*>("C:\\d\\K.DLL"),
                             const_cast<char*>("C:\\d\\K.DLL"),
                             const_cast<char*>("C:\\d\\K.DLL")};
    EXPECT_FALSE(AddPrinterDriverA(nullptr, 2, reinterpret_cast<LPBYTE>(&driver)));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED});
    EXPECT_EQ(sim::Printers().size(), 1u);
    EXPECT_EQ(sim::Drivers().size(), 1u);
    sim::SetAdministrator(true);
    EXPECT_TRUE(AddPrinterDriverA(nullptr, 2, reinterpret_cast<LPBYTE>(&driver)));
}

TEST_F(SimSpoolerTest, PrinterWithQueuedJobsWaitsForThemMarkedForDeletion) {
    ClosePrinter(Add(Info("P")));
    ASSERT_TRUE(sim::SetPrinterJobs("p", 2));
    EXPECT_FALSE(sim::SetPrinterJobs("nobody", 1));
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSA all = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterA(const_cast<char*>("P"), &printer, &all));
    ASSERT_TRUE(DeletePrinter(printer));
    std::vector<BYTE> buffer(1024);
    DWORD needed = 0;
    ASSERT_TRUE(GetPrinterA(printer, 2, buffer.data(), 1024, &needed));
    const auto* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
    EXPECT_EQ(info->Status, DWORD{PRINTER_STATUS_PENDING_DELETION});
    EXPECT_EQ(info->cJobs, 2u);
    ClosePrinter(printer);

    // Gone from the list and refused to OpenPrinterA, but still holding its driver.
    EXPECT_TRUE(sim::Printers().empty());
    DWORD count = 99;
    EXPECT_TRUE(
        EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), 1024, &needed, &count));
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(OpenPrinterA(const_cast<char*>("P"), &printer, nullptr));
    ASSERT_EQ(sim::PrintersPendingDeletion().size(), 1u);
    EXPECT_EQ(sim::PrintersPendingDeletion()[0].jobs, 2u);
    EXPECT_FALSE(DeletePrinterDriverA(nullptr, nullptr, const_cast<char*>("Printer KVX 5.0")));
    EXPECT_EQ(GetLastError(), DWORD{ERROR_PRINTER_DRIVER_IN_USE});

    // Once its jobs are printed it goes, and the driver with it.
    ASSERT_TRUE(sim::SetPrinterJobs("P", 0));
    EXPECT_TRUE(sim::PrintersPendingDeletion().empty());
    EXPECT_FALSE(sim::SetPrinterJobs("P", 1));
    EXPECT_TRUE(DeletePrinterDriverA(nullptr, nullptr, const_cast<char*>("Printer KVX 5.0")));
}

TEST_F(SimSpoolerTest, StateTextMakesTheSameSpoolerAgain) {
    sim::Printer odd;
    odd.name = "Labels\t100%\nfloor 2 \xfc";
    odd.port = "LPT2:";
    odd.driver = "Printer KVX 5.0";
    odd.comment = "back\rroom";
    odd.priority = 99;
    odd.untilTime = 4294967295u;
    sim::AddPrinter(odd);
    ClosePrinter(Add(Info("Waiting")));
    ASSERT_TRUE(sim::SetPrinterJobs("Waiting", 3));
    HANDLE handle = nullptr;
    PRINTER_DEFAULTSA all = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterA(const_cast<char*>("Waiting"), &handle, &all));
    ASSERT_TRUE(DeletePrinter(handle));
    ClosePrinter(handle);
    std::string saved = sim::SpoolerState();

    sim::Reset();
    std::string error;
    ASSERT_TRUE(sim::LoadSpoolerState(saved, &error)) << error;
    EXPECT_EQ(sim::SpoolerState(), saved);
    ASSERT_EQ(sim::Drivers().size(), 1u);
    EXPECT_EQ(sim::Drivers()[0].dataFile, "C:\\d\\KVX_50.PPD");
    EXPECT_EQ(sim::Drivers()[0].version, 0x400u);
    ASSERT_EQ(sim::Printers().size(), 1u);
    EXPECT_EQ(sim::Printers()[0].name, odd.name);
    EXPECT_EQ(sim::Printers()[0].comment, odd.comment);
    EXPECT_EQ(sim::Printers()[0].priority, 99u);
    EXPECT_EQ(sim::Printers()[0].untilTime, 4294967295u);
    ASSERT_EQ(sim::PrintersPendingDeletion().size(), 1u);
    EXPECT_EQ(sim::PrintersPendingDeletion()[0].jobs, 3u);
    EXPECT_FALSE(DeletePrinterDriverA(nullptr, nullptr, const_cast<char*>("Printer KVX 5.0")));
}

TEST_F(SimSpoolerTest, StateTextThatCannotBeReadAddsNothing) {
    const std::string driver = "driver\tWindows NT x86\tD\tC:\\a\tC:\\b\tC:\\c\t1024\n";
    const std::string printer =
        "printer\tP\tLPT1:\tD\twinprint\tRAW\t\t\t\t\t\t64\t1\t0\t0\t0\t0\t0\n";
    struct Case {
        const char* what;
        std::string text;
        const char* message;
    } cases[] = {
        {"unknown record", driver + "port\tLPT9:\n", "line 2: unknown record \"port\""},
        {"field missing", "# saved\n" + driver + "printer\tP\tLPT1:\n",
         "line 3: 17 fields expected, 2 found"},
        {"field too many", driver.substr(0, driver.size() - 1) + "\t7\n",
         "line 1: 6 fields expected, 7 found"},
        {"number with a sign", "driver\tE\tD\ta\tb\tc\t-1\n", "line 1: field 6 is not a number"},
        {"number too large", "driver\tE\tD\ta\tb\tc\t4294967296\n",
         "line 1: field 6 is not a number"},
        {"flag not 0 or 1", printer.substr(0, printer.size() - 2) + "2\n",
         "line 1: field 17 is neither 0 nor 1"},
        {"escape cut short", "driver\tE\tD%4\ta\tb\tc\t1\n", "line 1: a % not followed"},
        {"escape not hexadecimal", "driver\tE\tD%G0\ta\tb\tc\t1\n", "line 1: a % not followed"},
    };
    std::string error;
    ASSERT_TRUE(sim::LoadSpoolerState("\n# nothing\n", &error)) << error;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        error.clear();
        EXPECT_FALSE(sim::LoadSpoolerState(c.text, &error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_TRUE(sim::Drivers().empty());
        EXPECT_TRUE(sim::Printers().empty());
    }
    sim::Reset();
    ASSERT_TRUE(sim::LoadSpoolerState(driver + printer, &error)) << error;
    EXPECT_EQ(sim::Printers().size(), 1u);
}

TEST_F(SimSpoolerTest, PortsAreListedAtBothLevels) {
    sim::SetPorts({"LPT1:", "", "\\\\srv\\lbl"});
    for (DWORD level : {1u, 2u}) {
        SCOPED_TRACE(level);
        DWORD needed = 0, count = 99;
        EXPECT_FALSE(EnumPortsA(nullptr, level, nullptr, 0, &needed, &count));
        EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
        EXPECT_EQ(count, 0u);
        std::vector<BYTE> buffer(needed);
        ASSERT_TRUE(EnumPortsA(nullptr, level, buffer.data(), needed, &needed, &count));
        ASSERT_EQ(count, 3u);
        std::vector<std::string> names;
        for (DWORD i = 0; i < count; ++i)
            names.push_back(level == 1
                                ? reinterpret_cast<PORT_INFO_1A*>(buffer.data())[i].pName
                                : reinterpret_cast<PORT_INFO_2A*>(buffer.data())[i].pPortName);
        EXPECT_EQ(names, sim::Ports());
    }
}

// The spooler's module is found as the loader finds a loaded module, the shell's
// as LoadLibraryA loads one (FreeLibrary unloads it with its last reference), and
// their functions as GetProcAddress finds exports; a test can take either away.
TEST_F(SimSpoolerTest, SpoolerModuleAndItsFunctionsAreFoundByName) {
    FARPROC connect = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&ConnectToPrinterDlg));
    FARPROC remove = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&DeletePrinterConnectionA));
    FARPROC browse = reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&SHBrowseForFolderA));
    struct Case {
        const char* what;
        void (*change)();
        const char* module; // the name asked for; "(earlier)": the handle found before the change
        LPCSTR function;
        FARPROC found;
        DWORD error;                                // when nothing is found
        HMODULE (*open)(LPCSTR) = GetModuleHandleA; // how the module is asked for
        long references = 0;                        // LoadLibraryA's not given back, after all
    } cases[] = {
        {"exact names", [] {}, "WINSPOOL.DRV", "ConnectToPrinterDlg", connect, 0},
        {"module name in any case", [] {}, "winspool.Drv", "DeletePrinterConnectionA", remove, 0},
        {"no extension means .DLL", [] {}, "WINSPOOL", "ConnectToPrinterDlg", nullptr,
         ERROR_MOD_NOT_FOUND},
        {"a final dot means none", [] {}, "WINSPOOL.", "ConnectToPrinterDlg", nullptr,
         ERROR_MOD_NOT_FOUND},
        {"function names as spelt", [] {}, "WINSPOOL.DRV", "connecttoprinterdlg", nullptr,
         ERROR_PROC_NOT_FOUND},
        {"no ordinals", [] {}, "WINSPOOL.DRV", MAKEINTRESOURCEA(1), nullptr, ERROR_PROC_NOT_FOUND},
        {"the program exports nothing", [] {}, nullptr, "ConnectToPrinterDlg", nullptr,
         ERROR_PROC_NOT_FOUND},
        {"a removed function", [] { sim::RemoveExport("winspool.drv", "ConnectToPrinterDlg"); },
         "WINSPOOL.DRV", "ConnectToPrinterDlg", nullptr, ERROR_PROC_NOT_FOUND},
        {"the others stay", [] { sim::RemoveExport("WINSPOOL.DRV", "ConnectToPrinterDlg"); },
         "WINSPOOL.DRV", "DeletePrinterConnectionA", remove, 0},
        {"an unloaded module by name", [] { sim::UnloadModule("WINSPOOL.DRV"); }, "WINSPOOL.DRV",
         "ConnectToPrinterDlg", nullptr, ERROR_MOD_NOT_FOUND},
        {"an unloaded module by its handle", [] { sim::UnloadModule("WINSPOOL.DRV"); }, "(earlier)",
         "ConnectToPrinterDlg", nullptr, ERROR_MOD_NOT_FOUND},
        {"Reset restores both",
         [] {
             sim::RemoveExport("WINSPOOL.DRV", "ConnectToPrinterDlg");
             sim::UnloadModule("WINSPOOL.DRV");
             sim::Reset();
         },
         "(earlier)", "ConnectToPrinterDlg", connect, 0},
        {"the shell's module is not loaded at first", [] {}, "SHELL32.DLL", "SHBrowseForFolderA",
         nullptr, ERROR_MOD_NOT_FOUND},
        {"LoadLibraryA loads it and takes a reference", [] {}, "shell32", "SHBrowseForFolderA",
         browse, 0, LoadLibraryA, 1},
        {"then GetModuleHandleA finds it", [] { LoadLibraryA("SHELL32.DLL"); }, "SHELL32.DLL",
         "SHBrowseForFolderA", browse, 0, GetModuleHandleA, 1},
        {"each LoadLibraryA takes one more", [] { LoadLibraryA("SHELL32.DLL"); }, "SHELL32.DLL",
         "SHBrowseForFolderA", browse, 0, LoadLibraryA, 2},
        {"a FreeLibrary gives one back",
         [] {
             LoadLibraryA("SHELL32.DLL");
             EXPECT_TRUE(FreeLibrary(LoadLibraryA("SHELL32.DLL")));
         },
         "SHELL32.DLL", "SHBrowseForFolderA", browse, 0, GetModuleHandleA, 1},
        {"the last FreeLibrary unloads it",
         [] { EXPECT_TRUE(FreeLibrary(LoadLibraryA("SHELL32.DLL"))); }, "SHELL32.DLL",
         "SHBrowseForFolderA", nullptr, ERROR_MOD_NOT_FOUND},
        {"a module not on the system is not loaded", [] { sim::UnloadModule("SHELL32.DLL"); },
         "SHELL32.DLL", "SHBrowseForFolderA", nullptr, ERROR_MOD_NOT_FOUND, LoadLibraryA},
        {"a removed shell function", [] { sim::RemoveExport("SHELL32.DLL", "SHGetMalloc"); },
         "SHELL32.DLL", "SHGetMalloc", nullptr, ERROR_PROC_NOT_FOUND, LoadLibraryA, 1},
        {"a module the process has loaded, loaded once more", [] {}, "WINSPOOL.DRV",
         "ConnectToPrinterDlg", connect, 0, LoadLibraryA, 1},
        {"a FreeLibrary more than were taken unloads it",
         [] { EXPECT_TRUE(FreeLibrary(GetModuleHandleA("WINSPOOL.DRV"))); }, "(earlier)",
         "ConnectToPrinterDlg", nullptr, ERROR_MOD_NOT_FOUND, GetModuleHandleA, -1},
        {"FreeLibrary refuses a handle of no loaded module",
         [] {
             EXPECT_FALSE(FreeLibrary(nullptr));
             EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
             HMODULE shell = LoadLibraryA("SHELL32.DLL");
             EXPECT_TRUE(FreeLibrary(shell));
             EXPECT_FALSE(FreeLibrary(shell));
             EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
         },
         "SHELL32.DLL", "SHBrowseForFolderA", nullptr, ERROR_MOD_NOT_FOUND},
        {"Reset gives the references back",
         [] {
             LoadLibraryA("SHELL32.DLL");
             sim::Reset();
         },
         "SHELL32.DLL", "SHBrowseForFolderA", nullptr, ERROR_MOD_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        HMODULE earlier = GetModuleHandleA("WINSPOOL.DRV");
        ASSERT_NE(earlier, nullptr);
        c.change();
        SetLastError(0);
        bool useEarlier = c.module != nullptr && std::string(c.module) == "(earlier)";
        HMODULE module = useEarlier ? earlier : c.open(c.module);
        FARPROC proc = module != nullptr ? GetProcAddress(module, c.function) : nullptr;
        EXPECT_EQ(proc, c.found);
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(sim::LibraryModuleReferences(), c.references);
    }
    sim::Reset();
}

// The failure switch fails the library's calls as a test arms it: the nth call,
// the next few or every call, each with a form of the function's row.
TEST_F(SimSpoolerTest, FailureSwitchFailsTheCallsAsArmed) {
    sim::Printer known;
    known.name = "P";
    struct Case {
        const char* what;
        std::function<bool()> arm;
        std::vector<bool> opened; // what three OpenPrinterA calls answer
        DWORD error;              // the last error a refused one leaves
        bool armedFault;          // FaultFired() afterwards
    } cases[] = {
        {"nothing armed", [] { return true; }, {true, true, true}, 0, false},
        {"the second call",
         [] {
             return sim::FailNthCall("OpenPrinterA", 2, {ERROR_ACCESS_DENIED, true});
         },
         {true, false, true},
         ERROR_ACCESS_DENIED,
         true},
        {"the next two calls",
         [] { return sim::FailCalls("OpenPrinterA", RPC_S_SERVER_UNAVAILABLE, 2); },
         {false, false, true},
         RPC_S_SERVER_UNAVAILABLE,
         false},
        {"every call, without a code",
         [] { return sim::FailCalls("OpenPrinterA", 0); },
         {false, false, false},
         0,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim::Reset();
        sim::AddPrinter(known);
        ASSERT_TRUE(c.arm());
        sim::ResetPlatformCalls();
        size_t handles = sim::OpenPrinterHandles();
        std::vector<bool> opened;
        for (int i = 0; i < 3; ++i) {
            SetLastError(1234);
            HANDLE printer = nullptr;
            opened.push_back(OpenPrinterA(const_cast<char*>("P"), &printer, nullptr) != FALSE);
            if (!opened.back()) {
                EXPECT_EQ(GetLastError(), c.error);
                EXPECT_EQ(printer, nullptr);
            }
        }
        EXPECT_EQ(opened, c.opened);
        EXPECT_EQ(sim::OpenPrinterHandles(),
                  handles + static_cast<size_t>(std::count(opened.begin(), opened.end(), true)));
        EXPECT_EQ(sim::PlatformCalls()["OpenPrinterA"], 3u);
        EXPECT_EQ(sim::FaultFired(), c.armedFault);
        if (c.armedFault) {
            std::optional<sim::FiredFailure> fired = sim::FaultFiredAs();
            ASSERT_TRUE(fired);
            EXPECT_EQ(fired->function, "OpenPrinterA");
            EXPECT_EQ(fired->call, 2u);
            EXPECT_EQ(fired->form.error, DWORD{ERROR_ACCESS_DENIED});
        }
    }

    // Only forms of the function's row can be armed.
    EXPECT_FALSE(sim::FailCalls("OpenPrinterA", ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(sim::FailNthCall("OpenPrinterA", 1, {ERROR_FILE_NOT_FOUND, true}));
    EXPECT_FALSE(sim::FailCalls("NoSuchFunction", 0));
}

// Only the library's calls count and fail: not those the simulation makes inside
// its own functions, nor those of code that plays the host.
TEST_F(SimSpoolerTest, FailureSwitchCountsOnlyTheLibrarysCalls) {
    ASSERT_NE(Add(Info("P")), nullptr);
    ASSERT_TRUE(sim::FailCalls("OpenPrinterA", ERROR_ACCESS_DENIED));
    sim::ResetPlatformCalls();
    sim::QueueConnectChoice("P"); // the dialog opens the printer itself
    HANDLE connected = ConnectToPrinterDlg(nullptr, 0);
    EXPECT_NE(connected, nullptr);
    {
        sim::OutsideLibrary host;
        HANDLE printer = nullptr;
        EXPECT_TRUE(OpenPrinterA(const_cast<char*>("P"), &printer, nullptr));
        EXPECT_TRUE(ClosePrinter(printer));
    }
    std::map<std::string, unsigned> calls = sim::PlatformCalls();
    EXPECT_EQ(calls["ConnectToPrinterDlg"], 1u);
    EXPECT_EQ(calls.count("OpenPrinterA"), 0u);
    EXPECT_EQ(calls.count("ClosePrinter"), 0u);
    EXPECT_TRUE(ClosePrinter(connected));
    EXPECT_EQ(sim::PlatformCalls()["ClosePrinter"], 1u);
}

} // namespace
