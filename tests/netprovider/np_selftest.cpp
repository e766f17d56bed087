/*
 * np_selftest: checks the test network provider (kvxnp.dll) and shows what the
 * network provider router makes of it.
 *
 *   np_selftest [options] [PROVIDER [REMOTE]]
 *       Walks the router with WNetOpenEnumA / WNetEnumResourceA /
 *       WNetCloseEnum (ANSI, RESOURCE_GLOBALNET, RESOURCETYPE_PRINT, usage 0)
 *       from the top of the network (or from the container named by PROVIDER
 *       and REMOTE; REMOTE may be the word NULL) and prints every batch and
 *       every entry, indented by depth.
 *       -a        print every entry (default: a container with more than 40
 *                 entries shows its first 10 and last 10)
 *       -b SIZE   buffer size of each request (default 16384)
 *       -d DEPTH  deepest level to open (default 6; 0 opens only the start)
 *       -r        ask for 0xFFFFFFFF entries in every request (default: pass
 *                 on the count that the previous request left, as
 *                 GetPortsSelect does)
 *       -t TYPE   resource type (default 2, print)
 *       Entries with no remote name are not descended into (the router would
 *       list the providers again).  A failing request is tried 3 times at most,
 *       and a container is left after 5000 batches.
 *       Every string pointer is checked to lie inside the caller's buffer and
 *       the bytes after the buffer to be untouched; a violation prints BAD and
 *       makes the exit code 1.
 *
 *   np_selftest --direct DLL
 *       Loads the provider DLL itself and checks the provider interface on
 *       the whole tree it serves (exact sizes, WN_MORE_DATA, counts, packing,
 *       bad handles); prints "N passed, N failed".
 *
 *   np_selftest --fuzz DLL ROUNDS SEED
 *       Writes ROUNDS random tree files (to %TEMP%), points KVXNP_TREE at each
 *       and drives the DLL with random buffer sizes and counts, checking that
 *       it never writes outside the buffer; prints "N passed, N failed".
 */

