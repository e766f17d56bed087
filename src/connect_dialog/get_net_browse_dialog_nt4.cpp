// GetNetBrowseDialogNT4: a network printer picked in the system's
// connect-to-printer dialog, returned by name through the two-call handoff,
// whose sizes count the name without its terminator.
#include "frame/handoff.h"
#include "frame/printer_handle.h"
#include "frame/system_module.h"
#include "frame/dialog_handoff.h"

#include <cstring>

namespace {

// The information block is given this many times the size the spooler asks for.
constexpr uint64_t kInfoBlockFactor = 20;

// The spooler's connect dialog and the removal of a connection, found in the
// spooler's module when the dialog is wanted rather than imported: documented
// as Windows NT's, they may be missing from another release's WINSPOOL.DRV, and
// one import the loader cannot resolve refuses the whole DLL. The module is
// loaded already, since the DLL imports the spooler's other functions.
struct ConnectFunctions {
    decltype(&ConnectToPrinterDlg) connect = nullptr;
    decltype(&DeletePrinterConnectionA) removeConnection = nullptr;
};

// False unless the spooler has both: a connection the library could not remove
// again is never made.
bool FindConnectFunctions(ConnectFunctions* functions) {
    HMODULE spooler = GetModuleHandleA("WINSPOOL.DRV");
    return spooler != nullptr &&
           FindFunction(spooler, "ConnectToPrinterDlg", &functions->connect) &&
           FindFunction(spooler, "DeletePrinterConnectionA", &functions->removeConnection);
}

// Asks the spooler, with a 1-byte block, how many bytes the printer's level-2
// information needs. needed stays 1 when the spooler reports nothing; false when
// the probe block cannot be had.
bool ProbeInfoSize(HANDLE printer, DWORD* needed) {
    GlobalBlock probe = GlobalBlock::Allocate(1);
    BlockLock lock = probe.Lock();
    if (!lock)
        return false;
    GetPrinterA(printer, 2, reinterpret_cast<LPBYTE>(lock.data()), 1, needed);
    return true;
}

// The printer name of the level-2 record at the start of `info` (size bytes),
// and its length; null unless the name lies wholly inside the block.
const char* PrinterNameIn(const char* info, SIZE_T size, size_t* length) {
    if (size < sizeof(PRINTER_INFO_2A))
        return nullptr;
    PRINTER_INFO_2A record;
    std::memcpy(&record, info, sizeof record);
    auto start = reinterpret_cast<uintptr_t>(info);
    auto name = reinterpret_cast<uintptr_t>(record.pPrinterName);
    if (name < start || name >= start + size)
        return nullptr;
    size_t room = start + size - name;
    *length = strnlen(record.pPrinterName, room);
    return *length < room ? record.pPrinterName : nullptr;
}

} // namespace

// GetNetBrowseDialogNT4 (ordinal 8): the connect dialog; the printer chosen, then fetched.
extern "C" int32_t KVX_API GetNetBrowseDialogNT4(void* owner, int32_t maxLen, char* dst) {
    // A connect-dialog block always holds a name of at least one character.
    if (g_connectDialogSlot.Pending())
        return FetchPending(g_connectDialogSlot, dst);

    if (maxLen < 0)
        maxLen = 0;
    InstallThermalPrinterDriver(); // whatever its outcome
    ConnectFunctions spooler;
    if (!FindConnectFunctions(&spooler))
        return KVX_DIALOG_NOTHING_CHOSEN; // this system's spooler offers no such dialog

    // The handle is closed on every path. The printer itself is never deleted:
    // the dialog's handle is the server's own printer, and deleting through it
    // would remove the shared printer for every user.
    PrinterHandle printer(spooler.connect(static_cast<HWND>(owner), 0));
    if (!printer)
        return KVX_DIALOG_NOTHING_CHOSEN;

    DWORD needed = 1;
    if (!ProbeInfoSize(printer.get(), &needed))
        return KVX_DIALOG_NO_MEMORY;
    uint64_t infoSize = needed * kInfoBlockFactor;
    if (infoSize > 0xFFFFFFFFu)
        return KVX_DIALOG_NO_MEMORY;
    GlobalBlock info = GlobalBlock::Allocate(static_cast<SIZE_T>(infoSize));
    BlockLock lock = info.Lock();
    if (!lock)
        return KVX_DIALOG_NO_MEMORY;
    if (!GetPrinterA(printer.get(), 2, reinterpret_cast<LPBYTE>(lock.data()),
                     static_cast<DWORD>(infoSize), &needed))
        return KVX_DIALOG_INFO_FAILED;
    size_t length = 0;
    const char* name = PrinterNameIn(lock.data(), static_cast<SIZE_T>(infoSize), &length);
    if (name == nullptr)
        return KVX_DIALOG_INFO_FAILED;

    // Only the low 16 bits of maxLen count.
    size_t room = static_cast<uint32_t>(maxLen) & 0xFFFFu;
    if (room < length)
        return KeepPending(g_connectDialogSlot, name, length, static_cast<int32_t>(length));
    if (dst == nullptr)
        return KVX_DIALOG_NO_DESTINATION;
    std::memcpy(dst, name, length + 1);
    spooler.removeConnection(const_cast<char*>(name));
    printer.Close();
    return KVX_DIALOG_COPIED;
}
