// The spooler's printer side: the printer table, printer handles, and the printer
// and driver information behind a handle.
#include "sim_internal.h"

#include <algorithm>
#include <map>
#include <utility>

namespace {

// Printer names the spooler refuses: empty, too long, or holding a character
// that separates names in its own lists.
constexpr size_t kMaxPrinterName = 220;

// The printers by id, in the order they were added; a deleted one (pendingDeletion)
// is kept until its last handle closes and its last job is printed.
using PrinterTable = std::map<unsigned, sim::Printer>;
PrinterTable g_printers;
unsigned g_nextPrinter = 1;

constexpr unsigned kServer = 0; // a handle on the local print server, not on a printer
struct Handle {
    unsigned printer; // printer id or kServer
    DWORD access;     // the rights granted when it was opened
};
std::map<HANDLE, Handle> g_handles;
uintptr_t g_nextHandle = 0x1000;

// Rights only an administrator is granted: administering a printer, deleting it,
// changing its permissions or owner.
constexpr DWORD kAdministrationRights =
    PRINTER_ACCESS_ADMINISTER | (STANDARD_RIGHTS_REQUIRED & ~DWORD{READ_CONTROL});
bool g_administrator = true;

std::vector<sim::Printer> g_requests;
sim::PrinterInfoAnswer g_infoAnswer; // empty: the printer's own record

const char* const kDatatypes[] = {"RAW", "TEXT", "NT EMF 1.008"};

using sim::detail::EqualNoCase;

bool Present(LPCSTR text) {
    return text != nullptr && *text != '\0';
}

std::string Text(LPCSTR text) {
    return text != nullptr ? text : "";
}

// The listed printer of that name, or the table's end.
PrinterTable::iterator FindPrinter(const std::string& name) {
    return std::find_if(g_printers.begin(), g_printers.end(), [&](auto& item) {
        return !item.second.pendingDeletion && EqualNoCase(item.second.name, name);
    });
}

HANDLE OpenHandle(unsigned printer, DWORD access) {
    HANDLE handle = reinterpret_cast<HANDLE>(g_nextHandle);
    g_nextHandle += 4;
    g_handles[handle] = {printer, access};
    return handle;
}

// The printer behind a handle; null (with ERROR_INVALID_HANDLE) for an unknown
// handle or one on the print server.
sim::Printer* PrinterOf(HANDLE handle) {
    auto it = g_handles.find(handle);
    if (it == g_handles.end() || it->second.printer == kServer) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return &g_printers.at(it->second.printer);
}

bool HandleOpenOn(unsigned printer) {
    return std::any_of(g_handles.begin(), g_handles.end(),
                       [printer](auto& item) { return item.second.printer == printer; });
}

// A deleted printer goes once no handle holds it and its jobs are printed.
void DropIfDone(PrinterTable::iterator entry) {
    const sim::Printer& printer = entry->second;
    if (printer.pendingDeletion && printer.jobs == 0 && !HandleOpenOn(entry->first))
        g_printers.erase(entry);
}

bool Refuse(DWORD error) {
    SetLastError(error);
    return false;
}

bool ValidPrinterName(LPCSTR name) {
    return Present(name) && std::strlen(name) <= kMaxPrinterName &&
           std::strpbrk(name, ",\\") == nullptr;
}

// The reason AddPrinterA refuses the record, in the order Windows checks; 0 to accept.
DWORD Refusal(const PRINTER_INFO_2A& info) {
    if (!ValidPrinterName(info.pPrinterName))
        return ERROR_INVALID_PRINTER_NAME;
    if (FindPrinter(info.pPrinterName) != g_printers.end())
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

void FillPrinterInfo2(const sim::Printer& p, PRINTER_INFO_2A* record,
                      sim::detail::StringArea& strings) {
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
    record->Status = p.pendingDeletion ? PRINTER_STATUS_PENDING_DELETION : 0;
    record->cJobs = p.jobs;
}

size_t PrinterInfo4Size(const sim::Printer& p) {
    return sizeof(PRINTER_INFO_4A) + p.name.size() + 1;
}

void FillPrinterInfo4(const sim::Printer& p, PRINTER_INFO_4A* record,
                      sim::detail::StringArea& strings) {
    *record = PRINTER_INFO_4A{};
    record->pPrinterName = strings.Place(p.name);
    record->Attributes = p.attributes;
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
    g_administrator = true;
    g_infoAnswer = nullptr;
}

bool Administrator() {
    return g_administrator;
}

bool PrinterUsesDriver(const std::string& driverName) {
    return std::any_of(g_printers.begin(), g_printers.end(),
                       [&](auto& item) { return EqualNoCase(item.second.driver, driverName); });
}

} // namespace detail

std::vector<Printer> Printers() {
    std::vector<Printer> listed;
    for (auto& [id, printer] : g_printers)
        if (!printer.pendingDeletion)
            listed.push_back(printer);
    return listed;
}

std::vector<Printer> PrintersPendingDeletion() {
    std::vector<Printer> pending;
    for (auto& [id, printer] : g_printers)
        if (printer.pendingDeletion && printer.jobs != 0)
            pending.push_back(printer);
    return pending;
}

void AddPrinter(const Printer& printer) {
    if (printer.pendingDeletion && printer.jobs == 0)
        return; // deleted, with nothing left to wait for
    g_printers[g_nextPrinter++] = printer;
}

bool SetPrinterJobs(const std::string& name, DWORD jobs) {
    for (auto it = g_printers.begin(); it != g_printers.end(); ++it) {
        sim::Printer& printer = it->second;
        bool waiting = !printer.pendingDeletion || printer.jobs != 0;
        if (waiting && EqualNoCase(printer.name, name)) {
            printer.jobs = jobs;
            DropIfDone(it);
            return true;
        }
    }
    return false;
}

void SetAdministrator(bool administrator) {
    g_administrator = administrator;
}

std::vector<Printer> PrinterRequests() {
    return g_requests;
}

size_t OpenPrinterHandles() {
    return g_handles.size();
}

void SetPrinterInfoAnswer(PrinterInfoAnswer answer) {
    g_infoAnswer = std::move(answer);
}

} // namespace sim