#include <windows.h>
#include <winnetwk.h>
extern "C" {
#include <npapi.h>
}
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace {

const unsigned char kGuard = 0xA5;
const DWORD kGuardBytes = 64;

/* ------------------------------------------------------------------------ */
/* Router walk                                                               */

struct WalkOptions {
    bool all = false;
    DWORD buffer = 16384;
    int max_depth = 6;
    bool reset_count = false;
    DWORD type = RESOURCETYPE_PRINT;
};

struct WalkStats {
    unsigned long opens = 0, open_failures = 0, batches = 0, entries = 0, errors = 0, bad = 0;
};

void indent(int depth) {
    for (int i = 0; i < depth; i++)
        fputs("    ", stdout);
}

void print_str(const char* label, const char* s) {
    if (s)
        printf(" %s=\"%s\"", label, s);
    else
        printf(" %s=(null)", label);
}

void print_entry(int depth, unsigned long index, const NETRESOURCEA* r) {
    indent(depth);
    printf("[%lu] dt=%lu usage=0x%lx type=%lu scope=%lu", index, (unsigned long)r->dwDisplayType,
           (unsigned long)r->dwUsage, (unsigned long)r->dwType, (unsigned long)r->dwScope);
    print_str("provider", r->lpProvider);
    const char* remote = r->lpRemoteName;
    if (remote && strlen(remote) > 120)
        printf(" remote=<%u characters>", (unsigned)strlen(remote));
    else
        print_str("remote", remote);
    print_str("comment", r->lpComment);
    print_str("local", r->lpLocalName);
    putchar('\n');
}

/* Checks that a string lies wholly inside [buf, buf+size). */
bool string_inside(const char* s, const unsigned char* buf, DWORD size) {
    if (!s)
        return true;
    const unsigned char* p = (const unsigned char*)s;
    if (p < buf || p >= buf + size)
        return false;
    for (; p < buf + size; p++)
        if (!*p)
            return true;
    return false;
}

bool guard_intact(const unsigned char* buf, DWORD size) {
    for (DWORD i = 0; i < kGuardBytes; i++)
        if (buf[size + i] != kGuard)
            return false;
    return true;
}

void walk(const NETRESOURCEA* container, int depth, const WalkOptions& o, WalkStats& st);

// Opens a container (the top of the network for nullptr) and says so; nullptr
// when the open fails.
HANDLE open_container(const NETRESOURCEA* container, int depth, const WalkOptions& o,
                      WalkStats& st) {
    HANDLE h = nullptr;
    DWORD rc =
        WNetOpenEnumA(RESOURCE_GLOBALNET, o.type, 0, const_cast<NETRESOURCEA*>(container), &h);
    st.opens++;
    indent(depth);
    printf("open");
    if (container) {
        print_str("provider", container->lpProvider);
        print_str("remote", container->lpRemoteName);
    } else {
        printf(" (top of the network)");
    }
    printf(" -> %lu\n", (unsigned long)rc);
    if (rc != NO_ERROR) {
        st.open_failures++;
        return nullptr;
    }
    return h;
}

// The n entries of one batch in buf (asked_size bytes): each checked to lie
// inside the buffer, shown, and opened in turn when it is a container.
void walk_batch(const unsigned char* buf, DWORD n, DWORD asked_size, unsigned long& index,
                int depth, const WalkOptions& o, WalkStats& st) {
    const NETRESOURCEA* res = (const NETRESOURCEA*)buf;
    if ((unsigned long long)n * sizeof(NETRESOURCEA) > asked_size) {
        indent(depth);
        printf("BAD: %lu entries cannot fit in %lu bytes\n", (unsigned long)n,
               (unsigned long)asked_size);
        st.bad++;
        n = asked_size / sizeof(NETRESOURCEA);
    }
    for (DWORD i = 0; i < n; i++, index++) {
        const NETRESOURCEA* r = &res[i];
        if (!string_inside(r->lpProvider, buf, asked_size) ||
            !string_inside(r->lpRemoteName, buf, asked_size) ||
            !string_inside(r->lpComment, buf, asked_size) ||
            !string_inside(r->lpLocalName, buf, asked_size)) {
            indent(depth + 1);
            printf("BAD: entry %lu has a string outside the buffer\n", index);
            st.bad++;
            continue;
        }
        st.entries++;
        bool show = o.all || index < 10;
        if (show)
            print_entry(depth + 1, index, r);
        else if (index == 10) {
            indent(depth + 1);
            printf("...\n");
        }
        bool descend =
            depth < o.max_depth && r->lpRemoteName && (r->dwUsage & RESOURCEUSAGE_CONTAINER);
        if (descend)
            walk(r, depth + 2, o, st);
    }
}

void walk(const NETRESOURCEA* container, int depth, const WalkOptions& o, WalkStats& st) {
    HANDLE h = open_container(container, depth, o, st);
    if (!h)
        return;
    DWORD rc;

    DWORD count = 0xFFFFFFFF, size = o.buffer;
    unsigned long index = 0, batch = 0;
    int failures = 0;
    for (;;) {
        if (o.reset_count)
            count = 0xFFFFFFFF;
        DWORD asked_count = count, asked_size = size;
        unsigned char* buf = (unsigned char*)malloc((size_t)size + kGuardBytes);
        if (!buf) {
            indent(depth);
            printf("out of memory for %lu bytes\n", (unsigned long)size);
            break;
        }
        memset(buf, kGuard, (size_t)size + kGuardBytes);
        rc = WNetEnumResourceA(h, &count, buf, &size);
        if (!guard_intact(buf, asked_size)) {
            indent(depth);
            printf("BAD: the router wrote past the %lu-byte buffer\n", (unsigned long)asked_size);
            st.bad++;
        }
        if (rc == ERROR_NO_MORE_ITEMS) {
            indent(depth);
            printf("end: rc=%lu after %lu entries in %lu batches\n", (unsigned long)rc, index,
                   batch);
            free(buf);
            break;
        }
        if (rc != NO_ERROR) {
            indent(depth);
            printf("request: count=%ld size=%lu -> rc=%lu (count now %ld, size now %lu)\n",
                   (long)asked_count, (unsigned long)asked_size, (unsigned long)rc, (long)count,
                   (unsigned long)size);
            st.errors++;
            free(buf);
            if (++failures >= 3) {
                indent(depth);
                printf("giving up on this container after %d failed requests\n", failures);
                break;
            }
            continue;
        }
        failures = 0;
        batch++;
        if (batch > 5000) {
            indent(depth);
            printf("giving up on this container after 5000 batches\n");
            free(buf);
            break;
        }
        st.batches++;
        indent(depth);
        printf("batch %lu: count=%ld size=%lu -> rc=0 count=%lu\n", batch, (long)asked_count,
               (unsigned long)asked_size, (unsigned long)count);
        walk_batch(buf, count, asked_size, index, depth, o, st);
        free(buf);
    }
    if (!o.all && index > 10) {
        indent(depth);
        printf("(%lu entries, %lu shown; -a shows all)\n", index, index < 10 ? index : 10ul);
    }
    rc = WNetCloseEnum(h);
    if (rc != NO_ERROR) {
        indent(depth);
        printf("close -> %lu\n", (unsigned long)rc);
    }
}

int run_walk(int argc, char** argv) {
    WalkOptions o;
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1]; i++) {
        const char* a = argv[i];
        if (!strcmp(a, "-a"))
            o.all = true;
        else if (!strcmp(a, "-r"))
            o.reset_count = true;
        else if (!strcmp(a, "-b") && i + 1 < argc)
            o.buffer = (DWORD)strtoul(argv[++i], nullptr, 0);
        else if (!strcmp(a, "-d") && i + 1 < argc)
            o.max_depth = atoi(argv[++i]);
        else if (!strcmp(a, "-t") && i + 1 < argc)
            o.type = (DWORD)strtoul(argv[++i], nullptr, 0);
        else {
            fprintf(
                stderr,
                "usage: np_selftest [-a] [-b SIZE] [-d DEPTH] [-r] [-t TYPE] [PROVIDER [REMOTE]]\n"
                "       np_selftest --direct DLL\n"
                "       np_selftest --fuzz DLL ROUNDS SEED\n");
            return 2;
        }
    }
    WalkStats st;
    if (i < argc) {
        NETRESOURCEA start;
        memset(&start, 0, sizeof(start));
        start.dwScope = RESOURCE_GLOBALNET;
        start.dwUsage = RESOURCEUSAGE_CONTAINER;
        start.lpProvider = argv[i];
        start.lpRemoteName =
            (i + 1 < argc) ? (strcmp(argv[i + 1], "NULL") ? argv[i + 1] : nullptr) : argv[i];
        walk(&start, 0, o, st);
    } else {
        walk(nullptr, 0, o, st);
    }
    printf("summary: opens=%lu open_failures=%lu batches=%lu entries=%lu failed_requests=%lu "
           "bad=%lu\n",
           st.opens, st.open_failures, st.batches, st.entries, st.errors, st.bad);
    return st.bad ? 1 : 0;
}

