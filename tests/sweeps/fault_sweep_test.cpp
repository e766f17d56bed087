// Failures across every export and each of its paths, and across the Browse
// Network dialog's expansions: each memory operation of a scenario fails in turn,
// then each platform call with each of its function's failure forms, and every
// run must end in one of the export's documented results for that failure with
// nothing held, nothing pending, no byte written outside the host's buffers and
// the last error its contract gives.
#include "harness/driver_files.h"
#include "harness/net_list.h"
#include "harness/sim_fixture.h"
#include "harness/test_networks.h"
#include "harness/tree_view.h"

#include "frame/handoff.h"
#include "frame/module_state.h"
#include "appkit/shared_string.h"
#include "browse_network/browse_network_dialog.h"

#include <kvx32.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {
using namespace harness;

using Strings = std::vector<std::string>;
using Records = std::vector<NetRecord>;

const std::string kShare = "\\\\PRN01\\Thermal";
const std::string kPrinter = "\\\\LABELSRV\\Thermal";
const int32_t kPrinterLength = static_cast<int32_t>(kPrinter.size());
const std::string kDefaultPorts("COM1:\0COM2:\0COM3:\0COM4:\0FILE:\0LPT1:\0LPT2:\0LPT3:\0", 48);

// Whether the run met a failure (of any function).
bool Fired() {
    return sim::FaultFired();
}

using Functions = std::set<std::string>;

Functions operator+(Functions a, const Functions& b) {
    a.insert(b.begin(), b.end());
    return a;
}

// The functions whose failure loses memory the code needed (the process heap
// included: without it nothing is allocated).
const Functions kMemory = {"GlobalAlloc", "GlobalLock", "GlobalReAlloc",
                           "GlobalSize",  "HeapAlloc",  "GetProcessHeap"};
// Releases: their failure keeps one object (the sweep allows it), and may change
// no result.
const Functions kReleases = {"GlobalFree",   "GlobalUnlock",   "HeapFree",
                             "ClosePrinter", "WNetCloseEnum",  "ImageList_Destroy",
                             "DeleteObject", "ReleaseCapture", "FreeLibrary"};

// Whether the run met a failure of one of `functions`.
bool FailedIn(const Functions& functions) {
    std::optional<sim::FiredFailure> failure = sim::FaultFiredAs();
    return failure && functions.count(failure->function) != 0;
}

// The failure's form when the run met a failure of `function`.
std::optional<sim::FailureForm> FailureOf(const std::string& function) {
    std::optional<sim::FiredFailure> failure = sim::FaultFiredAs();
    if (!failure || failure->function != function)
        return std::nullopt;
    return failure->form;
}

// The last error as the host reads it (not a call of the library).
DWORD HostLastError() {
    sim::OutsideLibrary host;
    return GetLastError();
}

void HostSetLastError(DWORD error) {
    sim::OutsideLibrary host;
    SetLastError(error);
}

// A host buffer of `size` bytes filled with '#', followed by guard bytes that no
// call may write; the guard is checked when the buffer goes.
class HostBuffer {
public:
    explicit HostBuffer(size_t size) : bytes_(size + kGuard, kFill), size_(size) {}
    HostBuffer(const HostBuffer&) = delete;
    HostBuffer& operator=(const HostBuffer&) = delete;
    ~HostBuffer() {
        EXPECT_EQ(std::string(bytes_.begin() + static_cast<long>(size_), bytes_.end()),
                  std::string(kGuard, kFill))
            << "written past the host's " << size_ << " bytes";
    }
    char* data() { return bytes_.data(); }
    bool Untouched() const {
        return std::all_of(bytes_.begin(), bytes_.begin() + static_cast<long>(size_),
                           [](char c) { return c == kFill; });
    }
    // The text written (up to its terminator, within the buffer).
    std::string Text() const { return std::string(bytes_.data(), strnlen(bytes_.data(), size_)); }
    std::string Bytes(size_t count) const { return std::string(bytes_.data(), count); }
    // The bytes before the first one left as it was.
    std::string Written() const {
        auto end = std::find(bytes_.begin(), bytes_.begin() + static_cast<long>(size_), kFill);
        return std::string(bytes_.begin(), end);
    }

private:
    static constexpr size_t kGuard = 16;
    static constexpr char kFill = '#';
    std::vector<char> bytes_;
    size_t size_;
};

// Host strings for GetPortsSelect, counted so high that no call frees them: made
// before the runs (a string is made at its first use, which must come before the
// fault is armed) and freed when the sweep ends.
class HostStrings {
public:
    void FreeAll() {
        for (auto& entry : strings_)
            kvx_shared_string_free(entry.second);
        strings_.clear();
    }
    const char* operator()(const std::string& text) {
        if (text.empty())
            return nullptr;
        const char*& chars = strings_[text];
        if (chars == nullptr) {
            chars = kvx_shared_string(text.c_str());
            EXPECT_NE(chars, nullptr) << "made while a memory failure was armed";
            if (chars == nullptr)
                return nullptr;
            (reinterpret_cast<CSharedString::Data*>(const_cast<char*>(chars)) - 1)->refs = 1 << 30;
        }
        return chars;
    }

private:
    std::map<std::string, const char*> strings_;
};

// The records in bytes a call wrote without the closing zero.
Records RecordsIn(const std::string& bytes) {
    std::vector<char> list(bytes.begin(), bytes.end());
    list.push_back('\0');
    return ParseNetList(list);
}

