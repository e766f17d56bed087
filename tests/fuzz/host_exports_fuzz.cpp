// Fuzz target: the exports that take the host's names, buffers and sizes, called
// in random order over a random machine (release, ports, printers, names the
// system reports, the user's answers in the two dialogs), with memory failures.
// The two-call exports are driven with sizes of every kind: the one reported,
// random ones, none, and fetches interleaved with other calls.
//
// Every host buffer is allocated at exactly the size the host would give, so the
// sanitizers stop any write past it, and is filled with a pattern so that bytes
// the export must not write can be checked. After every call: no printer handle,
// lock, item list or allocator reference is left; at the end, once the pending
// results are taken, no global or heap block is left.
#include "frame/handoff.h"
#include "frame/module_state.h"
#include "printer_browser/shell_library.h"

#include "fuzz_input.h"

#include <kvx32.h>
#include <sim_control.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using fuzz::Input;

constexpr char kUnwritten = '\xA5';

// A buffer of exactly the host's size, filled with kUnwritten.
class HostBuffer {
public:
    explicit HostBuffer(size_t size) : size_(size), bytes_(new char[size]) {
        std::memset(bytes_.get(), kUnwritten, size);
    }
    char* data() { return bytes_.get(); }
    size_t size() const { return size_; }
    // Whether no byte from `from` on was written.
    bool UntouchedFrom(size_t from) const {
        for (size_t i = from; i < size_; ++i)
            if (bytes_[i] != kUnwritten)
                return false;
        return true;
    }
    // Whether the text starting at the beginning ends within the buffer.
    bool Terminated() const { return std::memchr(bytes_.get(), '\0', size_) != nullptr; }

private:
    size_t size_;
    std::unique_ptr<char[]> bytes_;
};

// A name the host or the system might pass: from the list, raw bytes without a
// NUL, or a long run.
std::string HostText(Input& in) {
    switch (in.Below(4)) {
    case 0: {
        std::string bytes = in.Bytes(40);
        std::replace(bytes.begin(), bytes.end(), '\0', '\\');
        return bytes;
    }
    case 1:
        return std::string(in.Wide(1200), static_cast<char>('0' + in.Below(40)));
    default:
        return fuzz::kNames[in.Below(sizeof fuzz::kNames / sizeof fuzz::kNames[0])];
    }
}

const char* const kReleases[] = {"nt40", "nt351", "win95", "win98", "win2k", "win31"};

std::string SpoolerDriverDirectory() {
    sim::OutsideLibrary host; // the harness's own question
    char directory[2048] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(directory),
                                    sizeof directory, &needed))
        return {};
    return directory;
}

struct Machine {
    int platform = KVX_PLATFORM_OTHER;
    std::vector<std::string> ports;
};

Machine BuildMachine(Input& in) {
    Machine machine;
    sim::SetWindowsVersion(kReleases[in.Below(6)]);
    int16_t code = 0, major = 0, minor = 0, id = 0;
    GetPlatformFrom32(&code, &major, &minor, &id);
    machine.platform = code;

    if (in.Chance(3)) {
        for (const char* environment : {"Windows NT x86", "Windows 4.0"})
            sim::SetDriverDirectory(environment, "C:\\" + std::string(in.Wide(900), 'D'));
    }
    if (in.Chance(1))
        sim::FailCalls("GetPrinterDriverDirectoryA", ERROR_INVALID_ENVIRONMENT);
    if (!in.Chance(1)) { // the driver's files in place
        std::string directory = SpoolerDriverDirectory();
        kvx_driver_files files = kvx_driver_files_for(machine.platform);
        for (const char* file : {files.driver_file, files.data_file, files.config_file})
            sim::AddFile(directory + file);
    }

    if (in.Chance(4)) {
        for (unsigned count = in.Below(40); count > 0; --count)
            machine.ports.push_back(HostText(in));
        sim::SetPorts(machine.ports);
    } else {
        machine.ports = sim::Ports();
    }
    for (unsigned printers = in.Below(4); printers > 0; --printers) {
        sim::Printer printer;
        printer.name = HostText(in);
        printer.port = "LPT1:";
        printer.driver = in.Chance(4) ? "Printer KVX 5.0" : HostText(in);
        sim::AddPrinter(printer);
    }
    if (in.Chance(1))
        sim::AddDriver({"Windows NT x86", "Printer KVX 5.0", 2, "C:\\" + HostText(in),
                        "C:\\x\\" + HostText(in) + "." + HostText(in), "C:\\UI.DLL"});
    const char* const calls[] = {"AddPrinterA", "OpenPrinterA", "GetPrinterA", "GetPrinterDriverA",
                                 "EnumPortsA"};
    for (unsigned faults = in.Below(3); faults > 0; --faults) {
        const char* call = calls[in.Below(5)];
        if (in.Chance(4))
            sim::FailCalls(call, ERROR_ACCESS_DENIED);
    }
    sim::SetPortDialogOutcome(in.Chance(4) ? 0 : ERROR_CANCELLED);

    sim::SetUserName(HostText(in));
    sim::SetComputerName(HostText(in));
    if (in.Chance(1))
        sim::FailCalls("GetUserNameA", ERROR_ACCESS_DENIED);
    if (in.Chance(1))
        sim::FailCalls("GetComputerNameA", ERROR_NOT_ENOUGH_MEMORY);
    if (in.Chance(1))
        sim::FailCalls("SHGetMalloc", static_cast<DWORD>(E_FAIL));
    if (in.Chance(1))
        sim::FailCalls("SHGetSpecialFolderLocation", static_cast<DWORD>(E_FAIL));
    return machine;
}