/* ------------------------------------------------------------------------ */
/* Direct checks of the provider DLL                                         */

struct Provider {
    HMODULE lib = nullptr;
    PF_NPGetCaps caps = nullptr;
    PF_NPOpenEnum open = nullptr;
    PF_NPEnumResource enumerate = nullptr;
    PF_NPCloseEnum close = nullptr;
};

template <typename F> F proc(HMODULE m, const char* name) {
    FARPROC p = GetProcAddress(m, name);
    F f;
    memcpy(&f, &p, sizeof(f));
    return f;
}

bool load_provider(const char* path, Provider& p) {
    p.lib = LoadLibraryA(path);
    if (!p.lib) {
        printf("cannot load %s (error %lu)\n", path, (unsigned long)GetLastError());
        return false;
    }
    p.caps = proc<PF_NPGetCaps>(p.lib, "NPGetCaps");
    p.open = proc<PF_NPOpenEnum>(p.lib, "NPOpenEnum");
    p.enumerate = proc<PF_NPEnumResource>(p.lib, "NPEnumResource");
    p.close = proc<PF_NPCloseEnum>(p.lib, "NPCloseEnum");
    if (!p.caps || !p.open || !p.enumerate || !p.close) {
        printf("%s lacks one of NPGetCaps, NPOpenEnum, NPEnumResource, NPCloseEnum\n", path);
        return false;
    }
    return true;
}

unsigned long g_passed, g_failed;

void check(bool ok, const char* what, const wchar_t* where = nullptr) {
    if (ok) {
        g_passed++;
        return;
    }
    g_failed++;
    if (g_failed <= 60) {
        if (where)
            printf("FAILED: %s (at %ls)\n", what, where);
        else
            printf("FAILED: %s\n", what);
    }
}

/* A copy of one entry, owned. */
struct Item {
    DWORD scope, type, display, usage;
    wchar_t* s[4]; /* local, remote, comment, provider */
};

wchar_t* dupw(const wchar_t* s) {
    if (!s)
        return nullptr;
    size_t n = wcslen(s) + 1;
    wchar_t* d = (wchar_t*)malloc(n * sizeof(wchar_t));
    if (d)
        memcpy(d, s, n * sizeof(wchar_t));
    return d;
}

