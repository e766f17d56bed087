// Memory failures across every export and each of its paths, and across the
// Browse Network dialog's expansions: each memory operation of a scenario fails
// in turn, and every run must end in one of the export's documented results with
// nothing held, nothing pending and no byte written outside the host's buffers.
#include "harness/browse_support.h"
#include "conformance/net_list.h"
#include "sim_fixture.h"

#include "frame/handoff.h"
#include "frame/module_state.h"
#include "appkit/shared_string.h"
#include "browse_network/browse_network_dialog.h"

#include "harness/driver_files.h"

#include <kvx32.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;
using Records = std::vector<NetRecord>;

// A small network with the odd entries: one without a remote name, one without a
// provider, and a remote name listed twice.
const char kNetwork[] = R"(
[kvxnp]
provider "Kvx Network"
container NULL
domain SALES
domain CORP
container SALES
server  \\PRN01
server  NULL
server  \\ORPHAN provider=NULL
container \\PRN01
share \\PRN01\Laser
share \\PRN01\Thermal
container CORP
server \\TWIN
server \\TWIN
container \\TWIN
share \\TWIN\Laser
[kvxother]
provider "Other Network"
container NULL
domain WORKGROUP
)";

const std::string kKvx = "Kvx Network";
const std::string kShare = "\\\\PRN01\\Thermal";
const std::string kPrinter = "\\\\LABELSRV\\Thermal";
const int32_t kPrinterLength = static_cast<int32_t>(kPrinter.size());
const std::string kDefaultPorts("COM1:\0COM2:\0COM3:\0COM4:\0FILE:\0LPT1:\0LPT2:\0LPT3:\0", 48);

bool Fired() {
    return sim::FaultFired();
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

// Each record of `records` is one of `full`, in the same order.
void ExpectOrderedPart(const Records& records, const Records& full) {
    size_t next = 0;
    for (const NetRecord& record : records) {
        while (next < full.size() && !(full[next] == record))
            ++next;
        EXPECT_LT(next, full.size()) << "not in the list, or out of order: " << record;
        ++next;
    }
}

// The records in bytes a call wrote without the closing zero.
Records RecordsIn(const std::string& bytes) {
    std::vector<char> list(bytes.begin(), bytes.end());
    list.push_back('\0');
    return ParseNetList(list);
}

// What no run may leave behind, whatever failed.
void ExpectNothingHeld() {
    EXPECT_EQ(sim::OpenPrinterHandles(), 0u);
    EXPECT_EQ(sim::OpenNetEnumerations(), 0u);
    EXPECT_EQ(sim::LiveItemLists(), 0u);
    EXPECT_EQ(sim::ShellAllocatorReferences(), 0);
    EXPECT_EQ(sim::ShellMisuses(), 0u);
    EXPECT_EQ(sim::LiveWindows(), 0u);
    EXPECT_EQ(sim::LiveTreeViews(), 0u);
    EXPECT_EQ(sim::LiveTreeItems(), 0u);
    EXPECT_EQ(sim::LiveImageLists(), 0u);
    EXPECT_EQ(sim::LiveBitmaps(), 0u);
    EXPECT_FALSE(g_portsSlot.Pending());
    EXPECT_FALSE(g_netListSlot.Pending());
    EXPECT_FALSE(g_connectDialogSlot.Pending());
    EXPECT_FALSE(g_shellBrowserSlot.Pending());
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
                if (Fired()) { // no directory to report: length 0
                    EXPECT_EQ(result, 0u);
                    EXPECT_EQ(length, 0u);
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

Scenario DriverInstall(const char* release, bool filesPlaced) {
    return {std::string("InstallThermalPrinterDriver, ") + release +
                (filesPlaced ? "" : ", files missing"),
            [=] {
                ASSERT_TRUE(sim::SetWindowsVersion(release));
                if (filesPlaced)
                    harness::PlaceDriverFiles();
            },
            [filesPlaced] {
                SetLastError(1234);
                int32_t result = InstallThermalPrinterDriver();
                bool installed = filesPlaced && !Fired();
                EXPECT_EQ(result, installed ? 1 : 0);
                EXPECT_EQ(sim::Drivers().size(), installed ? 1u : 0u);
                if (!installed) {
                    EXPECT_EQ(GetLastError(), 0u);
                }
            }};
}

// A null printerName: the printer is refused. An added port is made known first.
Scenario PrinterInstall(const char* release, const char* port, const char* printerName,
                        bool addPort = false) {
    return {std::string("InstallThermalPrinter, ") + release + ", " + port,
            [=] {
                UseRelease(release);
                if (addPort)
                    sim::SetPorts({port});
            },
            [port, printerName] {
                SetLastError(1234);
                int32_t result = InstallThermalPrinter(port);
                bool added = printerName != nullptr && !Fired();
                EXPECT_EQ(result, added ? 1 : 0);
                auto printers = sim::Printers();
                ASSERT_EQ(printers.size(), added ? 1u : 0u);
                if (added)
                    EXPECT_EQ(printers[0].name, printerName);
                else
                    EXPECT_EQ(GetLastError(), 0u);
            }};
}

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
                bool known = std::string(printer) == "KVX_50 LPT1:";
                EXPECT_EQ(result != 0, known);
                // Without the driver information the name is empty.
                EXPECT_EQ(buffer.Text(), Fired() ? "" : expected);
            }};
}

