// The test network provider's entry points for the Windows network provider
// router (mpr.dll): NPGetCaps, NPOpenEnum, NPEnumResource and NPCloseEnum, with
// wide-character NETRESOURCEW, serving the network that network_file.cpp reads
// (README.md: which copy serves which section, where the file is, its format).
//
// NPEnumResource follows the provider interface: as many entries as *lpcCount
// asks for (0xFFFFFFFF: as many as fit) and as fit into *lpBufferSize bytes,
// the NETRESOURCEW array at the head of the caller's buffer and the strings
// packed at its tail, nothing written outside it; WN_SUCCESS with *lpcCount
// set; WN_MORE_DATA with *lpBufferSize set to the bytes the next entry needs
// when not even that one fits (*lpcCount left as it was, and the buffer zeroed
// so that a router that reads it anyway reads zeros); WN_NO_MORE_ENTRIES at
// the end.

#include "call_log.h"
#include "network_file.h"
#include "provider_config.h"
#include "wide_text.h"

#include <windows.h>
#include <winnetwk.h>
extern "C" {
#include <npapi.h>
}

using namespace kvxnp;

namespace {

const DWORD kHandleMagic = 0x504E584Bu; // "KXNP"

CRITICAL_SECTION g_lock;
LONG g_next_handle_id;

// One open enumeration: the entries of its container and how far it has come.
struct EnumHandle {
    DWORD magic;
    LONG id;
    EnumHandle* next;
    Entry* entries;
    DWORD count, pos, batch, enum_fail_code;
    Arena arena;
    WCHAR base[64];
};

EnumHandle* g_handles; // guarded by g_lock

EnumHandle* find_handle(HANDLE h) {
    for (EnumHandle* e = g_handles; e; e = e->next) {
        if ((HANDLE)e == h && e->magic == kHandleMagic)
            return e;
    }
    return nullptr;
}

size_t wbytes(const WCHAR* s) {
    return s ? (wlen(s) + 1) * sizeof(WCHAR) : 0;
}

size_t entry_string_bytes(const Entry* e) {
    return wbytes(e->local) + wbytes(e->remote) + wbytes(e->comment) + wbytes(e->provider);
}

WCHAR* pack_string(const WCHAR* s, unsigned char** tail) {
    if (!s)
        return nullptr;
    size_t bytes = wbytes(s);
    *tail -= bytes;
    mem_copy(*tail, s, bytes);
    return (WCHAR*)*tail;
}

// ---------------------------------------------------------------------------
// Opening.

void begin_query(Query* q, const WCHAR* base, const WCHAR* target, DWORD type, DWORD usage) {
    query_init(q, base);
    q->want_entries = true;
    q->target = target;
    q->req_type = type;
    q->req_usage = usage;
}

// Reads the container asked for; a name that no container line declares but
// that is the provider's own name opens the top level instead.
void read_container(Query* q, const WCHAR* base, const WCHAR* target, DWORD type, DWORD usage) {
    if (q->container_found || !target || q->out_of_memory)
        return;
    if (!finish_providers(q) || !q->provider_name || !wequal(target, q->provider_name))
        return;
    query_free(q);
    begin_query(q, base, nullptr, type, usage);
    if (!run_query(q))
        q->out_of_memory = true;
}

// What NPOpenEnum answers for a query that has read the section.
DWORD open_result(Query* q) {
    if (!q->container_found && q->unknown_empty) {
        q->container_found = true; // an empty container
        q->count = 0;
    }
    if (q->out_of_memory)
        return WN_OUT_OF_MEMORY;
    if (!q->container_found && q->unknown_code)
        return q->unknown_code;
    if (!q->container_found)
        return q->target_seen_as_entry ? WN_NOT_CONTAINER : WN_BAD_NETNAME;
    if (q->fail_code)
        return q->fail_code;
    if (!finish_providers(q))
        return WN_OUT_OF_MEMORY;
    return WN_SUCCESS;
}

// A handle that takes over the query's entries and strings; nullptr when
// memory runs out.
EnumHandle* make_handle(Query* q, const WCHAR* base) {
    EnumHandle* h = (EnumHandle*)mem_alloc(sizeof(EnumHandle));
    if (!h)
        return nullptr;
    mem_zero(h, sizeof(*h));
    h->magic = kHandleMagic;
    h->id = InterlockedIncrement(&g_next_handle_id);
    h->entries = q->entries;
    h->count = q->count;
    h->batch = q->batch;
    h->enum_fail_code = q->enum_fail_code;
    h->arena = q->arena;
    mem_copy(h->base, base, sizeof(h->base));
    q->entries = nullptr;
    q->arena.head = nullptr;
    EnterCriticalSection(&g_lock);
    h->next = g_handles;
    g_handles = h;
    LeaveCriticalSection(&g_lock);
    return h;
}

DWORD open_enum(const WCHAR* base, DWORD scope, DWORD type, DWORD usage, const WCHAR* target,
                LPHANDLE lphEnum, EnumHandle** opened) {
    if (!lphEnum)
        return WN_BAD_POINTER;
    if (scope != RESOURCE_GLOBALNET)
        return WN_NOT_SUPPORTED;
    Query q;
    begin_query(&q, base, target, type, usage);
    DWORD rc = WN_NO_NETWORK;
    if (run_query(&q) && q.section_found) {
        read_container(&q, base, target, type, usage);
        rc = open_result(&q);
    }
    if (rc == WN_SUCCESS) {
        *opened = make_handle(&q, base);
        if (*opened)
            *lphEnum = (HANDLE)*opened;
        else
            rc = WN_OUT_OF_MEMORY;
    }
    query_free(&q);
    return rc;
}

// ---------------------------------------------------------------------------
// Enumerating.

// How many of the next entries fit into avail bytes, at most limit; the bytes
// the first of them needs in *need_first.
DWORD count_fitting(const EnumHandle* h, DWORD limit, unsigned long long avail,
                    unsigned long long* need_first) {
    unsigned long long strings = 0;
    DWORD n = 0;
    *need_first = 0;
    while (n < limit) {
        unsigned long long sb = entry_string_bytes(&h->entries[h->pos + n]);
        if (n == 0)
            *need_first = sizeof(NETRESOURCEW) + sb;
        if ((unsigned long long)(n + 1) * sizeof(NETRESOURCEW) + strings + sb > avail)
            break;
        strings += sb;
        n++;
    }
    return n;
}

// The next n entries into the buffer: records at its head, strings from avail down.
void fill_entries(EnumHandle* h, DWORD n, void* buffer, unsigned long long avail) {
    NETRESOURCEW* out = (NETRESOURCEW*)buffer;
    unsigned char* tail = (unsigned char*)buffer + avail;
    for (DWORD i = 0; i < n; i++) {
        const Entry* e = &h->entries[h->pos + i];
        NETRESOURCEW* r = &out[i];
        r->dwScope = e->scope;
        r->dwType = e->type;
        r->dwDisplayType = e->display;
        r->dwUsage = e->usage;
        r->lpLocalName = pack_string(e->local, &tail);
        r->lpRemoteName = pack_string(e->remote, &tail);
        r->lpComment = pack_string(e->comment, &tail);
        r->lpProvider = pack_string(e->provider, &tail);
    }
    h->pos += n;
}

// One request on an open handle (g_lock held); *returned is the entries given.
DWORD enumerate(EnumHandle* h, LPDWORD lpcCount, LPVOID lpBuffer, LPDWORD lpBufferSize,
                DWORD* returned) {
    DWORD want = *lpcCount, size = *lpBufferSize;
    *returned = 0;
    if (h->enum_fail_code)
        return h->enum_fail_code;
    if (h->pos >= h->count)
        return WN_NO_MORE_ENTRIES;
    DWORD limit = h->count - h->pos;
    if (want != 0xFFFFFFFFu && want < limit)
        limit = want;
    if (h->batch && h->batch < limit)
        limit = h->batch;
    if (limit == 0) { // zero entries asked for: nothing to do
        *lpcCount = 0;
        return WN_SUCCESS;
    }
    unsigned long long avail = size & ~(DWORD)1; // keeps the strings WCHAR-aligned
    unsigned long long need_first;
    DWORD n = count_fitting(h, limit, avail, &need_first);
    if (n == 0) { // not even one entry fits
        *lpBufferSize = need_first > 0xFFFFFFFFull ? 0xFFFFFFFFu : (DWORD)need_first;
        mem_zero(lpBuffer, size);
        return WN_MORE_DATA;
    }
    fill_entries(h, n, lpBuffer, avail);
    *lpcCount = n;
    *returned = n;
    return WN_SUCCESS;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE inst, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        set_provider_module(inst);
        InitializeCriticalSection(&g_lock);
        DisableThreadLibraryCalls(inst);
    } else if (reason == DLL_PROCESS_DETACH) {
        DeleteCriticalSection(&g_lock);
    }
    return TRUE;
}