// What no run may leave behind, whatever failed, but the one object a refused
// release keeps.
void ExpectNothingHeld() {
    Leftovers may = LeftoversOfFailure();
    EXPECT_LE(sim::OpenPrinterHandles(), may.printerHandles);
    EXPECT_LE(sim::OpenNetEnumerations(), may.enumerations);
    EXPECT_EQ(sim::LiveItemLists(), 0u);
    EXPECT_EQ(sim::ShellAllocatorReferences(), 0);
    EXPECT_EQ(sim::ShellMisuses(), 0u);
    EXPECT_EQ(sim::LiveWindows(), 0u);
    EXPECT_EQ(sim::LiveTreeViews(), 0u);
    EXPECT_EQ(sim::LiveTreeItems(), 0u);
    EXPECT_LE(sim::LiveImageLists(), may.imageLists);
    EXPECT_LE(sim::LiveBitmaps(), may.bitmaps);
    // The shell's module stays loaded once the library has found its functions,
    // which it has when it called one.
    std::map<std::string, unsigned> calls = sim::PlatformCalls();
    long kept = calls["SHGetMalloc"] > 0 ? 1 : 0;
    EXPECT_GE(sim::LibraryModuleReferences(), kept) << "a module freed that was not loaded";
    EXPECT_LE(sim::LibraryModuleReferences(), kept + static_cast<long>(may.moduleReferences));
    {
        sim::OutsideLibrary host;
        EXPECT_EQ(GetCapture(), nullptr);
    }
    EXPECT_FALSE(g_portsSlot.Pending());
    EXPECT_FALSE(g_netListSlot.Pending());
    EXPECT_FALSE(g_connectDialogSlot.Pending());
    EXPECT_FALSE(g_printerBrowserSlot.Pending());
}

struct Scenario {
    std::string name;
    std::function<void()> arrange; // the machine before each run
    std::function<void()> run;     // the calls, and the checks of their results
};

// ---- the spooler and the machine ----

void UseRelease(const char* release) {
    ASSERT_TRUE(sim::SetWindowsVersion(release));
    harness::PlaceDriverFiles();
}

Scenario DriverDirectory(const std::string& name, const std::string& directory, uint32_t capacity,
                         bool withBuffer = true) {
    return {"GetPrinterDriverDir, " + name,
            [directory] {
                if (!directory.empty())
                    sim::SetDriverDirectory("Windows NT x86", directory);
            },
            [=] {
                std::string expected = sim::DriverDirectory("Windows NT x86");
                HostBuffer buffer(withBuffer ? capacity : 0);
                uint32_t length = capacity;
                uint32_t* lengthRef = &length;
                uint32_t result =
                    GetPrinterDriverDir(withBuffer ? buffer.data() : nullptr, &lengthRef);
                bool failed = FailedIn(kMemory + Functions{"GetPrinterDriverDirectoryA"});
                if (failed && result == 0 && length == 0) { // no directory to report: length 0
                    EXPECT_EQ(buffer.Text(), "");
                } else if (withBuffer && capacity > expected.size()) {
                    EXPECT_EQ(result, expected.size() + 1);
                    EXPECT_EQ(buffer.Bytes(expected.size() + 1), expected + '\0');
                } else {
                    EXPECT_EQ(result, 0u);
                    EXPECT_EQ(length, expected.size());
                    EXPECT_EQ(buffer.Text(), "");
                }
            }};
}

// The platform code each release of the scenarios runs as.
int16_t PlatformOf(const std::string& release) {
    return release == "nt40"    ? KVX_PLATFORM_NT4
           : release == "nt351" ? KVX_PLATFORM_NT3
           : release == "win95" ? KVX_PLATFORM_WIN95
                                : KVX_PLATFORM_WIN98;
}

// The driver the installation registers on a release: the release's name, files and
// environment, the files in that environment's driver directory.
void ExpectDriverOf(const std::string& release, const sim::Driver& driver) {
    int16_t platform = PlatformOf(release);
    bool nt = platform == KVX_PLATFORM_NT3 || platform == KVX_PLATFORM_NT4;
    std::string environment = nt ? "Windows NT x86" : "Windows 4.0";
    std::string directory = sim::DriverDirectory(environment);
    kvx_driver_files files = kvx_driver_files_for(platform);
    EXPECT_EQ(driver.environment, environment);
    EXPECT_EQ(driver.name, files.driver_name);
    EXPECT_EQ(driver.version, 0x400u);
    EXPECT_EQ(driver.driverPath, directory + files.driver_file);
    EXPECT_EQ(driver.dataFile, directory + files.data_file);
    EXPECT_EQ(driver.configFile, directory + files.config_file);
}

// 1 only with the release's driver registered; else 0, nothing registered and
// last error 0.
Scenario DriverInstall(const char* release, bool filesPlaced) {
    return {std::string("InstallThermalPrinterDriver, ") + release +
                (filesPlaced ? "" : ", files missing"),
            [=] {
                ASSERT_TRUE(sim::SetWindowsVersion(release));
                if (filesPlaced)
                    harness::PlaceDriverFiles();
            },
            [=] {
                HostSetLastError(1234);
                int32_t result = InstallThermalPrinterDriver();
                std::vector<sim::Driver> drivers = sim::Drivers();
                if (result == 1) {
                    ASSERT_EQ(drivers.size(), 1u);
                    ExpectDriverOf(release, drivers[0]);
                } else {
                    EXPECT_EQ(result, 0);
                    EXPECT_TRUE(drivers.empty());
                    EXPECT_EQ(HostLastError(), 0u);
                }
                if (FailedIn({"GetPrinterDriverDirectoryA", "AddPrinterDriverA"})) {
                    EXPECT_EQ(result, 0);
                } else if (!FailedIn(kMemory + Functions{"GetVersionExA"})) {
                    EXPECT_EQ(result, filesPlaced ? 1 : 0);
                }
            }};
}

