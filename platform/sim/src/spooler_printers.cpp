// The spooler's printer side: the printer table, printer handles, and the printer
// and driver information behind a handle.
#include "sim_internal.h"

#include <algorithm>
#include <map>

namespace {

// Printer names the spooler refuses: empty, too long, or holding a character
// that separates names in its own lists.
constexpr size_t kMaxPrinterName = 220;

struct Entry {
    sim::Printer printer;
    bool pendingDeletion = false; // deleted, kept until its last handle closes
};

std::map<unsigned, Entry> g_printers; // by id, in the order they were added
unsigned g_nextPrinter = 1;

constexpr unsigned kServer = 0;       // a handle on the local print server, not on a printer
std::map<HANDLE, unsigned> g_handles; // open handle -> printer id or kServer
uintptr_t g_nextHandle = 0x1000;

std::vector<sim::Printer> g_requests;

const char* const kDatatypes[] = {"RAW", "TEXT", "NT EMF 1.008"};

using sim::detail::EqualNoCase;

bool Present(LPCSTR text) {
    return text != nullptr && *text != '\0';
}

std::string Text(LPCSTR text) {
    return text != nullptr ? text : "";
}

Entry* FindPrinter(const std::string& name) {
    for (auto& [id, entry] : g_printers)
        if (!entry.pendingDeletion && EqualNoCase(entry.printer.name, name))
            return &entry;
    return nullptr;
}

HANDLE OpenHandle(unsigned printer) {
    HANDLE handle = reinterpret_cast<HANDLE>(g_nextHandle);
    g_nextHandle += 4;
    g_handles[handle] = printer;
    return handle;
}

// The printer behind a handle; null (with ERROR_INVALID_HANDLE) for an unknown
// handle or one on the print server.
Entry* PrinterOf(HANDLE handle) {
    auto it = g_handles.find(handle);
    if (it == g_handles.end() || it->second == kServer) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return &g_printers.at(it->second);
}

bool ValidPrinterName(LPCSTR name) {
    return Present(name) && std::strlen(name) <= kMaxPrinterName &&
           std::strpbrk(name, ",\\") == nullptr;
}

// The reason AddPrinterA refuses the record, in the order Windows checks; 0 to accept.
DWORD Refusal(const PRINTER_INFO_2A& info) {
    if (!ValidPrinterName(info.pPrinterName))
        return ERROR_INVALID_PRINTER_NAME;
    if (FindPrinter(info.pPrinterName) != nullptr)
        return ERROR_PRINTER_ALREADY_EXISTS;
    if (Present(info.pPrintProcessor) && !EqualNoCase(info.pPrintProcessor, "winprint"))
        return ERROR_UNKNOWN_PRINTPROCESSOR;
    if (Present(info.pDatatype) &&
        std::none_of(std::begin(kDatatypes), std::end(kDatatypes),
                     [&](const char* known) { return EqualNoCase(known, info.pDatatype); }))
        return ERROR_INVALID_DATATYPE;
    if (info.pPortName == nullptr || !sim::detail::PortExists(info.pPortName))
        return ERROR_UNKNOWN_PORT;
    std::string environment = sim::detail::RunningEnvironment();
    auto drivers = sim::Drivers();
    bool installed =
        info.pDriverName != nullptr &&
        std::any_of(drivers.begin(), drivers.end(), [&](const sim::Driver& d) {
            return d.environment == environment && EqualNoCase(d.name, info.pDriverName);
        });
    return installed ? 0 : ERROR_UNKNOWN_PRINTER_DRIVER;
}

sim::Printer FromInfo(const PRINTER_INFO_2A& info) {
    sim::Printer printer;
    printer.name = Text(info.pPrinterName);
    printer.port = Text(info.pPortName);
    printer.driver = Text(info.pDriverName);
    if (Present(info.pPrintProcessor))
        printer.printProcessor = info.pPrintProcessor;
    if (Present(info.pDatatype))
        printer.datatype = info.pDatatype;
    printer.shareName = Text(info.pShareName);
    printer.comment = Text(info.pComment);
    printer.location = Text(info.pLocation);
    printer.sepFile = Text(info.pSepFile);
    printer.parameters = Text(info.pParameters);
    printer.attributes = info.Attributes;
    printer.priority = info.Priority;
    printer.defaultPriority = info.DefaultPriority;
    printer.startTime = info.StartTime;
    printer.untilTime = info.UntilTime;
    printer.devMode = info.pDevMode != nullptr;
    printer.securityDescriptor = info.pSecurityDescriptor != nullptr;
    return printer;
}

size_t PrinterInfo2Size(const sim::Printer& p) {
    size_t strings = 0;
    for (const std::string* text :
         {&p.name, &p.shareName, &p.port, &p.driver, &p.comment, &p.location, &p.sepFile,
          &p.printProcessor, &p.datatype, &p.parameters})
        strings += text->size() + 1;
    return sizeof(PRINTER_INFO_2A) + strings;
}

void FillPrinterInfo2(const Entry& entry, PRINTER_INFO_2A* record,
                      sim::detail::StringArea& strings) {
    const sim::Printer& p = entry.printer;
    *record = PRINTER_INFO_2A{};
    record->pPrinterName = strings.Place(p.name);
    record->pShareName = strings.Place(p.shareName);
    record->pPortName = strings.Place(p.port);
    record->pDriverName = strings.Place(p.driver);
    record->pComment = strings.Place(p.comment);
    record->pLocation = strings.Place(p.location);
    record->pSepFile = strings.Place(p.sepFile);
    record->pPrintProcessor = strings.Place(p.printProcessor);
    record->pDatatype = strings.Place(p.datatype);
    record->pParameters = strings.Place(p.parameters);
    record->Attributes = p.attributes;
    record->Priority = p.priority;
    record->DefaultPriority = p.defaultPriority;
    record->StartTime = p.startTime;
    record->UntilTime = p.untilTime;
    record->Status = entry.pendingDeletion ? PRINTER_STATUS_PENDING_DELETION : 0;
}

size_t PrinterInfo4Size(const sim::Printer& p) {
    return sizeof(PRINTER_INFO_4A) + p.name.size() + 1;
}

void FillPrinterInfo4(const Entry& entry, PRINTER_INFO_4A* record,
                      sim::detail::StringArea& strings) {
    *record = PRINTER_INFO_4A{};
    record->pPrinterName = strings.Place(entry.printer.name);
    record->Attributes = entry.printer.attributes;
}

// The needed-size protocol every query shares: report the size, refuse a
// buffer that is too small or missing.

} // namespace