// Printer names are compared as the spooler does, without regard to case: the
// connect dialog answers with the name the spooler keeps, not as the user typed it.
bool SameNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

bool IsDialogCode(int32_t result) {
    return result == KVX_DIALOG_COPIED || result == KVX_DIALOG_INFO_FAILED ||
           result == KVX_DIALOG_NO_DESTINATION || result == KVX_DIALOG_NO_MEMORY ||
           result == KVX_DIALOG_NOTHING_CHOSEN;
}
bool IsFetchCode(int32_t result) {
    return result == KVX_DIALOG_COPIED || result == KVX_DIALOG_FETCH_NO_DESTINATION ||
           result == KVX_DIALOG_FETCH_LOCK_FAILED || result == KVX_DIALOG_NOTHING_CHOSEN;
}

// The host's side of the session: what the two-call exports reported, and the
// user's answers queued for dialogs that have not opened yet.
class Host {
public:
    Host(Input& in, Machine machine) : in_(in), machine_(std::move(machine)) {}

    void Call() {
        switch (in_.Below(10)) {
        case 0:
            InstallPrinter();
            break;
        case 1:
            PortSettings();
            break;
        case 2:
            DriverName();
            break;
        case 3:
            DriverDirectory();
            break;
        case 4:
            MachineNames();
            break;
        case 5:
        case 6:
            LocalPorts();
            break;
        case 7:
            ShellDialog();
            break;
        case 8:
            ConnectDialog();
            break;
        default:
            if (in_.Chance(4)) {
                int32_t installed = InstallThermalPrinterDriver();
                FUZZ_CHECK(installed == 0 || installed == 1);
            } else {
                DesInstallThermalPrinterDriver();
            }
        }
    }

private:
    // The port names a host passes: null, any text, or a port of the machine.
    std::optional<std::string> PortName() {
        if (in_.Chance(1))
            return std::nullopt;
        if (in_.Chance(4) && !machine_.ports.empty())
            return machine_.ports[in_.Below(static_cast<unsigned>(machine_.ports.size()))];
        return HostText(in_);
    }

    std::string PrinterNameFor(const std::string& port) const {
        if (machine_.platform == KVX_PLATFORM_NT3)
            return "KVX " + port;
        if (machine_.platform == KVX_PLATFORM_NT4)
            return "KVX_50 " + port;
        std::string name = "KVX_50 " + port;
        std::replace(name.begin(), name.end(), '\\', '/');
        return name.substr(0, 31);
    }

    void InstallPrinter() {
        std::optional<std::string> port = PortName();
        size_t printers = sim::Printers().size();
        int32_t result = InstallThermalPrinter(port ? port->c_str() : nullptr);
        FUZZ_CHECK(result == 0 || result == 1);
        if (result == 1) {
            FUZZ_CHECK(port.has_value());
            std::vector<sim::Printer> now = sim::Printers();
            FUZZ_CHECK(now.size() == printers + 1);
            FUZZ_CHECK(now.back().name == PrinterNameFor(*port) && now.back().port == *port);
        }
    }