// 0 only with the driver gone; else the spooler's error code, or 31 without one.
Scenario DriverRemoval(const std::string& name, bool installed) {
    return {"DesInstallThermalPrinterDriver, " + name,
            [installed] {
                UseRelease("nt40");
                if (installed) {
                    ASSERT_EQ(InstallThermalPrinterDriver(), 1);
                }
            },
            [installed] {
                int32_t result = DesInstallThermalPrinterDriver();
                DWORD error = HostLastError();
                if (result == 0) {
                    EXPECT_TRUE(installed);
                    EXPECT_TRUE(sim::Drivers().empty());
                } else {
                    EXPECT_EQ(sim::Drivers().size(), installed ? 1u : 0u);
                    EXPECT_EQ(static_cast<DWORD>(result), error != 0 ? error : ERROR_GEN_FAILURE);
                }
                if (std::optional<sim::FailureForm> refused = FailureOf("DeletePrinterDriverA")) {
                    EXPECT_EQ(static_cast<DWORD>(result),
                              refused->error != 0 ? refused->error : ERROR_GEN_FAILURE);
                } else if (installed && !FailedIn({"GetVersionExA"})) {
                    EXPECT_EQ(result, 0);
                }
            }};
}

// A null printerName: the printer is refused. An added port is made known first.
// 1 only with that printer added; else 0, no printer and last error 0.
Scenario PrinterInstall(const char* release, const char* port, const char* printerName,
                        bool addPort = false) {
    return {std::string("InstallThermalPrinter, ") + release + ", " + port,
            [=] {
                UseRelease(release);
                if (addPort)
                    sim::SetPorts({port});
            },
            [=] {
                HostSetLastError(1234);
                int32_t result = InstallThermalPrinter(port);
                std::vector<sim::Printer> printers = sim::Printers();
                if (result == 1) {
                    ASSERT_EQ(printers.size(), 1u);
                    ASSERT_NE(printerName, nullptr);
                    EXPECT_EQ(printers[0].name, printerName);
                    EXPECT_EQ(printers[0].port, port);
                    EXPECT_EQ(printers[0].driver,
                              kvx_driver_files_for(PlatformOf(release)).driver_name);
                } else {
                    EXPECT_EQ(result, 0);
                    EXPECT_TRUE(printers.empty());
                    EXPECT_EQ(HostLastError(), 0u);
                }
                if (FailedIn({"GetPrinterDriverDirectoryA", "AddPrinterDriverA", "AddPrinterA",
                              "wsprintfA"})) {
                    EXPECT_EQ(result, 0);
                } else if (!FailedIn(kMemory + Functions{"GetVersionExA"})) {
                    EXPECT_EQ(result, printerName != nullptr ? 1 : 0);
                }
            }};
}

// 0 when the printer cannot be opened, else what closing it answers; the name,
// or nothing when the driver's information cannot be read.
Scenario DriverName(const std::string& name, const char* printer, uint32_t capacity,
                    const std::string& expected) {
    return {"GetPrinterDriverName, " + name,
            [] {
                UseRelease("nt40");
                ASSERT_EQ(InstallThermalPrinter("LPT1:"), 1);
            },
            [=] {
                HostBuffer buffer(capacity);
                int32_t result = GetPrinterDriverName(printer, buffer.data(), capacity);
                bool opened = std::string(printer) == "KVX_50 LPT1:" && !FailedIn({"OpenPrinterA"});
                EXPECT_EQ(result != 0, opened && !FailedIn({"ClosePrinter"}));
                // Without the driver's information the name is empty.
                std::string text = buffer.Text();
                bool unread = FailedIn(kMemory + Functions{"GetPrinterDriverA"}) && text.empty();
                EXPECT_EQ(text, opened && !unread ? expected : "");
            }};
}

std::vector<Scenario> MachineScenarios() {
    return {
        {"GetPlatformFrom32", [] { ASSERT_TRUE(sim::SetWindowsVersion("win98")); },
         [] {
             int16_t code = -1, major = -1, minor = -1, id = -1;
             EXPECT_EQ(GetPlatformFrom32(&code, &major, &minor, &id), 0);
             bool known = !FailedIn({"GetVersionExA"}); // else 0 everywhere
             EXPECT_EQ(code, known ? KVX_PLATFORM_WIN98 : KVX_PLATFORM_OTHER);
             EXPECT_EQ(major, known ? 4 : 0);
             EXPECT_EQ(minor, known ? 10 : 0);
             EXPECT_EQ(id, known ? VER_PLATFORM_WIN32_WINDOWS : 0);
         }},
        DriverDirectory("fits", "", 260),
        DriverDirectory("too small", "", 8),
        DriverDirectory("no buffer", "", 260, false),
        DriverDirectory("longer than the first request", "C:\\" + std::string(300, 'd'), 400),
        DriverInstall("nt40", true),
        DriverInstall("nt351", true),
        DriverInstall("win95", true),
        DriverInstall("win98", true),
        DriverInstall("nt40", false),
        DriverRemoval("installed", true),
        DriverRemoval("not installed", false),
        PrinterInstall("nt40", "LPT1:", "KVX_50 LPT1:"),
        PrinterInstall("nt351", "LPT2:", "KVX LPT2:"),
        PrinterInstall("win95", "COM1:", "KVX_50 COM1:"),
        PrinterInstall("win98", "\\\\LABELSRV\\Thermal-queue-two",
                       "KVX_50 //LABELSRV/Thermal-queue", true),
        PrinterInstall("nt40", "LPT9:", nullptr), // no such port
        DriverName("whole name", "KVX_50 LPT1:", 32, "KVX_50"),
        DriverName("cut to the capacity", "KVX_50 LPT1:", 4, "KVX"),
        DriverName("unknown printer", "nobody", 32, ""),
        {"SetPortSettings", [] {},
         [] {
             int32_t result = SetPortSettings("LPT1:");
             EXPECT_EQ(result != 0, !FailedIn({"ConfigurePortA"}));
         }},
        {"EnumLocalPorts, a fetch with nothing pending", [] {},
         [] {
             uint32_t size = 5;
             HostBuffer list(size);
             EnumLocalPorts(list.data(), &size);
             EXPECT_TRUE(list.Untouched());
             EXPECT_EQ(size, 5u);
         }},
        {"NetGetInfos", [] {},
         [] {
             HostBuffer user(KVX_USER_NAME_SIZE), computer(KVX_COMPUTER_NAME_SIZE);
             int32_t result = NetGetInfos(user.data(), computer.data());
             // A user name the system could not give leaves the buffer as it was.
             if (FailedIn({"GetUserNameA"})) {
                 EXPECT_TRUE(user.Untouched());
             } else {
                 EXPECT_EQ(user.Text(), "labeller");
             }
             if (std::optional<sim::FailureForm> refused = FailureOf("GetComputerNameA")) {
                 EXPECT_EQ(result, 0);
                 EXPECT_TRUE(computer.Untouched());
                 EXPECT_EQ(HostLastError(), refused->error);
             } else {
                 EXPECT_NE(result, 0);
                 EXPECT_EQ(computer.Text(), "LABELHOST");
             }
         }},
    };
}

