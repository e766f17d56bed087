// Unloading the library with a result pending in each of its four handoff slots
// is harmless, and the next load starts with all four empty. The check loads a
// copy of the DLL under another name, so that it is loaded and unloaded apart
// from the one this program links. The two dialogs need a person: in the copy,
// the system's dialogs and the spooler's answer about the chosen printer are
// replaced through its import table by stand-ins that pick a printer at once
// (the connect dialog and the shell's browser and path, which the library finds
// at run time, through the GetProcAddress it imports).
#include <win32.h>

#include <gtest/gtest.h>
#include <kvx32.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const char kPrinterName[] = "\\\\PRN01\\Thermal";
const HANDLE kPickedPrinter = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x4B5658));
int g_dialogsOpened = 0;

HANDLE WINAPI PickPrinter(HWND, DWORD) {
    ++g_dialogsOpened;
    return kPickedPrinter;
}

// Level 2 information of the picked printer: the record, then its name.
BOOL WINAPI DescribePrinter(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size,
                            LPDWORD needed) {
    *needed = sizeof(PRINTER_INFO_2A) + sizeof kPrinterName;
    if (printer != kPickedPrinter || level != 2 || size < *needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    PRINTER_INFO_2A record = {};
    record.pPrinterName = reinterpret_cast<char*>(buffer + sizeof record);
    std::memcpy(buffer, &record, sizeof record);
    std::memcpy(buffer + sizeof record, kPrinterName, sizeof kPrinterName);
    return TRUE;
}

BOOL WINAPI ClosePicked(HANDLE printer) {
    return printer == kPickedPrinter;
}

// The driver registration the connect export makes first stays out of the
// prefix's spooler.
BOOL WINAPI RefuseDriver(LPSTR, DWORD, LPBYTE) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

// The shell's browser: the printer is chosen at once, as an empty item list of
// the shell's allocator; a printer has no file-system path.
LPITEMIDLIST WINAPI BrowseToPrinter(LPBROWSEINFOA info) {
    ++g_dialogsOpened;
    std::strcpy(info->pszDisplayName, kPrinterName);
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)))
        return nullptr;
    auto* list = static_cast<LPITEMIDLIST>(allocator->Alloc(sizeof(USHORT)));
    if (list != nullptr)
        list->mkid.cb = 0;
    allocator->Release();
    return list;
}

BOOL WINAPI NoFileSystemPath(LPCITEMIDLIST, LPSTR) {
    return FALSE;
}

// The library's lookups of the connect dialog, the shell's browser and its path
// find the stand-ins; every other lookup goes to the system.
FARPROC WINAPI FindPicker(HMODULE module, LPCSTR name) {
    struct StandIn {
        const char* name;
        void* function;
    };
    const StandIn standIns[] = {
        {"ConnectToPrinterDlg", reinterpret_cast<void*>(&PickPrinter)},
        {"SHBrowseForFolderA", reinterpret_cast<void*>(&BrowseToPrinter)},
        {"SHGetPathFromIDListA", reinterpret_cast<void*>(&NoFileSystemPath)},
    };
    for (const StandIn& standIn : standIns)
        if (!IS_INTRESOURCE(name) && std::strcmp(name, standIn.name) == 0)
            return reinterpret_cast<FARPROC>(standIn.function);
    return GetProcAddress(module, name);
}

// Points the module's import of dll!function at replacement.
bool ReplaceImport(HMODULE module, const char* dll, const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
    for (; entry->Name != 0; ++entry) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), dll) != 0)
            continue;
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* address = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++address) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal))
                continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0)
                continue;
            DWORD protection = 0;
            if (!VirtualProtect(&address->u1.Function, sizeof address->u1.Function, PAGE_READWRITE,
                                &protection))
                return false;
            address->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&address->u1.Function, sizeof address->u1.Function, protection,
                           &protection);
            return true;
        }
    }
    return false;
}

// A copy of the linked DLL in the temporary folder, deleted with the object.
class DllCopy {
public:
    DllCopy() {
        char source[MAX_PATH] = {}, folder[MAX_PATH] = {};
        GetModuleFileNameA(GetModuleHandleA("KVX_32.dll"), source, MAX_PATH);
        GetTempPathA(MAX_PATH, folder);
        path_ =
            std::string(folder) + "KVX_32_unload_" + std::to_string(GetCurrentProcessId()) + ".dll";
        copied_ = CopyFileA(source, path_.c_str(), FALSE) != 0;
    }
    DllCopy(const DllCopy&) = delete;
    DllCopy& operator=(const DllCopy&) = delete;
    ~DllCopy() { DeleteFileA(path_.c_str()); }
    bool copied() const { return copied_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    bool copied_ = false;
};

// The copy, loaded with the stand-ins in place; unloaded with the object.
class LoadedCopy {
public:
    explicit LoadedCopy(const DllCopy& copy) : module_(LoadLibraryA(copy.path().c_str())) {
        if (module_ == nullptr)
            return;
        struct Replacement {
            const char* dll;
            const char* function;
            void* stand_in;
        };
        const Replacement replacements[] = {
            {"KERNEL32.dll", "GetProcAddress", reinterpret_cast<void*>(&FindPicker)},
            {"WINSPOOL.DRV", "GetPrinterA", reinterpret_cast<void*>(&DescribePrinter)},
            {"WINSPOOL.DRV", "ClosePrinter", reinterpret_cast<void*>(&ClosePicked)},
            {"WINSPOOL.DRV", "AddPrinterDriverA", reinterpret_cast<void*>(&RefuseDriver)},
        };
        for (const Replacement& r : replacements)
            EXPECT_TRUE(ReplaceImport(module_, r.dll, r.function, r.stand_in)) << r.function;
        Bind("EnumLocalPorts", &enumLocalPorts);
        Bind("GetPortsSelect", &getPortsSelect);
        Bind("GetNetBrowseDialogNT4", &connectDialog);
        Bind("GetNetBrowseDialog32b", &printerBrowser);
    }
    LoadedCopy(const LoadedCopy&) = delete;
    LoadedCopy& operator=(const LoadedCopy&) = delete;
    ~LoadedCopy() {
        if (module_ != nullptr) {
            EXPECT_TRUE(FreeLibrary(module_));
        }
    }
    bool bound() const {
        return enumLocalPorts && getPortsSelect && connectDialog && printerBrowser;
    }