    void PortSettings() {
        std::optional<std::string> port = PortName();
        size_t calls = sim::PortConfigurations().size();
        int32_t result = SetPortSettings(port ? port->c_str() : nullptr);
        std::vector<sim::PortConfiguration> made = sim::PortConfigurations();
        FUZZ_CHECK(made.size() == calls + 1);
        FUZZ_CHECK(made.back().localServer && made.back().portGiven == port.has_value());
        if (port)
            FUZZ_CHECK(made.back().port == *port);
        if (result != 0)
            FUZZ_CHECK(port && std::find(machine_.ports.begin(), machine_.ports.end(), *port) !=
                                   machine_.ports.end());
    }

    void DriverName() {
        std::string printer = HostText(in_);
        std::vector<sim::Printer> printers = sim::Printers();
        if (in_.Chance(5) && !printers.empty())
            printer = printers[in_.Below(static_cast<unsigned>(printers.size()))].name;
        uint32_t capacity = in_.Chance(1) ? in_.Below(3) : in_.Wide(1400);
        HostBuffer name(capacity);
        bool given = !in_.Chance(1);
        int32_t result = GetPrinterDriverName(in_.Chance(1) ? nullptr : printer.c_str(),
                                              given ? name.data() : nullptr, capacity);
        if (!given || capacity == 0) {
            FUZZ_CHECK(name.UntouchedFrom(0));
            return;
        }
        FUZZ_CHECK(name.Terminated());
        if (result == 0)
            FUZZ_CHECK(name.data()[0] == '\0' && name.UntouchedFrom(1));
    }

    void DriverDirectory() {
        uint32_t capacity = in_.Chance(1) ? in_.Below(3) : in_.Wide(1400);
        HostBuffer buffer(capacity);
        uint32_t length = capacity;
        uint32_t* lengthPointer = in_.Chance(1) ? nullptr : &length;
        bool lengthGiven = !in_.Chance(1);
        bool bufferGiven = !in_.Chance(1);
        uint32_t result = GetPrinterDriverDir(bufferGiven ? buffer.data() : nullptr,
                                              lengthGiven ? &lengthPointer : nullptr);
        if (!lengthGiven || lengthPointer == nullptr || !bufferGiven) {
            FUZZ_CHECK(result == 0 && buffer.UntouchedFrom(0));
            return;
        }
        if (result != 0) {
            FUZZ_CHECK(result <= capacity && length == capacity);
            FUZZ_CHECK(std::strlen(buffer.data()) + 1 == result && buffer.UntouchedFrom(result));
            return;
        }
        if (capacity > 0)
            FUZZ_CHECK(buffer.data()[0] == '\0' && buffer.UntouchedFrom(1));
        FUZZ_CHECK(length >= capacity || length == 0); // too long, or no directory
    }

    void MachineNames() {
        HostBuffer user(KVX_USER_NAME_SIZE);
        HostBuffer computer(KVX_COMPUTER_NAME_SIZE);
        bool userGiven = !in_.Chance(1), computerGiven = !in_.Chance(1);
        int32_t result = NetGetInfos(userGiven ? user.data() : nullptr,
                                     computerGiven ? computer.data() : nullptr);
        if (!computerGiven)
            FUZZ_CHECK(result == 0 && computer.UntouchedFrom(0));
        if (result != 0)
            FUZZ_CHECK(computer.Terminated());
        if (!userGiven)
            FUZZ_CHECK(user.UntouchedFrom(0));
    }

    // The names EnumLocalPorts lists: each non-empty port with its terminator.
    std::string ListedPorts() const {
        std::string listed;
        for (const std::string& port : machine_.ports)
            if (!port.empty())
                listed += port + '\0';
        return listed;
    }

    void LocalPorts() {
        bool pending = g_portsSlot.Pending();
        SIZE_T blockSize = 0;
        if (pending) { // look at the pending block, as only a test can
            HandoffBlock block = g_portsSlot.Take();
            blockSize = block.Size();
            g_portsSlot.Keep(std::move(block));
        }
        if (in_.Chance(3)) { // sizing
            uint32_t size = in_.Chance(6) ? 0 : in_.Wide(3000);
            uint32_t start = size;
            EnumLocalPorts(nullptr, in_.Chance(1) ? nullptr : &size);
            FUZZ_CHECK(size >= start);
            portsReported_ = 0;
            if (!pending && start == 0 && !sim::FaultFired() && g_portsSlot.Pending()) {
                FUZZ_CHECK(size == ListedPorts().size());
                portsReported_ = size;
            }
            return;
        }
        uint32_t capacity = in_.Chance(4) && portsReported_ != 0 ? portsReported_ : in_.Wide(3000);
        HostBuffer list(capacity);
        uint32_t size = capacity;
        EnumLocalPorts(list.data(), in_.Chance(1) ? nullptr : &size);
        if (!pending || g_portsSlot.Pending()) { // nothing was fetched
            FUZZ_CHECK(list.UntouchedFrom(0));
            return;
        }
        FUZZ_CHECK(list.UntouchedFrom(std::min<size_t>(capacity, blockSize)));
        if (portsReported_ != 0 && capacity == portsReported_ && !sim::FaultFired())
            FUZZ_CHECK(std::string(list.data(), capacity) == ListedPorts());
        portsReported_ = 0;
    }

