// The shell: its task allocator (one object, reference-counted through
// SHGetMalloc and Release), item lists for special folders and for what the
// user picks, and the folder-browse dialog, which runs its callback and answers
// as the test queued. Its code lives in the shell's module: a call while that
// module is not loaded (after its last FreeLibrary) is a misuse.
#include "sim_internal.h"

#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <optional>

namespace {

// What an item list the shell handed out stands for.
struct ListEntry {
    int folder = -1; // a special folder's CSIDL, or -1
    size_t item = 0; // else an index into g_items
    SIZE_T size = 0;
};

std::map<void*, ListEntry> g_lists; // live memory of the allocator
std::vector<sim::BrowseItem> g_items;
std::deque<std::optional<sim::BrowseItem>> g_browseAnswers;
std::vector<sim::BrowseDialog> g_dialogs;
long g_references = 0;
unsigned g_frees = 0;
unsigned g_misuses = 0;

void* NewMemory(SIZE_T bytes, const ListEntry& entry) {
    void* memory = std::calloc(1, bytes ? bytes : 1);
    if (memory != nullptr) {
        g_lists[memory] = entry;
        g_lists[memory].size = bytes;
    }
    return memory;
}

// An item list of one identifier (its 4 bytes are meaningless outside the
// simulation) and the terminating zero.
LPITEMIDLIST NewList(const ListEntry& entry) {
    constexpr WORD kIdSize = sizeof(WORD) + 4;
    auto* list = static_cast<LPITEMIDLIST>(NewMemory(kIdSize + sizeof(WORD), entry));
    if (list != nullptr)
        list->mkid.cb = kIdSize;
    return list;
}

const ListEntry* FindList(const void* list) {
    auto it = g_lists.find(const_cast<void*>(list));
    return it == g_lists.end() ? nullptr : &it->second;
}

// A call into the shell's code, which is only there while its module is loaded.
void CheckShellLoaded() {
    if (!sim::detail::ModuleLoaded("SHELL32.DLL"))
        ++g_misuses;
}

void CopyText(const std::string& text, char* buffer) {
    size_t length = text.size() < MAX_PATH - 1 ? text.size() : MAX_PATH - 1;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

class TaskAllocator final : public IMalloc {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        static const BYTE kOleTail[8] = {0xC0, 0, 0, 0, 0, 0, 0, 0x46};
        bool known = (riid.Data1 == 0 || riid.Data1 == 2) && riid.Data2 == 0 && riid.Data3 == 0 &&
                     std::memcmp(riid.Data4, kOleTail, 8) == 0; // IUnknown or IMalloc
        if (object == nullptr)
            return E_INVALIDARG;
        *object = known ? this : nullptr;
        if (!known)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        Check();
        return static_cast<ULONG>(++g_references);
    }
    ULONG STDMETHODCALLTYPE Release() override {
        Check();
        if (g_references > 0)
            --g_references;
        return static_cast<ULONG>(g_references);
    }
    void* STDMETHODCALLTYPE Alloc(SIZE_T bytes) override {
        Check();
        return NewMemory(bytes, ListEntry{});
    }
    void* STDMETHODCALLTYPE Realloc(void* memory, SIZE_T bytes) override {
        Check();
        if (memory == nullptr)
            return NewMemory(bytes, ListEntry{});
        const ListEntry* entry = FindList(memory);
        if (entry == nullptr) {
            ++g_misuses;
            return nullptr;
        }
        void* moved = NewMemory(bytes, *entry);
        if (moved != nullptr) {
            std::memcpy(moved, memory, entry->size < bytes ? entry->size : bytes);
            Free(memory);
        }
        return moved;
    }
    void STDMETHODCALLTYPE Free(void* memory) override {
        Check();
        if (memory == nullptr)
            return;
        if (g_lists.erase(memory) == 0) {
            ++g_misuses;
            return;
        }
        std::free(memory);
        ++g_frees;
    }
    SIZE_T STDMETHODCALLTYPE GetSize(void* memory) override {
        const ListEntry* entry = FindList(memory);
        return entry ? entry->size : static_cast<SIZE_T>(-1);
    }
    int STDMETHODCALLTYPE DidAlloc(void* memory) override { return FindList(memory) ? 1 : 0; }
    void STDMETHODCALLTYPE HeapMinimize() override {}

private:
    // A caller must hold a reference for every call.
    static void Check() {
        CheckShellLoaded();
        if (g_references <= 0)
            ++g_misuses;
    }
};

TaskAllocator g_allocator;

} // namespace