// ---- EnumLocalPorts ----

std::string Repeated(const std::string& text, unsigned times) {
    std::string all;
    while (times-- > 0)
        all += text;
    return all;
}

// `sizings` sizing calls, then the fetch of the size they reported.
Scenario LocalPorts(unsigned sizings) {
    return {"EnumLocalPorts, " + std::to_string(sizings) + " sizing call(s) and the fetch", [] {},
            [sizings] {
                const Functions listing = kMemory + Functions{"EnumPortsA"};
                uint32_t size = 0;
                for (unsigned i = 0; i < sizings; ++i)
                    EnumLocalPorts(nullptr, &size);
                // A failed sizing call adds nothing; the others add the whole list.
                bool sizingFailed = FailedIn(listing) && size != sizings * kDefaultPorts.size();
                uint32_t lists = sizingFailed ? sizings - 1 : sizings;
                EXPECT_EQ(size, lists * kDefaultPorts.size());
                // The listing call of the last sizing leaves the spooler's error.
                std::optional<sim::FiredFailure> failure = sim::FaultFiredAs();
                if (failure && failure->function == "EnumPortsA" && failure->call == 2 * sizings) {
                    EXPECT_EQ(HostLastError(), failure->form.error);
                }
                HostBuffer list(size);
                EnumLocalPorts(list.data(), &size);
                // A block that could not be read: nothing written.
                if (!(FailedIn({"GlobalLock", "GlobalSize"}) && list.Untouched())) {
                    EXPECT_EQ(list.Bytes(size), Repeated(kDefaultPorts, lists));
                }
            }};
}

// ---- the two printer dialogs ----

// `whenFailed` are the results the failure of the run may lead to; a failure of a
// step the result does not depend on (the dialog's title, the driver's
// registration, a release) leaves the result it would have had.
void ExpectDialogResult(int32_t result, std::set<int32_t> whenFailed, int32_t otherwise) {
    whenFailed.insert(otherwise);
    EXPECT_TRUE(whenFailed.count(result)) << "result " << result;
}

// What the fetch of a pending result may answer: the block could not be read.
std::set<int32_t> FetchFailures() {
    return FailedIn({"GlobalLock", "GlobalSize"}) ? std::set<int32_t>{KVX_DIALOG_FETCH_LOCK_FAILED}
                                                  : std::set<int32_t>{};
}

int32_t PrinterBrowse(int32_t maxLen, char* dst, const char* title = "browser title",
                      const char* dialogTitle = "Pick a label printer") {
    return GetNetBrowseDialog32b(0, maxLen, dst, title, 0, dialogTitle, 0, 0, 0);
}