    int32_t MaxLength() {
        switch (in_.Below(8)) {
        case 0:
            return in_.Chance(4) ? INT_MIN : -static_cast<int32_t>(in_.Below(5));
        case 1:
            return static_cast<int32_t>(0x10000 + in_.Below(300)); // only the low 16 bits count
        default:
            return static_cast<int32_t>(in_.Wide(500));
        }
    }

    // The shell's folder-browse dialog: a path (the shell gives at most
    // MAX_PATH - 1 characters), an item outside the file system, or a cancel.
    void ShellDialog() {
        if (shellAnswers_.size() < 2) {
            if (in_.Chance(5)) {
                sim::BrowseItem item;
                item.path = HostText(in_).substr(0, MAX_PATH - 1);
                item.displayName = HostText(in_);
                item.hasPath = !in_.Chance(1);
                sim::QueueBrowseChoice(item);
                shellAnswers_.push_back(item.hasPath ? item.path : "");
            } else {
                sim::QueueBrowseCancel();
                shellAnswers_.push_back(std::nullopt);
            }
        }
        int32_t maxLength = MaxLength();
        std::string title = HostText(in_), dialogTitle = HostText(in_);
        if (g_printerBrowserSlot.Pending()) {
            FetchCall(shellReported_, shellChosen_, [&](char* destination) {
                return GetNetBrowseDialog32b(0, maxLength, destination, title.c_str(), 0,
                                             dialogTitle.c_str(), 0, 0, 0);
            });
            return;
        }
        size_t room = maxLength > 0 ? static_cast<size_t>(maxLength) : 0;
        HostBuffer destination(room);
        bool given = !in_.Chance(1);
        size_t dialogs = sim::BrowseDialogs().size();
        int32_t result =
            GetNetBrowseDialog32b(0, maxLength, given ? destination.data() : nullptr,
                                  in_.Chance(1) ? nullptr : title.c_str(), 0,
                                  in_.Chance(1) ? nullptr : dialogTitle.c_str(), 0, 0, 0);
        std::optional<std::string> answer;
        if (sim::BrowseDialogs().size() > dialogs) {
            answer = shellAnswers_.front();
            shellAnswers_.pop_front();
        }
        if (result > 0) { // waits: the path and its terminator did not fit
            FUZZ_CHECK(g_printerBrowserSlot.Pending() && result >= maxLength);
            FUZZ_CHECK(destination.UntouchedFrom(0));
            if (answer && answer->size() == static_cast<size_t>(result) - 1) // the item had a path
                shellChosen_ = *answer;
            else
                shellChosen_.reset();
            shellReported_ = static_cast<size_t>(result);
            return;
        }
        FUZZ_CHECK(IsDialogCode(result) && !g_printerBrowserSlot.Pending());
        if (result == KVX_DIALOG_COPIED) {
            size_t length = std::strlen(destination.data());
            FUZZ_CHECK(length + 1 <= room && destination.UntouchedFrom(length + 1));
            if (answer && !answer->empty())
                FUZZ_CHECK(destination.data() == *answer);
        } else {
            FUZZ_CHECK(destination.UntouchedFrom(0));
        }
    }