Item copy_item(const NETRESOURCEW* r) {
    Item it;
    it.scope = r->dwScope;
    it.type = r->dwType;
    it.display = r->dwDisplayType;
    it.usage = r->dwUsage;
    it.s[0] = dupw(r->lpLocalName);
    it.s[1] = dupw(r->lpRemoteName);
    it.s[2] = dupw(r->lpComment);
    it.s[3] = dupw(r->lpProvider);
    return it;
}

void free_item(Item& it) {
    for (auto& s : it.s)
        free(s);
}

bool same_str(const wchar_t* a, const wchar_t* b) {
    if (!a || !b)
        return a == b;
    return wcscmp(a, b) == 0;
}

bool same_item(const Item& it, const NETRESOURCEW* r) {
    return it.scope == r->dwScope && it.type == r->dwType && it.display == r->dwDisplayType &&
           it.usage == r->dwUsage && same_str(it.s[0], r->lpLocalName) &&
           same_str(it.s[1], r->lpRemoteName) && same_str(it.s[2], r->lpComment) &&
           same_str(it.s[3], r->lpProvider);
}

size_t item_bytes(const Item& it) {
    size_t n = sizeof(NETRESOURCEW);
    for (auto s : it.s)
        if (s)
            n += (wcslen(s) + 1) * sizeof(wchar_t);
    return n;
}

bool wstring_inside(const wchar_t* s, const unsigned char* buf, DWORD size) {
    if (!s)
        return true;
    const unsigned char* p = (const unsigned char*)s;
    if (p < buf || p + sizeof(wchar_t) > buf + size)
        return false;
    for (const wchar_t* q = s; (const unsigned char*)(q + 1) <= buf + size; q++)
        if (!*q)
            return true;
    return false;
}

bool batch_inside(const unsigned char* buf, DWORD size, DWORD n) {
    if ((unsigned long long)n * sizeof(NETRESOURCEW) > size)
        return false;
    const NETRESOURCEW* r = (const NETRESOURCEW*)buf;
    for (DWORD i = 0; i < n; i++)
        if (!wstring_inside(r[i].lpLocalName, buf, size) ||
            !wstring_inside(r[i].lpRemoteName, buf, size) ||
            !wstring_inside(r[i].lpComment, buf, size) ||
            !wstring_inside(r[i].lpProvider, buf, size))
            return false;
    return true;
}

/* A buffer with a guard zone after it. */
struct GuardedBuffer {
    unsigned char* mem = nullptr;
    DWORD size = 0;
    bool make(DWORD n) {
        free(mem);
        size = n;
        mem = (unsigned char*)malloc((size_t)n + kGuardBytes + 1);
        if (mem)
            memset(mem, kGuard, (size_t)n + kGuardBytes);
        return mem != nullptr;
    }
    bool intact() const { return guard_intact(mem, size); }
    ~GuardedBuffer() { free(mem); }
};

struct ItemList {
    Item* items = nullptr;
    size_t count = 0, cap = 0;
    void push(const Item& it) {
        if (count == cap) {
            cap = cap ? cap * 2 : 64;
            items = (Item*)realloc(items, cap * sizeof(Item));
            if (!items)
                abort();
        }
        items[count++] = it;
    }
    ~ItemList() {
        for (size_t i = 0; i < count; i++)
            free_item(items[i]);
        free(items);
    }
};

/* Reference listing: one big buffer, as many entries as fit.  Returns the
 * open's error, or sets *enum_error to the error of a container whose
 * enumeration fails. */