// The shell dialog confirms `chosen` (or is cancelled); the path waits when
// maxLen leaves no room for it, and is then fetched. `missing` names a shell
// function this release's module lacks, so no dialog opens.
Scenario PrinterBrowser(const std::string& name, std::optional<sim::BrowseItem> chosen,
                        int32_t maxLen, bool destination, const char* title = "browser title",
                        const char* dialogTitle = "Pick a label printer",
                        const char* missing = nullptr) {
    return {"GetNetBrowseDialog32b, " + name,
            [chosen, missing] {
                PreselectPath = "C:\\before"; // replaced by every choice
                if (chosen)
                    sim::QueueBrowseChoice(*chosen);
                else
                    sim::QueueBrowseCancel();
                if (missing != nullptr)
                    sim::RemoveExport("SHELL32.DLL", missing);
            },
            [=] {
                // Without the shell's functions (a module or function that cannot be
                // had is a dialog that cannot open), the allocator, the dialog or the
                // path's string nothing is chosen; a path the shell cannot give
                // leaves the display name the dialog wrote; a dialog title that could
                // not be copied leaves the dialog untitled and changes nothing.
                HostBuffer dst(maxLen > 0 ? static_cast<size_t>(maxLen) : 0);
                int32_t sizing =
                    PrinterBrowse(maxLen, destination ? dst.data() : nullptr, title, dialogTitle);
                const Functions choosing = kMemory + Functions{"LoadLibraryA", "GetProcAddress",
                                                               "SHGetMalloc", "SHBrowseForFolderA"};
                // The module is kept once its four functions are found; a lookup that
                // failed holds nothing but what a refused FreeLibrary kept.
                bool found = missing == nullptr && !FailedIn({"LoadLibraryA", "GetProcAddress"});
                EXPECT_EQ(sim::LibraryModuleReferences(),
                          found || FailedIn({"FreeLibrary"}) ? 1 : 0);
                if (missing != nullptr) {
                    EXPECT_TRUE(sim::BrowseDialogs().empty());
                    ExpectDialogResult(sizing, {}, KVX_DIALOG_NOTHING_CHOSEN);
                    EXPECT_TRUE(dst.Untouched());
                    EXPECT_EQ(std::string(PreselectPath.c_str()), "C:\\before");
                    return;
                }
                std::string path = !chosen ? ""
                                   : !chosen->hasPath || FailedIn({"SHGetPathFromIDListA"})
                                       ? chosen->displayName
                                       : chosen->path;
                int32_t length = static_cast<int32_t>(path.size());
                std::set<int32_t> lost;
                if (FailedIn(choosing))
                    lost.insert(KVX_DIALOG_NOTHING_CHOSEN);
                if (!chosen) {
                    ExpectDialogResult(sizing, {}, KVX_DIALOG_NOTHING_CHOSEN);
                } else if (maxLen > length) {
                    ExpectDialogResult(sizing, lost,
                                       destination ? KVX_DIALOG_COPIED : KVX_DIALOG_NO_DESTINATION);
                } else {
                    if (FailedIn(kMemory))
                        lost.insert(KVX_DIALOG_NO_MEMORY);
                    ExpectDialogResult(sizing, lost, length + 1);
                }
                // Every choice taken is preselected next time, whatever the export answers.
                bool taken = chosen && sizing != KVX_DIALOG_NOTHING_CHOSEN;
                EXPECT_EQ(std::string(PreselectPath.c_str()), taken ? path : "C:\\before");
                if (sizing == KVX_DIALOG_COPIED) {
                    EXPECT_EQ(dst.Text(), path);
                } else {
                    EXPECT_TRUE(dst.Untouched());
                }
                if (sizing > 0) {
                    EXPECT_EQ(PrinterBrowse(0, nullptr), KVX_DIALOG_FETCH_NO_DESTINATION);
                    HostBuffer fetched(static_cast<size_t>(sizing));
                    int32_t fetch = PrinterBrowse(0, fetched.data());
                    ExpectDialogResult(fetch, FetchFailures(), KVX_DIALOG_COPIED);
                    if (fetch == KVX_DIALOG_COPIED) {
                        EXPECT_EQ(fetched.Text(), path);
                    } else {
                        EXPECT_TRUE(fetched.Untouched());
                    }
                }
            }};
}

// The connect dialog picks the shared printer (or is cancelled); `missing`
// names a spooler function this release's module lacks, so no dialog opens.
Scenario ConnectDialog(const std::string& name, bool chosen, int32_t maxLen, bool destination,
                       bool infoRefused = false, const char* missing = nullptr) {
    return {"GetNetBrowseDialogNT4, " + name,
            [=] {
                sim::Printer printer;
                printer.name = kPrinter;
                printer.port = "LPT1:";
                printer.driver = "Thermal on the server";
                sim::AddPrinter(printer);
                harness::PlaceDriverFiles();
                if (chosen)
                    sim::QueueConnectChoice(kPrinter);
                else
                    sim::QueueConnectCancel();
                if (infoRefused) {
                    ASSERT_TRUE(sim::FailCalls("GetPrinterA", ERROR_ACCESS_DENIED));
                }
                if (missing != nullptr)
                    sim::RemoveExport("WINSPOOL.DRV", missing);
            },
            [=] {
                HostBuffer dst(maxLen >= 0 ? static_cast<size_t>(maxLen) + 1 : 0);
                int32_t sizing =
                    GetNetBrowseDialogNT4(nullptr, maxLen, destination ? dst.data() : nullptr);
                // The driver's registration may fail unseen: the dialog goes on. A
                // spooler function that cannot be looked up is a dialog that cannot open.
                const Functions lookup = {"GetModuleHandleA", "GetProcAddress"};
                std::set<int32_t> lost;
                if (FailedIn(lookup + Functions{"ConnectToPrinterDlg"}))
                    lost.insert(KVX_DIALOG_NOTHING_CHOSEN);
                if (FailedIn({"GetPrinterA"}))
                    lost.insert(KVX_DIALOG_INFO_FAILED);
                if (FailedIn(kMemory))
                    lost.insert(KVX_DIALOG_NO_MEMORY);
                if (missing != nullptr) { // the driver first all the same, then no dialog
                    EXPECT_TRUE(sim::ConnectDialogs().empty());
                    if (!Fired()) {
                        EXPECT_EQ(sim::Drivers().size(), 1u);
                    }
                }
                if (!chosen || missing != nullptr)
                    ExpectDialogResult(sizing, lost, KVX_DIALOG_NOTHING_CHOSEN);
                else if (infoRefused)
                    ExpectDialogResult(sizing, lost, KVX_DIALOG_INFO_FAILED);
                else if (maxLen >= kPrinterLength)
                    ExpectDialogResult(sizing, lost,
                                       destination ? KVX_DIALOG_COPIED : KVX_DIALOG_NO_DESTINATION);
                else
                    ExpectDialogResult(sizing, lost, kPrinterLength);
                if (sizing == KVX_DIALOG_COPIED) {
                    EXPECT_EQ(dst.Text(), kPrinter);
                } else {
                    EXPECT_TRUE(dst.Untouched());
                }
                // The connection the user made goes only with a name delivered at once
                // (where the removal can be looked up).
                // Both functions are looked up before the dialog opens, so a failed
                // lookup makes no connection.
                bool connected = chosen && missing == nullptr &&
                                 !FailedIn(lookup + Functions{"ConnectToPrinterDlg"});
                bool removed =
                    sizing == KVX_DIALOG_COPIED && !FailedIn({"DeletePrinterConnectionA"});
                EXPECT_EQ(sim::PrinterConnections().size(), connected && !removed ? 1u : 0u);
                if (sizing > 0) {
                    EXPECT_EQ(GetNetBrowseDialogNT4(nullptr, 0, nullptr),
                              KVX_DIALOG_FETCH_NO_DESTINATION);
                    HostBuffer fetched(static_cast<size_t>(sizing) + 1);
                    int32_t fetch = GetNetBrowseDialogNT4(nullptr, 0, fetched.data());
                    ExpectDialogResult(fetch, FetchFailures(), KVX_DIALOG_COPIED);
                    if (fetch == KVX_DIALOG_COPIED) {
                        EXPECT_EQ(fetched.Text(), kPrinter);
                    } else {
                        EXPECT_TRUE(fetched.Untouched());
                    }
                }
            }};
}