std::vector<Scenario> MachineScenarios() {
    return {
        {"GetPlatformFrom32", [] { ASSERT_TRUE(sim::SetWindowsVersion("win98")); },
         [] {
             int16_t code = -1, major = -1, minor = -1, id = -1;
             EXPECT_EQ(GetPlatformFrom32(&code, &major, &minor, &id), 0);
             EXPECT_EQ(code, KVX_PLATFORM_WIN98);
             EXPECT_EQ(major, 4);
             EXPECT_EQ(minor, 10);
             EXPECT_EQ(id, VER_PLATFORM_WIN32_WINDOWS);
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
        {"DesInstallThermalPrinterDriver, installed",
         [] {
             UseRelease("nt40");
             ASSERT_EQ(InstallThermalPrinterDriver(), 1);
         },
         [] {
             EXPECT_EQ(DesInstallThermalPrinterDriver(), 0);
             EXPECT_TRUE(sim::Drivers().empty());
         }},
        {"DesInstallThermalPrinterDriver, not installed", [] {},
         [] {
             int32_t result = DesInstallThermalPrinterDriver();
             EXPECT_NE(result, 0);
             EXPECT_EQ(static_cast<DWORD>(result), GetLastError());
         }},
        PrinterInstall("nt40", "LPT1:", "KVX_50 LPT1:"),
        PrinterInstall("nt351", "LPT2:", "KVX LPT2:"),
        PrinterInstall("win95", "COM1:", "KVX_50 COM1:"),
        PrinterInstall("win98", "\\\\LABELSRV\\Thermal-queue-two",
                       "KVX_50 //LABELSRV/Thermal-queue", true),
        PrinterInstall("nt40", "LPT9:", nullptr), // no such port
        DriverName("whole name", "KVX_50 LPT1:", 32, "KVX_50"),
        DriverName("cut to the capacity", "KVX_50 LPT1:", 4, "KVX"),
        DriverName("unknown printer", "nobody", 32, ""),
        {"SetPortSettings", [] {}, [] { EXPECT_NE(SetPortSettings("LPT1:"), 0); }},
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
             EXPECT_NE(NetGetInfos(user.data(), computer.data()), 0);
             EXPECT_EQ(user.Text(), "labeller");
             EXPECT_EQ(computer.Text(), "LABELHOST");
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
                uint32_t size = 0;
                for (unsigned i = 0; i < sizings; ++i)
                    EnumLocalPorts(nullptr, &size);
                bool sizingFailed = Fired();
                // A failed sizing call adds nothing; the others add the whole list.
                uint32_t lists = sizingFailed ? sizings - 1 : sizings;
                EXPECT_EQ(size, lists * kDefaultPorts.size());
                HostBuffer list(size);
                EnumLocalPorts(list.data(), &size);
                if (Fired() && !sizingFailed) // the block could not be read: nothing written
                    EXPECT_TRUE(list.Untouched());
                else
                    EXPECT_EQ(list.Bytes(size), Repeated(kDefaultPorts, lists));
            }};
}

// ---- the two printer dialogs ----

// `whenFired` are the results a memory failure may lead to; a failure of a step
// the result does not depend on (the dialog's title, the driver's registration)
// leaves the result it would have had.
void ExpectDialogResult(int32_t result, std::set<int32_t> whenFired, int32_t otherwise) {
    whenFired.insert(otherwise);
    if (Fired())
        EXPECT_TRUE(whenFired.count(result)) << "result " << result;
    else
        EXPECT_EQ(result, otherwise);
}

int32_t ShellBrowse(int32_t maxLen, char* dst) {
    return GetNetBrowseDialog32b(0, maxLen, dst, "browser title", 0, "Pick a label printer", 0, 0,
                                 0);
}

// The shell dialog confirms `chosen` (or is cancelled); the path waits when
// maxLen leaves no room for it, and is then fetched.
Scenario ShellBrowser(const std::string& name, std::optional<sim::BrowseItem> chosen,
                      int32_t maxLen, bool destination) {
    std::string path = !chosen ? "" : chosen->hasPath ? chosen->path : chosen->displayName;
    int32_t length = static_cast<int32_t>(path.size());
    return {"GetNetBrowseDialog32b, " + name,
            [chosen] {
                PreselectPath = "C:\\before"; // replaced by every choice
                if (chosen)
                    sim::QueueBrowseChoice(*chosen);
                else
                    sim::QueueBrowseCancel();
            },
            [=] {
                // Without the path's string nothing is chosen; a dialog title that
                // could not be copied leaves the dialog untitled and changes nothing.
                HostBuffer dst(maxLen > 0 ? static_cast<size_t>(maxLen) : 0);
                int32_t sizing = ShellBrowse(maxLen, destination ? dst.data() : nullptr);
                if (!chosen) {
                    ExpectDialogResult(sizing, {KVX_DIALOG_NOTHING_CHOSEN},
                                       KVX_DIALOG_NOTHING_CHOSEN);
                } else if (maxLen > length) {
                    ExpectDialogResult(sizing, {KVX_DIALOG_NOTHING_CHOSEN},
                                       destination ? KVX_DIALOG_COPIED : KVX_DIALOG_NO_DESTINATION);
                } else {
                    ExpectDialogResult(sizing, {KVX_DIALOG_NOTHING_CHOSEN, KVX_DIALOG_NO_MEMORY},
                                       length + 1);
                }
                if (sizing == KVX_DIALOG_COPIED)
                    EXPECT_EQ(dst.Text(), path);
                else
                    EXPECT_TRUE(dst.Untouched());
                if (sizing > 0) {
                    EXPECT_EQ(ShellBrowse(0, nullptr), KVX_DIALOG_FETCH_NO_DESTINATION);
                    HostBuffer fetched(static_cast<size_t>(sizing));
                    int32_t fetch = ShellBrowse(0, fetched.data());
                    ExpectDialogResult(fetch, {KVX_DIALOG_FETCH_LOCK_FAILED}, KVX_DIALOG_COPIED);
                    if (fetch == KVX_DIALOG_COPIED)
                        EXPECT_EQ(fetched.Text(), path);
                    else
                        EXPECT_TRUE(fetched.Untouched());
                }
            }};
}

// The connect dialog picks the shared printer (or is cancelled).
Scenario ConnectDialog(const std::string& name, bool chosen, int32_t maxLen, bool destination,
                       bool infoRefused = false) {
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
            },
            [=] {
                // The driver's registration may fail unseen: the dialog goes on.
                HostBuffer dst(maxLen >= 0 ? static_cast<size_t>(maxLen) + 1 : 0);
                int32_t sizing =
                    GetNetBrowseDialogNT4(nullptr, maxLen, destination ? dst.data() : nullptr);
                if (!chosen)
                    ExpectDialogResult(sizing, {KVX_DIALOG_NOTHING_CHOSEN},
                                       KVX_DIALOG_NOTHING_CHOSEN);
                else if (infoRefused)
                    ExpectDialogResult(sizing, {KVX_DIALOG_NO_MEMORY, KVX_DIALOG_INFO_FAILED},
                                       KVX_DIALOG_INFO_FAILED);
                else if (maxLen >= kPrinterLength)
                    ExpectDialogResult(sizing, {KVX_DIALOG_NO_MEMORY},
                                       destination ? KVX_DIALOG_COPIED : KVX_DIALOG_NO_DESTINATION);
                else
                    ExpectDialogResult(sizing, {KVX_DIALOG_NO_MEMORY}, kPrinterLength);
                if (sizing == KVX_DIALOG_COPIED)
                    EXPECT_EQ(dst.Text(), kPrinter);
                else
                    EXPECT_TRUE(dst.Untouched());
                if (sizing > 0) {
                    EXPECT_EQ(GetNetBrowseDialogNT4(nullptr, 0, nullptr),
                              KVX_DIALOG_FETCH_NO_DESTINATION);
                    HostBuffer fetched(static_cast<size_t>(sizing) + 1);
                    int32_t fetch = GetNetBrowseDialogNT4(nullptr, 0, fetched.data());
                    ExpectDialogResult(fetch, {KVX_DIALOG_FETCH_LOCK_FAILED}, KVX_DIALOG_COPIED);
                    if (fetch == KVX_DIALOG_COPIED)
                        EXPECT_EQ(fetched.Text(), kPrinter);
                    else
                        EXPECT_TRUE(fetched.Untouched());
                }
            }};
}