// NPGetCaps [kvxnp.1]
extern "C" DWORD WINAPI NPGetCaps(DWORD nIndex) {
    if (nIndex == WNNC_SPEC_VERSION)
        return WNNC_SPEC_VERSION51;
    if (nIndex != WNNC_NET_TYPE && nIndex != WNNC_ENUMERATION)
        return 0;
    WCHAR base[64];
    module_base_name(base, 64);
    Query q;
    query_init(&q, base);
    run_query(&q);
    DWORD r = nIndex == WNNC_NET_TYPE ? q.net_type : (q.enumeration_off ? 0 : WNNC_ENUM_GLOBAL);
    query_free(&q);
    return r;
}

// NPOpenEnum [kvxnp.2]
extern "C" DWORD WINAPI NPOpenEnum(DWORD dwScope, DWORD dwType, DWORD dwUsage,
                                   LPNETRESOURCEW lpNetResource, LPHANDLE lphEnum) {
    WCHAR base[64];
    module_base_name(base, 64);
    const WCHAR* target = lpNetResource ? lpNetResource->lpRemoteName : nullptr;
    LogLine l(base, "open scope=");
    l.number(dwScope);
    l.text(" type=");
    l.number(dwType);
    l.text(" usage=");
    l.number(dwUsage, true);
    l.text(" net=");
    l.text(lpNetResource ? "yes" : "null");
    l.text(" remote=");
    l.wide(target);
    l.text(" provider=");
    l.wide(lpNetResource ? lpNetResource->lpProvider : nullptr);

    EnumHandle* h = nullptr;
    DWORD rc = open_enum(base, dwScope, dwType, dwUsage, target, lphEnum, &h);
    l.text(" -> ");
    l.number(rc);
    if (h) {
        l.text(" handle=");
        l.number((unsigned long)h->id);
        l.text(" entries=");
        l.number(h->count);
    }
    l.emit();
    return rc;
}