namespace sim {

namespace detail {

void ResetPrinters() {
    g_printers.clear();
    g_handles.clear();
    g_requests.clear();
}

bool PrinterUsesDriver(const std::string& driverName) {
    return std::any_of(g_printers.begin(), g_printers.end(), [&](auto& item) {
        return EqualNoCase(item.second.printer.driver, driverName);
    });
}

} // namespace detail

std::vector<Printer> Printers() {
    std::vector<Printer> listed;
    for (auto& [id, entry] : g_printers)
        if (!entry.pendingDeletion)
            listed.push_back(entry.printer);
    return listed;
}

void AddPrinter(const Printer& printer) {
    g_printers[g_nextPrinter++].printer = printer;
}

std::vector<Printer> PrinterRequests() {
    return g_requests;
}

size_t OpenPrinterHandles() {
    return g_handles.size();
}

} // namespace sim

using sim::detail::PlatformCall;

HANDLE AddPrinterA(LPSTR server, DWORD level, LPBYTE printerInfo) {
    PlatformCall call("AddPrinterA");
    if (call.Fails())
        return nullptr;
    if (Present(server)) {
        SetLastError(ERROR_INVALID_NAME); // the simulated machine has no remote servers
        return nullptr;
    }
    if (level != 2) {
        SetLastError(ERROR_INVALID_LEVEL);
        return nullptr;
    }
    if (printerInfo == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const auto& info = *reinterpret_cast<const PRINTER_INFO_2A*>(printerInfo);
    g_requests.push_back(FromInfo(info));
    if (DWORD error = Refusal(info)) {
        SetLastError(error);
        return nullptr;
    }
    unsigned id = g_nextPrinter++;
    g_printers[id].printer = g_requests.back();
    return OpenHandle(id); // the new printer comes with an open handle
}

BOOL OpenPrinterA(LPSTR printerName, LPHANDLE printer, LPPRINTER_DEFAULTSA) {
    PlatformCall call("OpenPrinterA");
    if (call.Fails())
        return FALSE;
    if (printer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!Present(printerName)) {
        *printer = OpenHandle(kServer); // no name: the local print server
        return TRUE;
    }
    for (auto& [id, entry] : g_printers) {
        if (!entry.pendingDeletion && EqualNoCase(entry.printer.name, printerName)) {
            *printer = OpenHandle(id);
            return TRUE;
        }
    }
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return FALSE;
}

BOOL ClosePrinter(HANDLE printer) {
    PlatformCall call("ClosePrinter");
    if (call.Fails())
        return FALSE; // the handle stays open
    auto it = g_handles.find(printer);
    if (it == g_handles.end()) {
        SetLastError(ERROR_INVALID_HANDLE); // the null handle too
        return FALSE;
    }
    unsigned id = it->second;
    g_handles.erase(it);
    bool stillOpen = std::any_of(g_handles.begin(), g_handles.end(),
                                 [id](auto& item) { return item.second == id; });
    auto entry = g_printers.find(id);
    if (!stillOpen && entry != g_printers.end() && entry->second.pendingDeletion)
        g_printers.erase(entry);
    return TRUE;
}

BOOL DeletePrinter(HANDLE printer) {
    Entry* entry = PrinterOf(printer);
    if (entry == nullptr)
        return FALSE;
    entry->pendingDeletion = true; // gone from the list; freed when its last handle closes
    return TRUE;
}

BOOL GetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD bufferSize, LPDWORD needed) {
    PlatformCall call("GetPrinterA");
    if (call.Fails())
        return FALSE;
    Entry* entry = PrinterOf(printer);
    if (entry == nullptr)
        return FALSE;
    if (level != 2) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if (needed == nullptr) {
        SetLastError(RPC_X_NULL_REF_POINTER);
        return FALSE;
    }
    if (!sim::detail::Fits(PrinterInfo2Size(entry->printer), buffer, bufferSize, needed))
        return FALSE;
    sim::detail::StringArea strings(buffer, bufferSize);
    FillPrinterInfo2(*entry, reinterpret_cast<PRINTER_INFO_2A*>(buffer), strings);
    return TRUE;
}

