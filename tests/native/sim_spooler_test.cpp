// The simulated spooler answers printer and port calls as Windows documents them.
#include "sim_fixture.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

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