    // The system's connect-to-printer dialog: a printer of the spooler, a name it
    // does not know, or a cancel.
    void ConnectDialog() {
        if (connectAnswers_.size() < 2) {
            if (in_.Chance(5)) {
                std::string name = HostText(in_);
                if (in_.Chance(6)) {
                    sim::Printer printer;
                    printer.name = name;
                    printer.port = "LPT1:";
                    printer.driver = "Printer KVX 5.0";
                    sim::AddPrinter(printer);
                }
                sim::QueueConnectChoice(name);
                connectAnswers_.push_back(name);
            } else {
                sim::QueueConnectCancel();
                connectAnswers_.push_back(std::nullopt);
            }
        }
        int32_t maxLength = MaxLength();
        if (g_connectDialogSlot.Pending()) {
            // The sizes of this dialog count the name without its terminator.
            FetchCall(connectReported_ + 1, connectChosen_, [&](char* destination) {
                return GetNetBrowseDialogNT4(nullptr, maxLength, destination);
            });
            return;
        }
        size_t room = (maxLength > 0 ? static_cast<uint32_t>(maxLength) & 0xFFFFu : 0) + 1;
        HostBuffer destination(room);
        bool given = !in_.Chance(1);
        size_t dialogs = sim::ConnectDialogs().size();
        int32_t result =
            GetNetBrowseDialogNT4(nullptr, maxLength, given ? destination.data() : nullptr);
        std::optional<std::string> answer;
        if (sim::ConnectDialogs().size() > dialogs) {
            answer = connectAnswers_.front();
            connectAnswers_.pop_front();
        }
        if (result > 0) {
            FUZZ_CHECK(g_connectDialogSlot.Pending() && static_cast<size_t>(result) >= room);
            FUZZ_CHECK(destination.UntouchedFrom(0) && answer);
            FUZZ_CHECK(answer->size() == static_cast<size_t>(result));
            connectChosen_ = answer;
            connectReported_ = static_cast<size_t>(result);
            return;
        }
        FUZZ_CHECK(IsDialogCode(result) && !g_connectDialogSlot.Pending());
        if (result == KVX_DIALOG_COPIED) {
            FUZZ_CHECK(answer && SameNoCase(destination.data(), *answer));
            FUZZ_CHECK(destination.UntouchedFrom(answer->size() + 1));
        } else {
            FUZZ_CHECK(destination.UntouchedFrom(0));
        }
    }

    // A fetch call of a dialog export, with a destination of the size the
    // sizing call reported (or none): the pending text and its terminator, no more.
    template <typename Fetch>
    void FetchCall(size_t reported, const std::optional<std::string>& chosen, Fetch fetch) {
        HostBuffer destination(reported);
        bool given = !in_.Chance(1);
        int32_t result = fetch(given ? destination.data() : nullptr);
        FUZZ_CHECK(IsFetchCode(result));
        if (result == KVX_DIALOG_FETCH_NO_DESTINATION) {
            FUZZ_CHECK(!given);
            return;
        }
        FUZZ_CHECK(given);
        if (result == KVX_DIALOG_COPIED) {
            FUZZ_CHECK(std::strlen(destination.data()) + 1 == reported);
            if (chosen)
                FUZZ_CHECK(SameNoCase(destination.data(), *chosen));
        } else {
            FUZZ_CHECK(destination.UntouchedFrom(0));
        }
    }

    Input& in_;
    Machine machine_;
    uint32_t portsReported_ = 0;
    std::deque<std::optional<std::string>> shellAnswers_, connectAnswers_;
    size_t shellReported_ = 0, connectReported_ = 0;
    std::optional<std::string> shellChosen_, connectChosen_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    sim::Reset();
    PreselectPath = CSharedString(); // the shell dialog's last choice, from an earlier input
    g_shellLibrary = ShellLibrary(); // the shell's module, kept by an earlier input's machine
    Machine machine = BuildMachine(in);
    size_t globalBlocks = sim::LiveGlobalBlocks();
    size_t heapBlocks = sim::LiveHeapBlocks();

    Host host(in, machine);
    for (unsigned calls = 1 + in.Below(12); calls > 0 && !in.Exhausted(); --calls) {
        if (in.Chance(1))
            sim::FailNth(sim::Fault::AnyMemory, 1 + in.Below(24));
        host.Call();
        sim::ClearFaults();
        FUZZ_CHECK(sim::OpenPrinterHandles() == 0);
        FUZZ_CHECK(sim::LockedGlobalBlocks() == 0);
        FUZZ_CHECK(sim::LiveItemLists() == 0);
        FUZZ_CHECK(sim::ShellAllocatorReferences() == 0);
        FUZZ_CHECK(sim::ShellMisuses() == 0);
    }
    for (HandoffSlot* slot : {&g_portsSlot, &g_printerBrowserSlot, &g_connectDialogSlot})
        slot->Take();
    PreselectPath = CSharedString();
    FUZZ_CHECK(sim::LiveGlobalBlocks() == globalBlocks);
    FUZZ_CHECK(sim::LiveHeapBlocks() == heapBlocks);
    return 0;
}