    kvx_EnumLocalPorts_fn enumLocalPorts = nullptr;
    kvx_GetPortsSelect_fn getPortsSelect = nullptr;
    kvx_GetNetBrowseDialogNT4_fn connectDialog = nullptr;
    kvx_GetNetBrowseDialog32b_fn printerBrowser = nullptr;

private:
    template <typename Function> void Bind(const char* name, Function* function) {
        *function =
            reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }
    HMODULE module_;
};

// What the four sizing calls report, each leaving a result pending in its slot.
struct Sizes {
    uint32_t ports = 0;
    uint32_t netList = 0xFFFFFFFF; // a sizing call that finds a list pending leaves it
    int32_t connect = 0;
    int32_t shell = 0;
    int dialogs = 0;
};

Sizes SizeAll(const LoadedCopy& dll) {
    Sizes sizes;
    int before = g_dialogsOpened;
    dll.enumLocalPorts(nullptr, &sizes.ports);
    dll.getPortsSelect(nullptr, &sizes.netList, nullptr, nullptr);
    sizes.connect = dll.connectDialog(nullptr, 0, nullptr);
    sizes.shell = dll.printerBrowser(0, 0, nullptr, "", 0, "", 0, 0, 0);
    sizes.dialogs = g_dialogsOpened - before;
    return sizes;
}

TEST(ModuleUnloadCheck, PendingResultsInAllFourSlotsAreLeftBehindAndTheNextLoadStartsEmpty) {
    DllCopy copy;
    ASSERT_TRUE(copy.copied()) << "cannot copy KVX_32.dll to " << copy.path();

    Sizes first;
    {
        LoadedCopy dll(copy);
        ASSERT_TRUE(dll.bound()) << "cannot load " << copy.path();
        first = SizeAll(dll);
        EXPECT_EQ(first.dialogs, 2);
        EXPECT_GT(first.ports, 0u);
        ASSERT_GT(first.netList, 0u); // at least the closing zero
        ASSERT_NE(first.netList, 0xFFFFFFFFu);
        EXPECT_EQ(first.connect, static_cast<int32_t>(std::strlen(kPrinterName)));
        EXPECT_EQ(first.shell, static_cast<int32_t>(sizeof kPrinterName));
    } // unloaded with all four results pending

    LoadedCopy dll(copy);
    ASSERT_TRUE(dll.bound());
    // Each sizing call works afresh: the dialogs open again instead of a fetch,
    // the network list is made and sized again.
    Sizes again = SizeAll(dll);
    EXPECT_EQ(again.dialogs, 2);
    ASSERT_EQ(again.ports, first.ports);
    ASSERT_EQ(again.netList, first.netList);
    EXPECT_EQ(again.connect, first.connect);
    EXPECT_EQ(again.shell, first.shell);

    // The ports block holds one list, not one appended to a block left behind:
    // asked for twice its size, the fetch copies no second list.
    std::vector<char> ports(2 * again.ports, '#');
    uint32_t size = 2 * again.ports;
    dll.enumLocalPorts(ports.data(), &size);
    std::string tail(ports.data() + again.ports, again.ports);
    EXPECT_EQ(tail.find_first_not_of(std::string("#\0", 2)), std::string::npos);

    // The dialogs' results wait for their fetch calls.
    std::vector<char> name(sizeof kPrinterName, '#');
    EXPECT_EQ(dll.connectDialog(nullptr, 0, name.data()), KVX_DIALOG_COPIED);
    EXPECT_STREQ(name.data(), kPrinterName);
    std::fill(name.begin(), name.end(), '#');
    EXPECT_EQ(dll.printerBrowser(0, 0, name.data(), nullptr, 0, nullptr, 0, 0, 0),
              KVX_DIALOG_COPIED);
    EXPECT_STREQ(name.data(), kPrinterName);
    std::vector<char> list(again.netList);
    dll.getPortsSelect(list.data(), &again.netList, nullptr, nullptr);
}

} // namespace