std::vector<Scenario> DialogScenarios() {
    sim::BrowseItem share{"Thermal", kPrinter, true};
    sim::BrowseItem printer{"Thermal on LABELSRV", "", false}; // no file-system path
    // Titles given as numbers of the module's string resources, which it lacks.
    const char* const titleResource = MAKEINTRESOURCEA(7);
    return {
        PrinterBrowser("copied at once", share, 100, true),
        PrinterBrowser("too long, then fetched", share, 0, true),
        PrinterBrowser("fits, no destination", share, 100, false),
        PrinterBrowser("printer outside the file system", printer, 100, true),
        PrinterBrowser("cancelled", std::nullopt, 100, true),
        PrinterBrowser("titles as string resources", share, 100, true, titleResource,
                       titleResource),
        PrinterBrowser("a shell without the browse dialog", share, 0, true, "browser title",
                       "Pick a label printer", "SHBrowseForFolderA"),
        ConnectDialog("copied at once", true, 100, true),
        ConnectDialog("too long, then fetched", true, 4, true),
        ConnectDialog("fits, no destination", true, 100, false),
        ConnectDialog("a negative maximum, then fetched", true, -1, true),
        ConnectDialog("cancelled", false, 100, true),
        ConnectDialog("information refused", true, 100, true, true),
        ConnectDialog("a spooler without the dialog", true, 0, true, false, "ConnectToPrinterDlg"),
        ConnectDialog("a spooler that cannot remove a connection", true, 100, true, false,
                      "DeletePrinterConnectionA"),
    };
}

// ---- GetPortsSelect ----

const Records kProviders = {{kKvx, kKvx, 6}, {kOther, kOther, 6}};
const Records kDomains = {{kKvx, "SALES", 1}, {kKvx, "CORP", 1}};
const Records kServers = {
    {kKvx, "\\\\PRN01", 2}, {kKvx, "No Remote", 2}, {"No Provider", "\\\\ORPHAN", 2}};
const Records kShares = {{kKvx, "\\\\PRN01\\Laser", 3}, {kKvx, kShare, 3}};

HostStrings g_hostStrings;

// The failures that may shorten a list: memory, and the router's.
const Functions kListing = kMemory + Functions{"WNetOpenEnumA", "WNetEnumResourceA"};

// A fault may leave the fetch call without a pending list: it then lists afresh
// and keeps that list for the next call with a buffer, which the host makes.
void DrainNetList() {
    if (!g_netListSlot.Pending())
        return;
    EXPECT_TRUE(FailedIn(kListing)) << "a list left pending";
    uint32_t size = 0;
    HostBuffer nothing(0);
    GetPortsSelect(nothing.data(), &size, nullptr, nullptr);
}

// The sizing call, then the fetch of the size it reported.
Scenario NetList(const std::string& name, const std::string& provider, const Strings& path,
                 const Records& full) {
    return {"GetPortsSelect, " + name,
            [=] {
                g_hostStrings(provider);
                g_hostStrings(NetPath(path));
            },
            [=] {
                const char* providerText = g_hostStrings(provider);
                const char* pathText = g_hostStrings(NetPath(path));
                uint32_t size = 0;
                GetPortsSelect(nullptr, &size, providerText, pathText);
                EXPECT_TRUE(g_netListSlot.Pending() || FailedIn(kListing));
                HostBuffer list(size);
                GetPortsSelect(list.data(), &size, providerText, pathText);
                if (!FailedIn(kListing)) {
                    EXPECT_EQ(list.Bytes(size), NetRecordBytes(full) + '\0');
                } else {
                    // A part of the list, in order; a record that could not be
                    // written is left out whole.
                    EXPECT_LE(size, NetRecordBytes(full).size() + 1);
                    ExpectOrderedPart(RecordsIn(list.Written()), full);
                }
                DrainNetList();
            }};
}

// One call with a buffer writes the list at once and keeps it pending; the next
// call with a buffer fetches it.
Scenario NetListAtOnce() {
    return {"GetPortsSelect, one call with a buffer, then the fetch", [] { g_hostStrings(kKvx); },
            [] {
                const char* provider = g_hostStrings(kKvx);
                const uint32_t capacity = 64;
                HostBuffer first(capacity), second(capacity);
                uint32_t size = capacity;
                GetPortsSelect(first.data(), &size, provider, nullptr);
                EXPECT_TRUE(g_netListSlot.Pending() || FailedIn(kListing));
                GetPortsSelect(second.data(), &size, provider, nullptr);
                std::string bytes = NetRecordBytes(kDomains);
                if (!FailedIn(kListing)) {
                    EXPECT_EQ(first.Bytes(bytes.size() + 1), bytes + '#');
                    EXPECT_EQ(second.Bytes(bytes.size() + 1), bytes + '\0');
                } else {
                    ExpectOrderedPart(RecordsIn(first.Written()), kDomains);
                    std::string fetched = second.Written();
                    if (fetched.size() > bytes.size() + 1) {
                        // The list's block could not shrink to the list: the fetch
                        // gives the whole list, then the block's zeros up to the size.
                        EXPECT_EQ(fetched.substr(0, bytes.size() + 1), bytes + '\0');
                        EXPECT_EQ(fetched.find_first_not_of('\0', bytes.size()), std::string::npos);
                    } else {
                        ExpectOrderedPart(RecordsIn(fetched), kDomains);
                    }
                }
                DrainNetList();
            }};
}