DWORD list_all(const Provider& p, NETRESOURCEW* net, ItemList& out, const wchar_t* where,
               DWORD* enum_error) {
    HANDLE h = nullptr;
    *enum_error = 0;
    DWORD rc = p.open(RESOURCE_GLOBALNET, RESOURCETYPE_PRINT, 0, net, &h);
    if (rc != WN_SUCCESS)
        return rc;
    GuardedBuffer b;
    DWORD cap = 1u << 20;
    for (int guard = 0; guard < 100000; guard++) {
        if (!b.make(cap))
            break;
        DWORD count = 0xFFFFFFFF, size = cap;
        rc = p.enumerate(h, &count, b.mem, &size);
        check(b.intact(), "no write past the buffer (reference listing)", where);
        if (rc == WN_NO_MORE_ENTRIES)
            break;
        if (rc == WN_MORE_DATA) {
            check(size > cap, "WN_MORE_DATA asks for more than it was given", where);
            if (size <= cap)
                break;
            cap = size;
            continue;
        }
        if (rc != WN_SUCCESS) {
            /* A container whose enumeration fails (enumfail=): it must keep failing the same way.
             */
            check(out.count == 0, "an enumeration fails from its first request on", where);
            *enum_error = rc;
            DWORD count2 = 0xFFFFFFFF, size2 = cap;
            check(p.enumerate(h, &count2, b.mem, &size2) == rc,
                  "a failing enumeration keeps failing", where);
            break;
        }
        check(count >= 1 && batch_inside(b.mem, cap, count), "reference batch lies in the buffer",
              where);
        const NETRESOURCEW* r = (const NETRESOURCEW*)b.mem;
        for (DWORD i = 0; i < count && (unsigned long long)(i + 1) * sizeof(NETRESOURCEW) <= cap;
             i++)
            out.push(copy_item(&r[i]));
    }
    check(p.close(h) == WN_SUCCESS, "NPCloseEnum succeeds", where);
    return WN_SUCCESS;
}

/* One entry per request, with exact sizes. */
void check_exact(const Provider& p, NETRESOURCEW* net, const ItemList& ref, const wchar_t* where) {
    HANDLE h = nullptr;
    DWORD rc = p.open(RESOURCE_GLOBALNET, RESOURCETYPE_PRINT, 0, net, &h);
    check(rc == WN_SUCCESS, "reopen succeeds", where);
    if (rc != WN_SUCCESS)
        return;
    GuardedBuffer b;
    for (size_t i = 0; i < ref.count; i++) {
        DWORD need = (DWORD)item_bytes(ref.items[i]);
        /* Too small: one byte short, and tiny. */
        DWORD small[2] = {need - 1, 1};
        for (DWORD s : small) {
            if (!b.make(s))
                return;
            DWORD count = 0xFFFFFFFF, size = s;
            rc = p.enumerate(h, &count, b.mem, &size);
            check(rc == WN_MORE_DATA, "a buffer one byte short gives WN_MORE_DATA", where);
            check(size == need, "WN_MORE_DATA reports the exact size of the next entry", where);
            check(count == 0xFFFFFFFF, "WN_MORE_DATA leaves the count alone", where);
            check(b.intact(), "no write past a too-small buffer", where);
        }
        if (!b.make(need))
            return;
        DWORD count = 0xFFFFFFFF, size = need;
        rc = p.enumerate(h, &count, b.mem, &size);
        check(rc == WN_SUCCESS && count == 1, "the exact size gives exactly one entry", where);
        check(b.intact(), "no write past an exactly sized buffer", where);
        if (rc == WN_SUCCESS && count == 1) {
            check(batch_inside(b.mem, need, 1), "strings lie inside the buffer", where);
            check(same_item(ref.items[i], (const NETRESOURCEW*)b.mem),
                  "entry equals the reference listing", where);
        }
    }
    for (int k = 0; k < 2; k++) {
        if (!b.make(4096))
            return;
        DWORD count = 0xFFFFFFFF, size = 4096;
        check(p.enumerate(h, &count, b.mem, &size) == WN_NO_MORE_ENTRIES,
              "WN_NO_MORE_ENTRIES at the end", where);
    }
    check(p.close(h) == WN_SUCCESS, "NPCloseEnum succeeds", where);
}

