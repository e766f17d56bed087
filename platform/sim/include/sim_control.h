// Control API of the simulated platform, for tests and the native kvxctl:
// set the machine's state, inject failures, and count what is still held.
#pragma once

#include <win32_sim/windows.h>
#include <win32_sim/commctrl.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// Returns every part of the simulation to a new machine: Windows NT 4.0, the
// default driver directories, no driver files, no drivers, no faults. Memory
// still held by the code under test stays valid and counted: check leaks by
// comparing the counts before and after an operation. A block only a refused
// GlobalFree or HeapFree kept (the failure switch's) is given back. A module
// reference the code under test keeps for the life of the process is its own
// state: a test forgets it there too (the tests' NewMachine).
void Reset();

// ---- kernel32 ----
void SetVersion(DWORD platformId, DWORD major, DWORD minor, DWORD build = 0);

// A named Windows release, as Wine's version switch names them (win31, win95,
// win98, winme, nt351, nt40, win2k, winxp, win10). Returns false for an unknown name.
bool SetWindowsVersion(const std::string& name);

// The processor architecture GetSystemInfo reports to the process:
// PROCESSOR_ARCHITECTURE_INTEL for a 32-bit process (a new machine's), or
// PROCESSOR_ARCHITECTURE_AMD64 for a 64-bit one, which runs on 64-bit Windows: there the
// NT spooler serves it from the environment "Windows x64" and its own driver directory.
void SetProcessArchitecture(WORD architecture);

// ---- the failure switch: any function the library imports fails on demand ----
// Every simulated function the library may import fails, when asked, in each of
// the ways Windows documents for it. Only the library's calls count and fail:
// not the calls the simulation makes inside its own functions, nor those of code
// that plays the host or the user (a dialog driver; see OutsideLibrary).

// One way a function fails: its failing result as the function's own answer
// (FALSE, NULL, -1, 0, an error code), with `error` as the error code it returns
// or leaves as the last error; error 0 is a failure without a code (last error 0).
// A form that does not set the last error leaves it as it was (HeapAlloc, the
// shell's HRESULT answers, whose `error` is the HRESULT).
struct FailureForm {
    DWORD error = 0;
    bool setsLastError = true;
};
bool operator==(const FailureForm& a, const FailureForm& b);
std::string Describe(const FailureForm& form); // "error 5", "no code", "last error kept", ...

// The failure forms of every simulated function the library may import, by
// name; an empty list for a function Windows documents no failure for.
const std::map<std::string, std::vector<FailureForm>>& FailureForms();

// Makes calls of `function` fail with the form whose error is `error`: every call
// from now on, or the next `times`. Cleared by Reset. False (nothing armed) for a
// function or an error the table does not list.
constexpr unsigned kEveryCall = 0xFFFFFFFFu;
bool FailCalls(const std::string& function, DWORD error, unsigned times = kEveryCall);

// The armed fault of a sweep: one call fails. Arming again replaces it; cleared by
// Reset and by ClearFaults.
// The nth call (1 = the next one) of `function` fails with `form`; false for a
// function or form the table does not list.
bool FailNthCall(const std::string& function, unsigned nth, const FailureForm& form);
// The nth memory operation of that kind fails, with its function's first form;
// AnyMemory counts every call of the four kinds together.
enum class Fault { GlobalAlloc, GlobalLock, GlobalReAlloc, HeapAlloc, AnyMemory };
void FailNth(Fault kind, unsigned nth);
void ClearFaults();
// Whether the armed fault has fired since it was armed, and as what: the function,
// its call number since ResetPlatformCalls, and the form.
bool FaultFired();
struct FiredFailure {
    std::string function;
    unsigned call;
    FailureForm form;
};
std::optional<FiredFailure> FaultFiredAs();

// The library's calls of each function since the last ResetPlatformCalls (or Reset).
std::map<std::string, unsigned> PlatformCalls();
void ResetPlatformCalls();

// While it lives, the calls of this thread are the host's or the user's, not the
// library's: a test that calls the platform itself (SetLastError before an
// export) marks them with it. Code of the library the simulation calls back (a
// window procedure, a dialog procedure, a browse callback) counts again.
class OutsideLibrary {
public:
    OutsideLibrary();
    OutsideLibrary(const OutsideLibrary&) = delete;
    OutsideLibrary& operator=(const OutsideLibrary&) = delete;
    ~OutsideLibrary();

private:
    bool saved_;
};