std::vector<Scenario> NetListScenarios() {
    return {
        NetList("the providers", "", {}, kProviders),
        NetList("a provider's domains", kKvx, {}, kDomains),
        NetList("a domain's servers", kKvx, {"SALES"}, kServers),
        NetList("a server's shares", kKvx, {"SALES", "\\\\PRN01"}, kShares),
        NetList("a provider filter that matches nothing", "Nobody", {}, {}),
        NetListAtOnce(),
    };
}

// ---- the Browse Network dialog ----

// Whether the run met a failure that may change what the dialog shows or answers:
// any but a refused release.
bool DialogFailed() {
    return Fired() && !FailedIn(kReleases);
}

// The user opens the tree along `labels` (from the root), selects the last item
// and confirms. Each level shown holds some of `levels` (all of them when nothing
// failed). With `handle`, the user also drags the item opened last and renames it.
Scenario BrowseTree(const std::string& name, const Strings& labels,
                    const std::vector<Strings>& levels, const std::string& printer,
                    bool handle = false) {
    return {"Browse Network dialog, " + name, [] { harness::InstallBrowseResources(); },
            [=] {
                BrowseNetworkDialog dialog;
                bool reached = false;
                sim::SetDialogDriver([&](HWND window) {
                    HWND tree = GetDlgItem(window, IDC_TREE);
                    HTREEITEM item = nullptr; // the root, then the item opened last
                    for (size_t depth = 0; depth < labels.size(); ++depth) {
                        if (depth > 0)
                            sim::ClickExpandButton(tree, item);
                        std::vector<harness::ItemView> children = harness::ChildrenOf(tree, item);
                        Strings shown = harness::Labels(children);
                        const Strings& listed = levels[depth];
                        for (const std::string& label : shown)
                            EXPECT_TRUE(std::count(listed.begin(), listed.end(), label) ||
                                        label == BrowseNetworkDialog::kReservedLabel)
                                << "not on the network: " << label;
                        if (!DialogFailed()) {
                            EXPECT_EQ(shown, listed);
                        }
                        item = nullptr;
                        for (const harness::ItemView& child : children)
                            if (item == nullptr && child.text == labels[depth])
                                item = child.item;
                        if (item == nullptr)
                            return; // closed as by the Escape key
                    }
                    if (handle) {
                        // A drag holds the capture until the button comes up.
                        sim::StartDrag(tree, item, false);
                        SendMessageA(tree, WM_LBUTTONUP, 0, 0);
                        if (!Fired()) {
                            EXPECT_EQ(GetCapture(), nullptr);
                        }
                        ReleaseCapture();
                        char text[] = "renamed"; // an edit cancelled, then one accepted
                        for (char* edited : {static_cast<char*>(nullptr), text}) {
                            NMTVDISPINFOA edit = {};
                            edit.hdr = {tree, IDC_TREE, TVN_ENDLABELEDITA};
                            edit.item.hItem = item;
                            edit.item.pszText = edited;
                            SendMessageA(window, WM_NOTIFY, IDC_TREE,
                                         reinterpret_cast<LPARAM>(&edit));
                        }
                        if (!DialogFailed()) {
                            EXPECT_EQ(harness::ViewOf(tree, item).text, "renamed");
                        }
                    }
                    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
                    reached = true;
                    sim::ClickButton(window, IDOK);
                });
                INT_PTR result = dialog.DoModal();
                if (!DialogFailed()) {
                    EXPECT_EQ(result, IDOK);
                    EXPECT_TRUE(reached);
                    EXPECT_EQ(std::string(dialog.PrinterName()), printer);
                } else {
                    // 0: no dialog for an owner that is not a window; -1: no dialog.
                    EXPECT_TRUE(result == IDOK || result == IDCANCEL || result == 0 || result == -1)
                        << result;
                    std::string chosen = dialog.PrinterName().c_str();
                    EXPECT_TRUE(chosen.empty() || chosen == printer) << chosen;
                }
                EXPECT_EQ(dialog.Nodes().Count(), 0u);
            }};
}

std::vector<Scenario> TreeScenarios() {
    const Strings root = {kKvx, kOther};
    const Strings domains = {"CORP", "SALES"};
    const std::string reserved = BrowseNetworkDialog::kReservedLabel;
    Scenario noNetwork = BrowseTree("no network", {reserved}, {{reserved}}, "");
    noNetwork.arrange = [] {
        sim::Reset();
        harness::InstallBrowseResources();
    };
    return {
        noNetwork,
        BrowseTree("a provider's domains", {kKvx, "SALES"}, {root, domains}, ""),
        BrowseTree(
            "down to a printer share", {kKvx, "SALES", "\\\\PRN01", kShare},
            {root, domains, {"\\\\ORPHAN", "\\\\PRN01", "No Remote"}, {"\\\\PRN01\\Laser", kShare}},
            kShare),
        BrowseTree("a server listed twice", {kKvx, "CORP", "\\\\TWIN", "\\\\TWIN\\Laser"},
                   {root,
                    domains,
                    {"\\\\TWIN", "\\\\TWIN"},
                    // each of the two entries that carry the name is listed
                    {"\\\\TWIN\\Laser", "\\\\TWIN\\Laser"}},
                   "\\\\TWIN\\Laser"),
        BrowseTree("a server dragged and renamed", {kKvx, "SALES", "\\\\PRN01"},
                   {root, domains, {"\\\\ORPHAN", "\\\\PRN01", "No Remote"}}, "", true),
    };
}