/* Batches of 16384 bytes with a count that shrinks like GetPortsSelect's. */
void check_batches(const Provider& p, NETRESOURCEW* net, const ItemList& ref, const wchar_t* where,
                   unsigned long* batches, bool* oversized) {
    *oversized = false;
    HANDLE h = nullptr;
    DWORD rc = p.open(RESOURCE_GLOBALNET, RESOURCETYPE_PRINT, 0, net, &h);
    if (rc != WN_SUCCESS)
        return;
    GuardedBuffer b;
    size_t at = 0;
    DWORD count = 0xFFFFFFFF;
    *batches = 0;
    for (int guard = 0; guard < 1000000; guard++) {
        if (!b.make(16384))
            return;
        DWORD size = 16384, asked = count;
        rc = p.enumerate(h, &count, b.mem, &size);
        check(b.intact(), "no write past a 16384-byte buffer", where);
        if (rc == WN_MORE_DATA) {
            /* Only when the next entry is larger than the buffer. */
            bool too_big = at < ref.count && item_bytes(ref.items[at]) > 16384;
            check(too_big && size == item_bytes(ref.items[at]),
                  "WN_MORE_DATA only for an entry larger than the buffer", where);
            if (too_big)
                *oversized = true;
            break;
        }
        if (rc != WN_SUCCESS) {
            check(rc == WN_NO_MORE_ENTRIES, "batches end with WN_NO_MORE_ENTRIES", where);
            break;
        }
        (*batches)++;
        check(count >= 1 && (asked == 0xFFFFFFFF || count <= asked),
              "a batch honours the count asked for", where);
        check(batch_inside(b.mem, 16384, count), "batch strings lie inside the buffer", where);
        const NETRESOURCEW* r = (const NETRESOURCEW*)b.mem;
        for (DWORD i = 0; i < count && at < ref.count && (i + 1) * sizeof(NETRESOURCEW) <= 16384;
             i++, at++)
            check(same_item(ref.items[at], &r[i]), "batched entry equals the reference listing",
                  where);
    }
    check(*oversized || at == ref.count, "batches deliver every entry", where);
    p.close(h);
}

void direct_container(const Provider& p, NETRESOURCEW* net, int depth, wchar_t (*seen)[512],
                      size_t* nseen) {
    const wchar_t* where = net && net->lpRemoteName ? net->lpRemoteName : L"(top)";
    ItemList ref;
    DWORD enum_error = 0;
    DWORD rc = list_all(p, net, ref, where, &enum_error);
    if (rc != WN_SUCCESS || enum_error) {
        for (int i = 0; i < depth; i++)
            fputs("  ", stdout);
        if (rc != WN_SUCCESS)
            printf("%ls: open fails with %lu\n", where, (unsigned long)rc);
        else
            printf("%ls: opens, enumeration fails with %lu\n", where, (unsigned long)enum_error);
        return;
    }
    check_exact(p, net, ref, where);
    unsigned long batches = 0;
    bool oversized = false;
    check_batches(p, net, ref, where, &batches, &oversized);
    for (int i = 0; i < depth; i++)
        fputs("  ", stdout);
    printf("%ls: %lu entries, %lu batches of 16384 bytes%s\n", where, (unsigned long)ref.count,
           batches, oversized ? ", then WN_MORE_DATA for an entry larger than 16384 bytes" : "");
    if (depth >= 6)
        return;
    for (size_t i = 0; i < ref.count; i++) {
        Item& it = ref.items[i];
        if (!(it.usage & RESOURCEUSAGE_CONTAINER) || !it.s[1])
            continue;
        bool known = false;
        for (size_t k = 0; k < *nseen; k++)
            if (!wcscmp(seen[k], it.s[1]))
                known = true;
        if (known || *nseen >= 256 || wcslen(it.s[1]) >= 511)
            continue;
        wcscpy(seen[(*nseen)++], it.s[1]);
        NETRESOURCEW child;
        memset(&child, 0, sizeof(child));
        child.dwScope = it.scope;
        child.dwType = it.type;
        child.dwDisplayType = it.display;
        child.dwUsage = it.usage;
        child.lpRemoteName = it.s[1];
        child.lpProvider = it.s[3];
        direct_container(p, &child, depth + 1, seen, nseen);
    }
}