std::vector<Scenario> DialogScenarios() {
    sim::BrowseItem share{"Thermal", kPrinter, true};
    sim::BrowseItem printer{"Thermal on LABELSRV", "", false}; // no file-system path
    return {
        ShellBrowser("copied at once", share, 100, true),
        ShellBrowser("too long, then fetched", share, 0, true),
        ShellBrowser("fits, no destination", share, 100, false),
        ShellBrowser("printer outside the file system", printer, 100, true),
        ShellBrowser("cancelled", std::nullopt, 100, true),
        ConnectDialog("copied at once", true, 100, true),
        ConnectDialog("too long, then fetched", true, 4, true),
        ConnectDialog("fits, no destination", true, 100, false),
        ConnectDialog("a negative maximum, then fetched", true, -1, true),
        ConnectDialog("cancelled", false, 100, true),
        ConnectDialog("information refused", true, 100, true, true),
    };
}

// ---- GetPortsSelect ----

const Records kProviders = {{kKvx, kKvx, 6}, {"Other Network", "Other Network", 6}};
const Records kDomains = {{kKvx, "SALES", 1}, {kKvx, "CORP", 1}};
const Records kServers = {
    {kKvx, "\\\\PRN01", 2}, {kKvx, "No Remote", 2}, {"No Provider", "\\\\ORPHAN", 2}};