std::vector<Scenario> AllScenarios() {
    std::vector<Scenario> scenarios;
    for (auto part : {MachineScenarios, DialogScenarios, NetListScenarios, TreeScenarios})
        for (Scenario& scenario : part())
            scenarios.push_back(std::move(scenario));
    scenarios.push_back(LocalPorts(1));
    scenarios.push_back(LocalPorts(2));
    return scenarios;
}

// The machine before each run of a scenario.
void Prepare(const Scenario& scenario) {
    NewMachine();
    std::string error;
    ASSERT_TRUE(sim::LoadNetworkTree(kSmallNetwork, &error)) << error;
    scenario.arrange();
}

// The module's state the sweeps leave behind goes when they end.
void ForgetModuleState() {
    PreselectPath = CSharedString();
    g_hostStrings.FreeAll();
}

TEST(FaultSweep, EveryMemoryFailureOfEveryExportEndsInADocumentedResultWithNothingHeld) {
    std::vector<Scenario> scenarios = AllScenarios();
    unsigned total = 0;
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        unsigned points = SweepMemoryFaults(
            [&] {
                scenario.run();
                ExpectNothingHeld();
            },
            [](bool) {}, [&] { Prepare(scenario); });
        std::printf("  %-70s %4u failure points\n", scenario.name.c_str(), points);
        total += points;
    }
    ForgetModuleState();
    std::printf("fault sweep: %zu scenarios, %u failure points\n", scenarios.size(), total);
    RecordProperty("scenarios", static_cast<int>(scenarios.size()));
    RecordProperty("failure_points", static_cast<int>(total));
}

// The functions the DLL imports or looks up, as the import allowlist names them:
// "DLL function", then optional fields (an architecture, a kind); '#' starts a
// comment, and a line in brackets heads a section. Lines limited to another
// architecture than this build's are left out (the same call under another name).
std::set<std::string> AllowlistedFunctions(const std::string& path) {
    const std::string thisArchitecture = sizeof(void*) == 8 ? "x86_64" : "i686";
    const std::set<std::string> architectures = {"i686", "x86_64"};
    std::ifstream file(path);
    EXPECT_TRUE(file.good()) << "cannot read " << path;
    std::set<std::string> functions;
    std::string line;
    while (std::getline(file, line)) {
        line = line.substr(0, line.find('#'));
        std::vector<std::string> fields;
        for (size_t at = line.find_first_not_of(" \t\r"); at != std::string::npos;
             at = line.find_first_not_of(" \t\r", at)) {
            size_t end = line.find_first_of(" \t\r", at);
            fields.push_back(line.substr(at, end - at));
            at = end;
        }
        if (fields.size() < 2 || fields[0].front() == '[')
            continue;
        bool otherArchitecture = false;
        for (size_t i = 2; i < fields.size(); ++i)
            otherArchitecture = otherArchitecture ||
                                (architectures.count(fields[i]) && fields[i] != thisArchitecture);
        if (!otherArchitecture)
            functions.insert(fields[1]);
    }
    return functions;
}

// Windows documents no failure for these: each answers what it is given or what
// it did (the last error, a window procedure's result, the window or cursor
// before), or what the caller keeps on its own window (a property; that it is there).
const std::set<std::string> kNeverFail = {
    "CallWindowProcA", "DefWindowProcA", "GetLastError", "GetPropA",  "GetSystemInfo",
    "IsWindow",        "RemovePropA",    "SetCapture",   "SetCursor", "SetLastError"};

TEST(FaultSweep, EveryPlatformFailureOfEveryExportEndsInADocumentedResultWithNothingHeld) {
    // Every function the DLL may call has its failure forms in the simulation.
    std::set<std::string> allowlisted = AllowlistedFunctions(KVX_IMPORTS_ALLOW);
    EXPECT_GT(allowlisted.size(), 40u);
    std::set<std::string> formless;
    for (const std::string& function : allowlisted) {
        auto row = sim::FailureForms().find(function);
        if (row == sim::FailureForms().end())
            ADD_FAILURE() << function << " has no failure forms in the simulation";
        else if (row->second.empty())
            formless.insert(function);
    }
    EXPECT_EQ(formless, kNeverFail);

    std::vector<Scenario> scenarios = AllScenarios();
    PlatformSweep total;
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        PlatformSweep sweep = SweepPlatformFailures(
            [&] {
                scenario.run();
                ExpectNothingHeld();
            },
            [&] { Prepare(scenario); });
        std::printf("  %-62s %4u calls %6u runs\n", scenario.name.c_str(), sweep.points,
                    sweep.runs);
        total += sweep;
    }
    ForgetModuleState();

    unsigned forms = 0;
    std::printf("runs by platform function:\n");
    for (const std::string& function : allowlisted) {
        auto row = sim::FailureForms().find(function);
        size_t count = row == sim::FailureForms().end() ? 0 : row->second.size();
        forms += static_cast<unsigned>(count);
        std::printf("  %-28s %2zu forms %6u runs\n", function.c_str(), count,
                    total.runsByFunction[function]);
        if (count != 0) {
            EXPECT_GT(total.runsByFunction[function], 0u) << function << " never failed";
        }
    }
    std::printf("platform fault sweep: %zu scenarios, %u failure points, %u failure forms of "
                "%zu functions, %u runs\n",
                scenarios.size(), total.points, forms, allowlisted.size(), total.runs);
    RecordProperty("scenarios", static_cast<int>(scenarios.size()));
    RecordProperty("failure_points", static_cast<int>(total.points));
    RecordProperty("runs", static_cast<int>(total.runs));
}

} // namespace