size_t LiveGlobalBlocks();
size_t LockedGlobalBlocks();
size_t LiveHeapBlocks();
// The most bytes of global and heap blocks held at once since the last
// ResetPeakMemory (the sizes asked for; a block being reallocated counts twice
// while its data moves).
size_t PeakMemoryBytes();
void ResetPeakMemory(); // the peak starts again from what is held now
// Size and lock count of a live block; false when the handle names none.
bool GlobalBlockInfo(HGLOBAL block, SIZE_T* size, unsigned* locks);

// ---- kernel32: loaded modules ----
// The process has the spooler's module loaded, as a program that imports from it
// has; the shell's module ("SHELL32.DLL") is on the system but not loaded until
// LoadLibraryA loads it. GetModuleHandleA finds a loaded module by its file name
// (in any case; a name without an extension means .DLL; null names the program,
// which exports nothing here), LoadLibraryA finds one of the system's the same
// way, takes a reference to it and answers its handle, FreeLibrary gives one back
// and the module is unloaded with its last, and GetProcAddress answers each
// simulated function of a loaded module by its exported name (exactly as spelt;
// no ordinals). Anything else is not found: ERROR_MOD_NOT_FOUND for a module,
// ERROR_PROC_NOT_FOUND for a function. Both changes below last until Reset.
// The module no longer exports that function, as on a release whose module lacks it.
void RemoveExport(const std::string& module, const std::string& function);
// The module is not on this system: GetModuleHandleA and LoadLibraryA do not
// find it, nor GetProcAddress its handle.
void UnloadModule(const std::string& module);
// The references LoadLibraryA took that FreeLibrary has not given back yet
// (negative when more were given back than taken).
long LibraryModuleReferences();

// ---- spooler: drivers ----
// The directory GetPrinterDriverDirectoryA reports for an environment name
// ("Windows NT x86", "Windows 4.0", "Windows x64").
void SetDriverDirectory(const std::string& environment, const std::string& directory);
std::string DriverDirectory(const std::string& environment);

// Files present on the simulated disk, by full path (case-insensitive).
void AddFile(const std::string& path);
void RemoveFile(const std::string& path);
bool FileExists(const std::string& path);

struct Driver {
    std::string environment;
    std::string name;
    DWORD version;
    std::string driverPath;
    std::string dataFile;
    std::string configFile;
};
std::vector<Driver> Drivers();
// Adds a driver without the file checks, e.g. to set up a removal.
void AddDriver(const Driver& driver);
// Makes every printer driver of that name count as in use (removal refused).
void SetDriverInUse(const std::string& name, bool inUse);

// ---- spooler: printers ----
// A printer as the spooler keeps it: what AddPrinterA was given (level 2).
struct Printer {
    std::string name;
    std::string port;
    std::string driver;
    std::string printProcessor = "winprint";
    std::string datatype = "RAW";
    std::string shareName, comment, location, sepFile, parameters;
    DWORD attributes = PRINTER_ATTRIBUTE_LOCAL;
    DWORD priority = 1, defaultPriority = 0, startTime = 0, untilTime = 0;
    // Whether the creating call passed a device mode or a security descriptor.
    bool devMode = false;
    bool securityDescriptor = false;
    // What the spooler keeps beside the record: the print jobs queued, and
    // whether the printer was deleted and waits for them (or for its handles).
    DWORD jobs = 0;
    bool pendingDeletion = false;
};
// The printers, in the order they were added. A deleted printer is no longer
// listed; it goes when its last handle closes and its last job is printed.
std::vector<Printer> Printers();
// Deleted printers that still wait for their queued jobs: they keep their
// driver in use.
std::vector<Printer> PrintersPendingDeletion();
// Adds a printer without the checks of AddPrinterA, e.g. one whose driver is gone;
// with its jobs and, when jobs are queued, its pending deletion.
void AddPrinter(const Printer& printer);
// Queues that many print jobs on the printer of that name, listed or pending
// deletion (0: its jobs have been printed, and a printer pending deletion with no
// open handle goes). False when no printer has that name.
bool SetPrinterJobs(const std::string& name, DWORD jobs);
// Whether the user has administrator rights (a new machine: yes). Without them
// the spooler answers ERROR_ACCESS_DENIED to opening a printer with
// administration or deletion rights, and to adding or deleting printers and drivers.
void SetAdministrator(bool administrator);
// Every record AddPrinterA was given, accepted or refused, in call order.
std::vector<Printer> PrinterRequests();
// Printer handles (from OpenPrinterA or AddPrinterA) not yet closed.
size_t OpenPrinterHandles();
// A spooler that writes broken level-2 information: GetPrinterA, once it has
// checked the handle, the level and `needed`, answers as `answer` does with the
// caller's buffer, its size and `needed`, instead of filling in the printer's
// record. An empty function gives the spooler's own answer again; cleared by Reset.
using PrinterInfoAnswer = std::function<BOOL(LPBYTE buffer, DWORD bufferSize, LPDWORD needed)>;
void SetPrinterInfoAnswer(PrinterInfoAnswer answer);