const Records kShares = {{kKvx, "\\\\PRN01\\Laser", 3}, {kKvx, kShare, 3}};

HostStrings g_hostStrings;

// A fault may leave the fetch call without a pending list: it then lists afresh
// and keeps that list for the next call with a buffer, which the host makes.
void DrainNetList() {
    if (!g_netListSlot.Pending())
        return;
    EXPECT_TRUE(Fired()) << "a list left pending";
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
                EXPECT_TRUE(g_netListSlot.Pending() || Fired());
                HostBuffer list(size);
                GetPortsSelect(list.data(), &size, providerText, pathText);
                if (!Fired()) {
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
                EXPECT_TRUE(g_netListSlot.Pending() || Fired());
                GetPortsSelect(second.data(), &size, provider, nullptr);
                std::string bytes = NetRecordBytes(kDomains);
                if (!Fired()) {
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

// The user opens the tree along `labels` (from the root), selects the last item
// and confirms. Each level shown holds some of `levels` (all of them when no
// fault fired).
Scenario BrowseTree(const std::string& name, const Strings& labels,
                    const std::vector<Strings>& levels, const std::string& printer) {
    return {"Browse Network dialog, " + name, [] { browse_test::InstallBrowseResources(); },
            [=] {
                BrowseNetworkDialog dialog;
                bool reached = false;
                sim::SetDialogDriver([&](HWND window) {
                    HWND tree = GetDlgItem(window, IDC_TREE);
                    HTREEITEM item = nullptr; // the root, then the item opened last
                    for (size_t depth = 0; depth < labels.size(); ++depth) {
                        if (depth > 0)
                            sim::ClickExpandButton(tree, item);
                        std::vector<browse_test::ItemView> children =
                            browse_test::ChildrenOf(tree, item);
                        Strings shown = browse_test::Labels(children);
                        const Strings& listed = levels[depth];
                        for (const std::string& label : shown)
                            EXPECT_TRUE(std::count(listed.begin(), listed.end(), label) ||
                                        label == BrowseNetworkDialog::kReservedLabel)
                                << "not on the network: " << label;
                        if (!Fired()) {
                            EXPECT_EQ(shown, listed);
                        }
                        item = nullptr;
                        for (const browse_test::ItemView& child : children)
                            if (item == nullptr && child.text == labels[depth])
                                item = child.item;
                        if (item == nullptr)
                            return; // closed as by the Escape key
                    }
                    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
                    reached = true;
                    sim::ClickButton(window, IDOK);
                });
                INT_PTR result = dialog.DoModal();
                if (!Fired()) {
                    EXPECT_EQ(result, IDOK);
                    EXPECT_TRUE(reached);
                    EXPECT_EQ(std::string(dialog.PrinterName()), printer);
                } else {
                    EXPECT_TRUE(result == IDOK || result == IDCANCEL || result == -1) << result;
                    std::string chosen = dialog.PrinterName().c_str();
                    EXPECT_TRUE(chosen.empty() || chosen == printer) << chosen;
                }
                EXPECT_EQ(dialog.Nodes().Count(), 0u);
            }};
}

std::vector<Scenario> TreeScenarios() {
    const Strings root = {kKvx, "Other Network"};
    const Strings domains = {"CORP", "SALES"};
    const std::string reserved = BrowseNetworkDialog::kReservedLabel;
    Scenario noNetwork = BrowseTree("no network", {reserved}, {{reserved}}, "");
    noNetwork.arrange = [] {
        sim::Reset();
        browse_test::InstallBrowseResources();
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
    };
}

TEST(FaultSweep, EveryMemoryFailureOfEveryExportEndsInADocumentedResultWithNothingHeld) {
    std::vector<Scenario> scenarios;
    for (auto part : {MachineScenarios, DialogScenarios, NetListScenarios, TreeScenarios})
        for (Scenario& scenario : part())
            scenarios.push_back(std::move(scenario));
    scenarios.push_back(LocalPorts(1));
    scenarios.push_back(LocalPorts(2));

    unsigned total = 0;
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        unsigned points = SweepMemoryFaults(
            [&] {
                scenario.run();
                ExpectNothingHeld();
            },
            [](bool) {},
            [&] {
                sim::Reset();
                std::string error;
                ASSERT_TRUE(sim::LoadNetworkTree(kNetwork, &error)) << error;
                scenario.arrange();
            });
        std::printf("  %-70s %4u failure points\n", scenario.name.c_str(), points);
        total += points;
    }
    PreselectPath = CSharedString();
    g_hostStrings.FreeAll();
    std::printf("fault sweep: %zu scenarios, %u failure points\n", scenarios.size(), total);
    RecordProperty("scenarios", static_cast<int>(scenarios.size()));
    RecordProperty("failure_points", static_cast<int>(total));
}

} // namespace