using sim::detail::PlatformCall;

HANDLE AddPrinterA(LPSTR server, DWORD level, LPBYTE printerInfo) {
    PlatformCall call("AddPrinterA");
    if (call.Fails())
        return nullptr;
    if (!g_administrator) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
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
    g_printers[id] = g_requests.back();
    return OpenHandle(id, PRINTER_ALL_ACCESS); // the new printer comes with an open handle
}

BOOL OpenPrinterA(LPSTR printerName, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) {
    PlatformCall call("OpenPrinterA");
    if (call.Fails())
        return FALSE;
    if (printer == nullptr)
        return Refuse(ERROR_INVALID_PARAMETER);
    DWORD access = defaults != nullptr ? defaults->DesiredAccess : 0;
    if (access == 0)
        access = PRINTER_ACCESS_USE; // what a handle opened without defaults may do
    if ((access & kAdministrationRights) != 0 && !g_administrator)
        return Refuse(ERROR_ACCESS_DENIED);
    if (!Present(printerName)) {
        *printer = OpenHandle(kServer, access); // no name: the local print server
        return TRUE;
    }
    auto entry = FindPrinter(printerName);
    if (entry == g_printers.end())
        return Refuse(ERROR_INVALID_PRINTER_NAME);
    *printer = OpenHandle(entry->first, access);
    return TRUE;
}

BOOL ClosePrinter(HANDLE printer) {
    PlatformCall call("ClosePrinter");
    if (call.Fails())
        return FALSE; // the handle stays open
    auto it = g_handles.find(printer);
    if (it == g_handles.end())
        return Refuse(ERROR_INVALID_HANDLE); // the null handle too
    unsigned id = it->second.printer;
    g_handles.erase(it);
    auto entry = g_printers.find(id);
    if (entry != g_printers.end())
        DropIfDone(entry);
    return TRUE;
}

// A deleted printer leaves the list at once and is refused to OpenPrinterA;
// handles already open keep working, and it stays, keeping its driver in use,
// until they are closed and its queued jobs are printed.
BOOL DeletePrinter(HANDLE printer) {
    sim::Printer* entry = PrinterOf(printer);
    if (entry == nullptr)
        return FALSE;
    if ((g_handles.at(printer).access & DELETE) == 0)
        return Refuse(ERROR_ACCESS_DENIED);
    entry->pendingDeletion = true;
    return TRUE;
}

BOOL GetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD bufferSize, LPDWORD needed) {
    PlatformCall call("GetPrinterA");
    if (call.Fails())
        return FALSE;
    sim::Printer* entry = PrinterOf(printer);
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
    if (g_infoAnswer)
        return g_infoAnswer(buffer, bufferSize, needed);
    if (!sim::detail::Fits(PrinterInfo2Size(*entry), buffer, bufferSize, needed))
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
    sim::Printer* entry = PrinterOf(printer);
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
        return d.environment == resolved && EqualNoCase(d.name, entry->driver);
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
    std::vector<const sim::Printer*> listed;
    size_t total = 0;
    for (auto& [id, printer] : g_printers) {
        if (printer.pendingDeletion || !(flags & PRINTER_ENUM_LOCAL))
            continue;
        listed.push_back(&printer);
        total += level == 2 ? PrinterInfo2Size(printer) : PrinterInfo4Size(printer);
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