// ---- spooler: its state as text ----
// The drivers and printers (those pending deletion included) as text, one record
// per line, so that a machine can be made again as it was (the native kvxctl
// keeps its spooler between runs this way).
std::string SpoolerState();
// Adds the drivers and printers of a SpoolerState text to the machine. False
// with a message naming the line when the text cannot be read; nothing is added then.
bool LoadSpoolerState(const std::string& text, std::string* error);

// ---- spooler: ports ----
// The ports EnumPortsA lists, in order. A new machine has COM1: to COM4:, FILE:
// and LPT1: to LPT3:. Any name is accepted, the empty one included.
void SetPorts(const std::vector<std::string>& names);
std::vector<std::string> Ports();

// One call of ConfigurePortA, as it was made.
struct PortConfiguration {
    bool localServer; // no server name, or an empty one
    HWND owner;
    bool portGiven; // false for a null port name
    std::string port;
};
std::vector<PortConfiguration> PortConfigurations();
// How the configuration dialog of a known port ends: 0 = accepted (TRUE), else
// FALSE with this error (ERROR_CANCELLED for a cancelled dialog).
void SetPortDialogOutcome(DWORD error);

// ---- machine identity ----
// The names GetUserNameA and GetComputerNameA report (a new machine: "labeller"
// on "LABELHOST").
void SetUserName(const std::string& name);
void SetComputerName(const std::string& name);

// ---- shell: the folder-browse dialog and the shell's allocator ----
// An item the user can confirm in the browse dialog.
struct BrowseItem {
    std::string displayName; // written to the dialog's display-name buffer
    std::string path;        // what SHGetPathFromIDListA answers for it
    // False for items outside the file system (a network printer): then
    // SHGetPathFromIDListA fails and leaves its buffer as it was.
    bool hasPath = true;
};
// The answers of the next SHBrowseForFolderA calls, in order: the user confirms
// an item, or cancels. With nothing queued the dialog is cancelled.
void QueueBrowseChoice(const BrowseItem& item);
void QueueBrowseCancel();

// A BFFM_SETSELECTIONA the dialog received: a path text, or an item list.
struct BrowseSelection {
    bool byPath;
    std::string path;
};
// What one SHBrowseForFolderA call was given, and what its callback sent back.
struct BrowseDialog {
    bool ownerGiven;
    int rootFolder; // the CSIDL the root item list was made for; -1 for none
    bool displayBufferGiven;
    bool titleGiven;
    std::string title;
    UINT flags;
    bool callbackGiven;
    LPARAM lParam;
    std::vector<BrowseSelection> selections;
};
std::vector<BrowseDialog> BrowseDialogs();

// Item lists the shell handed out that were not yet handed back to its allocator.
size_t LiveItemLists();
// References SHGetMalloc handed out that were not released yet.
long ShellAllocatorReferences();
unsigned ShellAllocatorFrees();
// Calls on the allocator after its last reference was released, frees of
// memory it never handed out, and item lists used after they were freed.
unsigned ShellMisuses();

// ---- spooler: printer connections and the connect dialog ----
// The answers of the next ConnectToPrinterDlg calls, in order: the user picks
// the printer of that name (the dialog connects to it and opens a handle; a
// name the spooler does not know makes the dialog fail), or cancels. With
// nothing queued the dialog is cancelled.
void QueueConnectChoice(const std::string& printerName);
void QueueConnectCancel();

// What one ConnectToPrinterDlg call was given.
struct ConnectDialog {
    HWND owner;
    DWORD flags;
};
std::vector<ConnectDialog> ConnectDialogs();
// The printers the user is connected to, in the order the connections were made.
std::vector<std::string> PrinterConnections();
// ---- network provider router (mpr) ----
// A resource as the router lists it; an absent string is a null pointer.
struct NetResource {
    std::optional<std::string> remoteName;
    std::optional<std::string> provider;
    DWORD displayType = RESOURCEDISPLAYTYPE_GENERIC;
    DWORD type = RESOURCETYPE_ANY;
    DWORD usage = RESOURCEUSAGE_CONTAINER;
    std::optional<std::string> comment;
    std::optional<std::string> localName;
};