BOOL GetPrinterDriverA(HANDLE printer, LPSTR environment, DWORD level, LPBYTE buffer,
                       DWORD bufferSize, LPDWORD needed) {
    PlatformCall call("GetPrinterDriverA");
    if (call.Fails())
        return FALSE;
    Entry* entry = PrinterOf(printer);
    if (entry == nullptr)
        return FALSE;
    std::string resolved;
    if (!sim::detail::ResolveEnvironment(environment, &resolved)) {
        SetLastError(ERROR_INVALID_ENVIRONMENT);
        return FALSE;
    }
    if (level != 2) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if (needed == nullptr) {
        SetLastError(RPC_X_NULL_REF_POINTER);
        return FALSE;
    }
    auto drivers = sim::Drivers();
    auto driver = std::find_if(drivers.begin(), drivers.end(), [&](const sim::Driver& d) {
        return d.environment == resolved && EqualNoCase(d.name, entry->printer.driver);
    });
    if (driver == drivers.end()) {
        SetLastError(ERROR_UNKNOWN_PRINTER_DRIVER);
        return FALSE;
    }
    if (!sim::detail::Fits(sim::detail::DriverInfo2Size(*driver), buffer, bufferSize, needed))
        return FALSE;
    sim::detail::StringArea strings(buffer, bufferSize);
    sim::detail::FillDriverInfo2(*driver, reinterpret_cast<DRIVER_INFO_2A*>(buffer), strings);
    return TRUE;
}

BOOL EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD bufferSize,
                   LPDWORD needed, LPDWORD returned) {
    if (level != 2 && level != 4) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if (needed == nullptr || returned == nullptr) {
        SetLastError(RPC_X_NULL_REF_POINTER);
        return FALSE;
    }
    if (Present(name)) {
        SetLastError(ERROR_INVALID_NAME); // only the local machine's printers are known
        return FALSE;
    }
    *returned = 0;
    std::vector<const Entry*> listed;
    size_t total = 0;
    for (auto& [id, entry] : g_printers) {
        if (entry.pendingDeletion || !(flags & PRINTER_ENUM_LOCAL))
            continue;
        listed.push_back(&entry);
        total += level == 2 ? PrinterInfo2Size(entry.printer) : PrinterInfo4Size(entry.printer);
    }
    if (!sim::detail::Fits(total, buffer, bufferSize, needed))
        return FALSE;
    sim::detail::StringArea strings(buffer, bufferSize);
    for (size_t i = 0; i < listed.size(); ++i) {
        if (level == 2)
            FillPrinterInfo2(*listed[i], reinterpret_cast<PRINTER_INFO_2A*>(buffer) + i, strings);
        else
            FillPrinterInfo4(*listed[i], reinterpret_cast<PRINTER_INFO_4A*>(buffer) + i, strings);
    }
    *returned = static_cast<DWORD>(listed.size());
    return TRUE;
}
