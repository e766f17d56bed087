// How each function the library imports can fail, as Windows documents it: one
// row per function, its forms in the order a sweep tries them. A form is the
// error the failing call returns or leaves as the last error (0: a failure
// without a code); each function answers its own failing result (FALSE, NULL,
// -1, 0, the error code) when the switch fails it. A function added to the
// import allowlist needs a row here: the fault sweep checks that every one has.
#include "sim_internal.h"

namespace {

using sim::FailureForm;

// A failure that sets this error (0: a failure without a code).
FailureForm Error(DWORD error) {
    return {error, true};
}
// A failure that leaves the last error as it was: the functions that document no
// error code for their failure.
const FailureForm kKeepsLastError = {0, false};
// A failure answered as this HRESULT, the last error left as it was.
FailureForm Result(HRESULT result) {
    return {static_cast<DWORD>(result), false};
}
const FailureForm kNoCode = Error(0);

} // namespace

namespace sim {

const std::map<std::string, std::vector<FailureForm>>& FailureForms() {
    static const auto* table = new std::map<std::string, std::vector<FailureForm>>{
        // ---- advapi32 ----
        {"GetUserNameA", {Error(ERROR_ACCESS_DENIED), Error(ERROR_INSUFFICIENT_BUFFER), kNoCode}},
        // ---- comctl32: image lists, which document no error code ----
        {"ImageList_AddMasked", {kKeepsLastError}},
        {"ImageList_Create", {kKeepsLastError}},
        {"ImageList_Destroy", {kKeepsLastError}}, // the list is not destroyed
        // ---- gdi32 ----
        {"DeleteObject", {kKeepsLastError}}, // the object stays
        // ---- kernel32 ----
        {"GetComputerNameA",
         {Error(ERROR_BUFFER_OVERFLOW), Error(ERROR_NOT_ENOUGH_MEMORY), kNoCode}},
        {"FreeLibrary", {Error(ERROR_INVALID_HANDLE)}}, // the module stays
        {"GetLastError", {}},                           // cannot fail
        {"GetModuleHandleA", {Error(126)}}, // ERROR_MOD_NOT_FOUND: the module is not loaded
        {"GetProcAddress", {Error(127)}},   // ERROR_PROC_NOT_FOUND: the module lacks it
        {"GetProcessHeap", {kNoCode}},
        {"GetSystemInfo", {}}, // cannot fail
        {"GetVersionExA", {Error(ERROR_INSUFFICIENT_BUFFER), kNoCode}},
        {"GlobalAlloc", {Error(ERROR_NOT_ENOUGH_MEMORY), kNoCode}},
        {"GlobalFree", {Error(ERROR_INVALID_HANDLE)}}, // the block stays
        {"GlobalLock", {Error(ERROR_DISCARDED), kNoCode}},
        {"GlobalReAlloc", {Error(ERROR_NOT_ENOUGH_MEMORY), kNoCode}}, // the old block stays
        {"GlobalSize", {Error(ERROR_INVALID_HANDLE)}},
        {"GlobalUnlock", {Error(ERROR_NOT_LOCKED)}}, // the lock stays
        {"HeapAlloc", {kKeepsLastError}},
        {"HeapFree", {Error(ERROR_INVALID_PARAMETER)}},                 // the block stays
        {"LoadLibraryA", {Error(126), Error(ERROR_NOT_ENOUGH_MEMORY)}}, // 126: ERROR_MOD_NOT_FOUND
        {"SetLastError", {}},                                           // cannot fail
        // ---- mpr: each returns its error as well ----
        {"WNetCloseEnum",
         {Error(ERROR_NO_NETWORK), Error(ERROR_INVALID_HANDLE), Error(ERROR_EXTENDED_ERROR)}},
        {"WNetEnumResourceA",
         {Error(ERROR_MORE_DATA), Error(ERROR_NO_MORE_ITEMS), Error(ERROR_INVALID_HANDLE),
          Error(ERROR_NO_NETWORK), Error(ERROR_EXTENDED_ERROR)}},
        {"WNetOpenEnumA",
         {Error(ERROR_NOT_CONTAINER), Error(ERROR_INVALID_PARAMETER), Error(ERROR_NO_NETWORK),
          Error(ERROR_EXTENDED_ERROR)}},
        // ---- shell32 ----
        {"SHBrowseForFolderA", {kKeepsLastError}}, // no dialog, no item
        {"SHGetMalloc", {Result(E_FAIL), Result(E_OUTOFMEMORY)}},
        {"SHGetPathFromIDListA", {kKeepsLastError}},
        {"SHGetSpecialFolderLocation", {Result(E_FAIL), Result(E_OUTOFMEMORY)}},
        // ---- user32 ----
        {"CallWindowProcA", {}}, // answers what the procedure answers
        {"DefWindowProcA", {}},  // answers the default processing's result
        {"DialogBoxParamA",      // 0 for a bad owner, else -1
         {Error(ERROR_RESOURCE_NAME_NOT_FOUND), Error(ERROR_NOT_ENOUGH_MEMORY),
          Error(ERROR_INVALID_WINDOW_HANDLE)}},
        {"EndDialog", {Error(ERROR_INVALID_WINDOW_HANDLE)}},
        {"GetCapture", {kKeepsLastError}}, // no window of this thread holds the capture
        {"GetDlgItem", {Error(ERROR_CONTROL_ID_NOT_FOUND), Error(ERROR_INVALID_WINDOW_HANDLE)}},
        {"GetPropA", {}}, // answers what SetPropA stored on the caller's own window
        {"GetWindowTextA", {Error(ERROR_INVALID_WINDOW_HANDLE)}},
        {"GetWindowTextLengthA", {Error(ERROR_INVALID_WINDOW_HANDLE)}},
        {"IsWindow", {}}, // answers whether the window is there
        {"LoadBitmapA", {Error(ERROR_RESOURCE_NAME_NOT_FOUND), Error(ERROR_NOT_ENOUGH_MEMORY)}},
        {"LoadCursorA", {Error(ERROR_RESOURCE_NAME_NOT_FOUND)}},
        {"LoadStringA", {Error(ERROR_RESOURCE_NAME_NOT_FOUND)}},
        {"ReleaseCapture", {kNoCode}}, // the capture stays
        {"RemovePropA", {}},           // answers (and removes) what SetPropA stored
        // Only messages whose answer documents a refusal fail (a tree that refuses to
        // insert or change an item answers 0); no other message documents a failure,
        // and those are neither counted nor failed.
        {"SendMessageA", {kKeepsLastError}},
        {"SetCapture", {}}, // answers the window that held the capture
        {"SetCursor", {}},  // answers the cursor before
        {"SetPropA", {Error(ERROR_NOT_ENOUGH_MEMORY), kNoCode}},
        {"SetWindowLongPtrA", {Error(ERROR_ACCESS_DENIED), Error(ERROR_INVALID_WINDOW_HANDLE)}},
        {"SetWindowTextA", {Error(ERROR_INVALID_WINDOW_HANDLE), Error(ERROR_NOT_ENOUGH_MEMORY)}},
        {"wsprintfA", {kNoCode}}, // less than the whole output is written
        // ---- winspool ----
        {"AddPrinterA",
         {Error(ERROR_ACCESS_DENIED), Error(RPC_S_SERVER_UNAVAILABLE),
          Error(ERROR_INVALID_PRINTER_NAME), Error(ERROR_PRINTER_ALREADY_EXISTS),
          Error(ERROR_UNKNOWN_PORT), Error(ERROR_UNKNOWN_PRINTER_DRIVER), kNoCode}},
        {"AddPrinterDriverA",
         {Error(ERROR_ACCESS_DENIED), Error(RPC_S_SERVER_UNAVAILABLE),
          Error(ERROR_UNKNOWN_PRINTER_DRIVER), Error(ERROR_INVALID_ENVIRONMENT),
          Error(ERROR_FILE_NOT_FOUND), kNoCode}},
        {"ClosePrinter", {Error(ERROR_INVALID_HANDLE), Error(RPC_S_SERVER_UNAVAILABLE)}},
        {"ConfigurePortA",
         {Error(ERROR_ACCESS_DENIED), Error(RPC_S_SERVER_UNAVAILABLE), Error(ERROR_UNKNOWN_PORT),
          kNoCode}},
        {"ConnectToPrinterDlg",
         {Error(ERROR_CANCELLED), Error(ERROR_ACCESS_DENIED), Error(RPC_S_SERVER_UNAVAILABLE),
          kNoCode}},
        {"DeletePrinterConnectionA",
         {Error(ERROR_INVALID_PRINTER_NAME), Error(ERROR_ACCESS_DENIED),
          Error(RPC_S_SERVER_UNAVAILABLE), kNoCode}},
        {"DeletePrinterDriverA",
         {Error(ERROR_ACCESS_DENIED), Error(RPC_S_SERVER_UNAVAILABLE),
          Error(ERROR_UNKNOWN_PRINTER_DRIVER), Error(ERROR_PRINTER_DRIVER_IN_USE),
          Error(ERROR_INVALID_ENVIRONMENT), kNoCode}},
        {"EnumPortsA",
         {Error(ERROR_ACCESS_DENIED), Error(RPC_S_SERVER_UNAVAILABLE),
          Error(ERROR_INSUFFICIENT_BUFFER), kNoCode}},
        {"GetPrinterA",
         {Error(ERROR_ACCESS_DENIED), Error(RPC_S_SERVER_UNAVAILABLE), Error(ERROR_INVALID_HANDLE),
          Error(ERROR_INSUFFICIENT_BUFFER), kNoCode}},
        {"GetPrinterDriverA",
         {Error(ERROR_ACCESS_DENIED), Error(RPC_S_SERVER_UNAVAILABLE),
          Error(ERROR_UNKNOWN_PRINTER_DRIVER), Error(ERROR_INVALID_ENVIRONMENT),
          Error(ERROR_INSUFFICIENT_BUFFER), kNoCode}},
        {"GetPrinterDriverDirectoryA",
         {Error(ERROR_ACCESS_DENIED), Error(RPC_S_SERVER_UNAVAILABLE),
          Error(ERROR_INVALID_ENVIRONMENT), Error(ERROR_INSUFFICIENT_BUFFER), kNoCode}},
        {"OpenPrinterA",
         {Error(ERROR_ACCESS_DENIED), Error(RPC_S_SERVER_UNAVAILABLE),
          Error(ERROR_INVALID_PRINTER_NAME), kNoCode}},
    };
    return *table;
}

} // namespace sim