// Registers a network provider. The top of the network lists one entry per
// provider, in the order they were added, with display type 6 and the
// provider's name as remote name and provider. A new machine has none, so the
// router answers ERROR_NO_NETWORK.
void AddNetProvider(const std::string& name);
// Declares a container of a provider (possibly empty): `container` is the
// remote name that opens it, or nullopt for the provider's own level, which is
// opened through the provider's entry at the top.
void AddNetContainer(const std::string& provider, const std::optional<std::string>& container);
// Appends an entry to a container of a provider (declaring the container).
// The entry's own provider field is listed as given.
void AddNetEntry(const std::string& provider, const std::optional<std::string>& container,
                 const NetResource& entry);
// A provider whose network is computed instead of stored, so that it can be as
// large as a test needs or never end: the generator gives entry `index` (from 0) of
// the container opened by the remote name `container` (the provider's own level:
// the provider's name), or nullopt where that container ends. Any name opens a
// container; the entries are listed as given, whatever type the caller asked for.
// Faults by container name apply as to stored containers.
using NetGenerator =
    std::function<std::optional<NetResource>(const std::string& container, size_t index)>;
void AddGeneratedNetProvider(const std::string& name, NetGenerator generator);
// Builds the network a tree file of the test network provider describes
// (tests/netprovider/README.md), so that the same network can be browsed
// here and under Wine. False with a message for a line it cannot read.
bool LoadNetworkTree(const std::string& text, std::string* error);
// The same from a file; the message then names the file.
bool LoadNetworkTreeFile(const std::string& path, std::string* error);

// Faults, by container name: a container's remote name, a provider's name for
// its own level, or "" for the top of the network. (The failure switch fails a
// call by its number; these fail every call that reaches one container.)
void FailNetOpen(const std::string& container, DWORD error);
// The next `times` requests for the container's entries fail with `error`.
// An ERROR_MORE_DATA injected this way leaves the buffer size unchanged, as
// Wine's router does when a provider's entry does not fit.
void FailNetRequests(const std::string& container, DWORD error, unsigned times);
// At most `entries` entries per request.
void SetNetBatchLimit(const std::string& container, unsigned entries);
// Requests for the container's entries that succeed report `count` entries,
// whatever number they wrote: a router that overstates its count.
void SetNetReportedCount(const std::string& container, DWORD count);
// The container never answers ERROR_NO_MORE_ITEMS: once its entries have been
// listed, every request succeeds with no entries.
void SetNetEndless(const std::string& container);

size_t OpenNetEnumerations();
// Requests for entries (WNetEnumResourceA calls) since the last reset.
size_t NetRequests();
// The containers opened since the last reset, in order, by the names above.
std::vector<std::string> NetContainersOpened();
// ---- user32 and comctl32: windows, dialog boxes, tree views, images ----
// A resource of the module, by type (RT_DIALOG: a plain dialog template; RT_BITMAP: a
// BITMAPINFOHEADER with its palette and pixels) and number. Cleared by Reset.
void AddResource(LPCSTR type, WORD id, const std::vector<BYTE>& bytes);
// Plays the user of the next modal dialog box: called with the dialog once it has
// been initialised. A dialog left open when the driver returns is closed as by the
// Escape key.
void SetDialogDriver(std::function<void(HWND dialog)> driver);
// The user clicks push button `id` of a dialog.
void ClickButton(HWND dialog, int id);
// The user clicks an item's expand button: nothing when the item shows none; else
// the tree asks its parent (TVN_ITEMEXPANDINGA) and expands or collapses the item.
// Returns whether the item is expanded afterwards.
bool ClickExpandButton(HWND tree, HTREEITEM item);
// The user presses a mouse button on an item and moves the mouse: the tree tells its
// parent that a drag begins (TVN_BEGINDRAGA or TVN_BEGINRDRAGA).
void StartDrag(HWND tree, HTREEITEM item, bool rightButton);
// Every cursor set with SetCursor since the last Reset, in order.
std::vector<HCURSOR> CursorHistory();

size_t LiveWindows();
size_t LiveTreeViews(); // tree-view controls whose state is still allocated
size_t LiveTreeItems();
size_t LiveImageLists();
size_t LiveBitmaps();

} // namespace sim