// NPEnumResource [kvxnp.3]
extern "C" DWORD WINAPI NPEnumResource(HANDLE hEnum, LPDWORD lpcCount, LPVOID lpBuffer,
                                       LPDWORD lpBufferSize) {
    if (!lpcCount || !lpBuffer || !lpBufferSize)
        return WN_BAD_POINTER;
    EnterCriticalSection(&g_lock);
    EnumHandle* h = find_handle(hEnum);
    if (!h) {
        LeaveCriticalSection(&g_lock);
        return WN_BAD_HANDLE;
    }
    DWORD want = *lpcCount, size = *lpBufferSize, first = h->pos, n;
    DWORD rc = enumerate(h, lpcCount, lpBuffer, lpBufferSize, &n);
    LONG id = h->id;
    WCHAR base[64];
    mem_copy(base, h->base, sizeof(base));
    LeaveCriticalSection(&g_lock);

    LogLine l(base, "enum handle=");
    l.number((unsigned long)id);
    l.text(" count=");
    l.number(want, want == 0xFFFFFFFFu);
    l.text(" size=");
    l.number(size);
    l.text(" -> ");
    l.number(rc);
    if (rc == WN_SUCCESS) {
        l.text(" returned=");
        l.number(n);
        l.text(" from=");
        l.number(first);
    } else if (rc == WN_MORE_DATA) {
        l.text(" needed=");
        l.number(*lpBufferSize);
    }
    l.emit();
    return rc;
}

// NPCloseEnum [kvxnp.4]
extern "C" DWORD WINAPI NPCloseEnum(HANDLE hEnum) {
    EnterCriticalSection(&g_lock);
    EnumHandle** pp = &g_handles;
    while (*pp && (HANDLE)*pp != hEnum)
        pp = &(*pp)->next;
    EnumHandle* h = *pp;
    if (h)
        *pp = h->next;
    LeaveCriticalSection(&g_lock);
    if (!h)
        return WN_BAD_HANDLE;

    LogLine l(h->base, "close handle=");
    l.number((unsigned long)h->id);
    l.emit();

    h->magic = 0;
    mem_free(h->entries);
    arena_free(&h->arena);
    mem_free(h);
    return WN_SUCCESS;
}