int run_direct(const char* dll) {
    Provider p;
    if (!load_provider(dll, p))
        return 1;
    check(p.caps(WNNC_SPEC_VERSION) == WNNC_SPEC_VERSION51, "NPGetCaps(WNNC_SPEC_VERSION)");
    DWORD e = p.caps(WNNC_ENUMERATION);
    check(e == WNNC_ENUM_GLOBAL || e == 0, "NPGetCaps(WNNC_ENUMERATION)");
    check(p.caps(WNNC_CONNECTION) == 0, "NPGetCaps(WNNC_CONNECTION) is 0");
    printf("NPGetCaps: version=0x%08lx nettype=0x%08lx enumeration=0x%lx\n",
           (unsigned long)p.caps(WNNC_SPEC_VERSION), (unsigned long)p.caps(WNNC_NET_TYPE),
           (unsigned long)e);

    HANDLE h = nullptr;
    check(p.open(RESOURCE_CONNECTED, 0, 0, nullptr, &h) == WN_NOT_SUPPORTED,
          "RESOURCE_CONNECTED not supported");
    check(p.open(RESOURCE_GLOBALNET, 0, 0, nullptr, nullptr) == WN_BAD_POINTER,
          "null handle pointer");
    DWORD count = 1, size = 100;
    unsigned char buf[100];
    check(p.enumerate((HANDLE)buf, &count, buf, &size) == WN_BAD_HANDLE,
          "unknown handle to NPEnumResource");
    check(p.close((HANDLE)buf) == WN_BAD_HANDLE, "unknown handle to NPCloseEnum");
    check(p.enumerate((HANDLE)buf, nullptr, buf, &size) == WN_BAD_POINTER, "null count pointer");
    NETRESOURCEW bogus;
    memset(&bogus, 0, sizeof(bogus));
    bogus.lpRemoteName = const_cast<wchar_t*>(L"\\\\no such container, surely\\x");
    if (p.open(RESOURCE_GLOBALNET, 0, 0, &bogus, &h) == WN_SUCCESS) {
        /* "unknown empty": an unknown name opens as an empty container. */
        count = 0xFFFFFFFF;
        size = sizeof(buf);
        check(p.enumerate(h, &count, buf, &size) == WN_NO_MORE_ENTRIES,
              "an unknown container is empty or fails");
        check(p.close(h) == WN_SUCCESS, "NPCloseEnum succeeds");
    } else {
        g_passed++;
    }

    wchar_t(*seen)[512] = (wchar_t(*)[512])calloc(256, sizeof(*seen));
    size_t nseen = 0;
    direct_container(p, nullptr, 0, seen, &nseen);
    free(seen);
    printf("%lu passed, %lu failed\n", g_passed, g_failed);
    return g_failed ? 1 : 0;
}

/* ------------------------------------------------------------------------ */
/* Fuzz                                                                      */

unsigned long g_rng;

unsigned rnd(unsigned n) {
    g_rng = g_rng * 1103515245ul + 12345ul;
    return n ? (unsigned)((g_rng >> 8) % n) : 0;
}

const char* const kWords[] = {"container",
                              "NULL",
                              "\"NULL\"",
                              "provider",
                              "nettype",
                              "enumeration",
                              "off",
                              "on",
                              "repeat",
                              "share",
                              "server",
                              "domain",
                              "generic",
                              "network",
                              "0",
                              "200",
                              "0x80",
                              "4294967295",
                              "99999999999",
                              "fail=5",
                              "fail=BAD_NETNAME",
                              "enumfail=59",
                              "batch=1",
                              "batch=0",
                              "batch=3",
                              "comment=\"a b\"",
                              "provider=NULL",
                              "provider=\"Other\"",
                              "type=disk",
                              "type=print",
                              "type=any",
                              "usage=connectable|container",
                              "usage=0",
                              "display=255",
                              "scope=context",
                              "start=4294967290",
                              "local=LPT1:",
                              "\\\\SRV",
                              "\\\\SRV\\P",
                              "SALES",
                              "=",
                              "\"",
                              "\"\"",
                              "a=b=c",
                              "%d",
                              "\\\\G\\%04d",
                              "%%",
                              "%09999d",
                              "[kvxnp]",
                              "#",
                              "\xff\xfe",
                              "\xc3\xa9",
                              "\x80\x81",
                              "[",
                              "]",
                              "k=",
                              "=v",
                              "type=",
                              "usage=|",
                              "usage=all,reserved"};

void fuzz_line(FILE* f, const char* section) {
    switch (rnd(12)) {
    case 0:
        fprintf(f, "[%s]\n", rnd(4) ? section : "other");
        return;
    case 1:
        fprintf(f, "container %s%s\n",
                rnd(3) ? "NULL" : kWords[rnd(sizeof(kWords) / sizeof(kWords[0]))],
                rnd(3) ? "" : " batch=2");
        return;
    case 2:
        fprintf(f, "repeat %u share \\\\G\\P%%0%ud%s\n", rnd(3) ? rnd(300) : rnd(20000), rnd(8),
                rnd(2) ? " comment=x" : "");
        return;
    case 3: {
        unsigned n = rnd(3) ? rnd(40) : rnd(20000);
        fputs("share \\\\L\\", f);
        for (unsigned i = 0; i < n; i++)
            fputc('a' + (int)rnd(26), f);
        fputc('\n', f);
        return;
    }
    case 4: {
        unsigned n = rnd(200);
        for (unsigned i = 0; i < n; i++)
            fputc((int)rnd(256), f);
        fputc('\n', f);
        return;
    }
    default: {
        unsigned n = 1 + rnd(8);
        for (unsigned i = 0; i < n; i++)
            fprintf(f, "%s%s", i ? (rnd(5) ? " " : "\t") : "",
                    kWords[rnd(sizeof(kWords) / sizeof(kWords[0]))]);
        if (rnd(10))
            fputc('\n', f);
        else
            fputs("\r\n", f);
        return;
    }
    }
}