namespace sim {

namespace detail {

void ResetShell() {
    for (auto& [memory, entry] : g_lists)
        std::free(memory);
    g_lists.clear();
    g_items.clear();
    g_browseAnswers.clear();
    g_dialogs.clear();
    g_references = 0;
    g_frees = 0;
    g_misuses = 0;
}

} // namespace detail

void QueueBrowseChoice(const BrowseItem& item) {
    g_browseAnswers.emplace_back(item);
}

void QueueBrowseCancel() {
    g_browseAnswers.emplace_back(std::nullopt);
}

std::vector<BrowseDialog> BrowseDialogs() {
    return g_dialogs;
}

size_t LiveItemLists() {
    return g_lists.size();
}

long ShellAllocatorReferences() {
    return g_references;
}

unsigned ShellAllocatorFrees() {
    return g_frees;
}

unsigned ShellMisuses() {
    return g_misuses;
}

} // namespace sim

HRESULT SHGetMalloc(IMalloc** allocator) {
    sim::detail::PlatformCall call("SHGetMalloc");
    CheckShellLoaded();
    if (allocator == nullptr)
        return E_INVALIDARG;
    if (call.Fails()) {
        *allocator = nullptr;
        return static_cast<HRESULT>(call.Error());
    }
    ++g_references;
    *allocator = &g_allocator;
    return S_OK;
}

HRESULT SHGetSpecialFolderLocation(HWND, int folder, PIDLIST_ABSOLUTE* list) {
    sim::detail::PlatformCall call("SHGetSpecialFolderLocation");
    CheckShellLoaded();
    if (list == nullptr)
        return E_INVALIDARG;
    *list = nullptr;
    if (call.Fails())
        return static_cast<HRESULT>(call.Error());
    ListEntry entry;
    entry.folder = folder;
    *list = NewList(entry);
    return *list ? S_OK : E_FAIL;
}

PIDLIST_ABSOLUTE SHBrowseForFolderA(LPBROWSEINFOA info) {
    sim::detail::PlatformCall call("SHBrowseForFolderA");
    CheckShellLoaded();
    if (call.Fails())
        return nullptr; // the dialog could not be shown
    if (info == nullptr)
        return nullptr;
    sim::BrowseDialog record = {};
    record.ownerGiven = info->hwndOwner != nullptr;
    record.rootFolder = -1;
    if (info->pidlRoot != nullptr) {
        const ListEntry* root = FindList(info->pidlRoot);
        if (root == nullptr)
            ++g_misuses;
        else
            record.rootFolder = root->folder;
    }
    record.displayBufferGiven = info->pszDisplayName != nullptr;
    record.titleGiven = info->lpszTitle != nullptr;
    record.title = info->lpszTitle ? info->lpszTitle : "";
    record.flags = info->ulFlags;
    record.callbackGiven = info->lpfn != nullptr;
    record.lParam = info->lParam;
    size_t index = g_dialogs.size();
    g_dialogs.push_back(record);

    HWND dialog = sim::detail::CreateSimWindow([index](UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == BFFM_SETSELECTIONA) {
            const char* path = wParam ? reinterpret_cast<const char*>(lParam) : nullptr;
            g_dialogs[index].selections.push_back({wParam != 0, path ? path : ""});
        }
        return LRESULT{0};
    });
    auto notify = [&](UINT message, LPARAM lParam) {
        if (info->lpfn != nullptr)
            sim::detail::RunLibraryCode(
                [&] { return info->lpfn(dialog, message, lParam, info->lParam); });
    };
    // The dialog tells the callback it is up, then that the root is selected.
    notify(BFFM_INITIALIZED, 0);
    notify(BFFM_SELCHANGED, reinterpret_cast<LPARAM>(info->pidlRoot));

    std::optional<sim::BrowseItem> answer;
    if (!g_browseAnswers.empty()) {
        answer = g_browseAnswers.front();
        g_browseAnswers.pop_front();
    }
    LPITEMIDLIST chosen = nullptr;
    if (answer) {
        g_items.push_back(*answer);
        ListEntry entry;
        entry.item = g_items.size() - 1;
        chosen = NewList(entry);
        notify(BFFM_SELCHANGED, reinterpret_cast<LPARAM>(chosen));
        if (chosen != nullptr && info->pszDisplayName != nullptr)
            CopyText(answer->displayName, info->pszDisplayName);
        info->iImage = 1;
    }
    sim::detail::DestroySimWindow(dialog);
    return chosen;
}

BOOL SHGetPathFromIDListA(PCIDLIST_ABSOLUTE list, LPSTR path) {
    sim::detail::PlatformCall call("SHGetPathFromIDListA");
    CheckShellLoaded();
    if (call.Fails())
        return FALSE; // the buffer stays as it was
    if (list == nullptr || path == nullptr)
        return FALSE;
    const ListEntry* entry = FindList(list);
    if (entry == nullptr) {
        ++g_misuses; // a list that was freed or never handed out
        return FALSE;
    }
    // Special folders (the network, the printers) are not file-system folders;
    // an item outside the file system leaves the buffer as it was.
    if (entry->folder >= 0 || !g_items[entry->item].hasPath)
        return FALSE;
    CopyText(g_items[entry->item].path, path);
    return TRUE;
}