void fuzz_enumerate(const Provider& p, HANDLE h) {
    GuardedBuffer b;
    DWORD count = 0xFFFFFFFF;
    for (int i = 0; i < 400; i++) {
        DWORD cap = rnd(4) ? 1 + rnd(20000) : rnd(64);
        if (!b.make(cap))
            return;
        DWORD size = cap;
        if (rnd(3) == 0)
            count = rnd(2) ? 0xFFFFFFFF : rnd(5);
        DWORD rc = p.enumerate(h, &count, b.mem, &size);
        check(b.intact(), "fuzz: no write past the buffer");
        if (rc == WN_SUCCESS)
            check(batch_inside(b.mem, cap, count), "fuzz: batch lies inside the buffer");
        else if (rc == WN_MORE_DATA)
            check(size > cap, "fuzz: WN_MORE_DATA asks for more");
        if (rc == WN_NO_MORE_ENTRIES || (rc != WN_SUCCESS && rc != WN_MORE_DATA))
            break;
        if (rc == WN_SUCCESS && count == 0)
            count = 0xFFFFFFFF;
    }
}

int run_fuzz(const char* dll, unsigned long rounds, unsigned long seed) {
    Provider p;
    if (!load_provider(dll, p))
        return 1;
    char section[MAX_PATH];
    {
        const char* base = dll;
        for (const char* c = dll; *c; c++)
            if (*c == '\\' || *c == '/')
                base = c + 1;
        snprintf(section, sizeof(section), "%s", base);
        char* dot = strrchr(section, '.');
        if (dot)
            *dot = 0;
    }
    char tmp[MAX_PATH], path[MAX_PATH + 32];
    DWORD n = GetTempPathA(MAX_PATH, tmp);
    if (!n || n >= MAX_PATH)
        strcpy(tmp, ".\\");
    snprintf(path, sizeof(path), "%skvxnp-fuzz-%lu.txt", tmp, seed);
    SetEnvironmentVariableA("KVXNP_TREE", path);
    g_rng = seed;
    for (unsigned long r = 0; r < rounds; r++) {
        FILE* f = fopen(path, "wb");
        if (!f) {
            printf("cannot write %s\n", path);
            return 1;
        }
        if (rnd(10) == 0)
            fputs("\xef\xbb\xbf", f);
        fprintf(f, "[%s]\n", section);
        unsigned lines = rnd(60);
        for (unsigned i = 0; i < lines; i++)
            fuzz_line(f, section);
        fclose(f);

        p.caps(WNNC_NET_TYPE);
        p.caps(WNNC_ENUMERATION);
        static const wchar_t* const names[] = {nullptr,      L"SALES", L"\\\\SRV", L"NULL",
                                               L"\\\\G\\P1", L"",      L"%d"};
        for (const wchar_t* name : names) {
            NETRESOURCEW net;
            memset(&net, 0, sizeof(net));
            net.lpRemoteName = const_cast<wchar_t*>(name);
            HANDLE h = nullptr;
            DWORD rc = p.open(RESOURCE_GLOBALNET, rnd(2) ? RESOURCETYPE_PRINT : RESOURCETYPE_ANY,
                              rnd(3), rnd(4) ? &net : nullptr, &h);
            g_passed++;
            if (rc == WN_SUCCESS) {
                fuzz_enumerate(p, h);
                check(p.close(h) == WN_SUCCESS, "fuzz: close");
            }
        }
    }
    DeleteFileA(path);
    printf("%lu passed, %lu failed\n", g_passed, g_failed);
    return g_failed ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
    int rc;
    if (argc >= 3 && !strcmp(argv[1], "--direct"))
        rc = run_direct(argv[2]);
    else if (argc >= 5 && !strcmp(argv[1], "--fuzz"))
        rc = run_fuzz(argv[2], strtoul(argv[3], nullptr, 0), strtoul(argv[4], nullptr, 0));
    else
        rc = run_walk(argc, argv);
    fflush(stdout);
    return rc;
}
