/*
 * kvxnp: a test network provider for the Windows network provider router
 * (mpr.dll).  It serves a network tree described in a text file, so that
 * WNetOpenEnumA / WNetEnumResourceA / WNetCloseEnum can be tested end to end
 * against the real router (Wine's, or Windows').
 *
 * Exports (stdcall, undecorated, see kvxnp.def): NPGetCaps, NPOpenEnum,
 * NPEnumResource, NPCloseEnum, all with wide-character NETRESOURCEW.
 *
 * ---------------------------------------------------------------------------
 * WHICH PROVIDER SERVES WHAT
 *
 * The router loads each ProviderPath once, so several providers are served by
 * copies of this one DLL under different file names.  A copy serves the
 * section of the tree file whose name is its own module base name (file name
 * without ".dll", compared without regard to case): kvxnp.dll serves [kvxnp],
 * kvxother.dll serves [kvxother].  The provider's service name in the registry
 * must be that same base name (register.sh does all of this).
 *
 * WHERE THE TREE FILE IS
 *
 *   1. The environment variable KVXNP_TREE, when it is set and not empty (a
 *      Windows path; under Wine, Z:\tmp\x.txt names /tmp/x.txt).
 *   2. Otherwise the value TreeFile (REG_SZ or REG_EXPAND_SZ) of
 *      HKLM\System\CurrentControlSet\Services\<base name>\NetworkProvider.
 * The file is read again by every NPGetCaps and NPOpenEnum call, so a test may
 * rewrite it between two enumerations.  When it cannot be read (or has no
 * section for this module), NPOpenEnum answers WN_NO_NETWORK.
 *
 * Optional call log: the environment variable KVXNP_LOG, or else the value
 * LogFile under the same key, names a file to which every open, enumeration,
 * close and tree-file complaint is appended as one UTF-8 line.
 *
 * ---------------------------------------------------------------------------
 * TREE FILE FORMAT  (UTF-8, UTF-8 with BOM, UTF-16LE with BOM, or ANSI)
 *
 *   # comment                  a line whose first non-blank character is '#'
 *   [kvxnp]                    starts the section served by kvxnp.dll
 *   provider "Kvx Network"     the provider name: registered as Name by
 *                              register.sh and used as the lpProvider of every
 *                              entry that does not say otherwise (default: the
 *                              registry Name value, else the base name)
 *   nettype 0x00FA0000         NPGetCaps(WNNC_NET_TYPE) (default 0x00FA0000)
 *   enumeration off            NPGetCaps(WNNC_ENUMERATION) answers 0, so the
 *                              router lists the provider but cannot open it
 *   unknown empty              opening a name that no container line declares
 *                              succeeds with no entries (default: it fails,
 *                              see below); "unknown <code>" fails with <code>
 *
 *   container NULL [options]   the entries that follow are listed when the
 *                              provider's top level is opened (NPOpenEnum with
 *                              no NETRESOURCE, or one without lpRemoteName)
 *   container SALES [options]  ... when the container whose lpRemoteName is
 *                              exactly "SALES" is opened (case-sensitive)
 *     options: fail=<code>      NPOpenEnum fails with <code> (a number, or a
 *                               name: ACCESS_DENIED, BAD_NETNAME, NO_NETWORK,
 *                               NOT_CONTAINER, NOT_SUPPORTED, EXTENDED_ERROR,
 *                               BAD_VALUE, OUT_OF_MEMORY, NET_ERROR, ...;
 *                               a WN_ or ERROR_ prefix is allowed)
 *              enumfail=<code>  NPOpenEnum succeeds, every NPEnumResource
 *                               fails with <code>
 *              batch=<n>        at most n entries per NPEnumResource call
 *
 *   <kind> <remote> [attributes]        one entry of the current container
 *   repeat <n> <kind> <pattern> [attributes] [start=<k>]
 *                              n entries; in the pattern, %d, %4d or %04d
 *                              (width up to 9999) is replaced by the index
 *                              (k, k+1, ...; k is 1 unless given), %% by %
 *     <kind>: the display type, as a word (generic 0, domain 1, server 2,
 *             share 3, file 4, group 5, network 6, root 7, shareadmin 8,
 *             directory 9, tree 10, ndscontainer 11) or as any number
 *             (decimal or 0x hex, e.g. 200 or 0x80)
 *     <remote>: the lpRemoteName; the bare word NULL gives a null pointer
 *     attributes (key=value, in any order):
 *       provider=<s>   lpProvider (NULL for a null pointer; default: the
 *                      section's provider name)
 *       comment=<s>    lpComment  (default NULL)
 *       local=<s>      lpLocalName (default NULL)
 *       display=<n>    dwDisplayType, overriding <kind>
 *       type=<t>       dwType: any, disk, print, reserved, unknown or a number
 *                      (default: print for share, any otherwise)
 *       usage=<u>      dwUsage: connectable, container, nolocaldevice,
 *                      sibling, attached, reserved, all, or a number, joined
 *                      with | (default: connectable for share, file and
 *                      shareadmin, container otherwise)
 *       scope=<s>      dwScope: connected, globalnet, remembered, recent,
 *                      context or a number (default globalnet)
 *
 * Tokens are separated by blanks; a token (or an attribute value) that holds
 * blanks is written in double quotes: comment="Laser, 2nd floor".  Quotes
 * cannot occur inside a token; backslashes are ordinary characters, so
 * \\PRN01\Laser is written as it is.  The unquoted word NULL is a null
 * pointer, "NULL" the four-letter string.  Words (kinds, keywords, attribute
 * names) are case-insensitive; names are taken exactly.
 *
 * The same container may be declared several times: its entries are
 * concatenated in file order.  Entries of the current container whose dwType
 * or dwUsage do not match what NPOpenEnum asked for are left out (an entry of
 * type any, 0, always matches; usage 0 asks for everything).  Lines that
 * cannot be understood are skipped (and logged).
 *
 * Opening a name that no container line declares fails (unless "unknown"
 * says otherwise) with WN_NOT_CONTAINER when some entry of the section
 * carries that remote name, else with WN_BAD_NETNAME.  A remote name equal to the provider name, with no
 * container of that name, opens the top level.
 *
 * ---------------------------------------------------------------------------
 * NPEnumResource follows the provider interface: as many entries as
 * *lpcCount asks for (0xFFFFFFFF: as many as fit) and as fit into
 * *lpBufferSize bytes, NETRESOURCEW array at the head of the caller's buffer,
 * strings packed at its tail, nothing written outside it; WN_SUCCESS with
 * *lpcCount set; WN_MORE_DATA with *lpBufferSize set to the bytes that the
 * next entry needs when not even that one fits (then *lpcCount is left as it
 * was, and the buffer is zeroed so that a router that reads it anyway reads
 * zeros); WN_NO_MORE_ENTRIES at the end.
 */

#include <windows.h>
#include <winnetwk.h>
extern "C" {
#include <npapi.h>
}

namespace {

/* ------------------------------------------------------------------------ */
/* Limits: they keep every size in range whatever the file holds.           */

const DWORD kMaxFileBytes = 64u * 1024u * 1024u;
const DWORD kMaxEntries = 1000000u;     /* per container, per open */
const int kMaxTokens = 64;
const size_t kMaxPatternChars = 4u * 1024u * 1024u; /* one expanded repeat name */
const DWORD kDefaultNetType = 0x00FA0000u;
const DWORD kHandleMagic = 0x504E584Bu; /* "KXNP" */

/* ------------------------------------------------------------------------ */
/* Small wide-string helpers (no C runtime needed).                          */

size_t wlen(const WCHAR *s)
{
    size_t n = 0;
    while (s[n]) n++;
    return n;
}

WCHAR wlower(WCHAR c)
{
    return (c >= L'A' && c <= L'Z') ? (WCHAR)(c - L'A' + L'a') : c;
}

bool wequal(const WCHAR *a, const WCHAR *b)
{
    while (*a && *a == *b) { a++; b++; }
    return *a == *b;
}

bool wequal_nocase(const WCHAR *a, const WCHAR *b)
{
    while (*a && wlower(*a) == wlower(*b)) { a++; b++; }
    return wlower(*a) == wlower(*b);
}

bool wstarts_nocase(const WCHAR *s, const WCHAR *prefix)
{
    while (*prefix) {
        if (wlower(*s) != wlower(*prefix)) return false;
        s++; prefix++;
    }
    return true;
}

bool is_blank(WCHAR c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\v' || c == L'\f' || c == 0;
}

void *mem_alloc(size_t n)
{
    return HeapAlloc(GetProcessHeap(), 0, n ? n : 1);
}

void mem_free(void *p)
{
    if (p) HeapFree(GetProcessHeap(), 0, p);
}

void mem_copy(void *dst, const void *src, size_t n)
{
    unsigned char *d = (unsigned char *)dst;
    const unsigned char *s = (const unsigned char *)src;
    while (n--) *d++ = *s++;
}

void mem_zero(void *dst, size_t n)
{
    unsigned char *d = (unsigned char *)dst;
    while (n--) *d++ = 0;
}

/* ------------------------------------------------------------------------ */
/* Arena: strings of one open enumeration, freed all at once.                 */

struct ArenaBlock {
    ArenaBlock *next;
    size_t size, used;
    /* data follows */
};

struct Arena {
    ArenaBlock *head;
};

void arena_free(Arena *a)
{
    ArenaBlock *b = a->head;
    while (b) {
        ArenaBlock *n = b->next;
        mem_free(b);
        b = n;
    }
    a->head = nullptr;
}

WCHAR *arena_wstr(Arena *a, const WCHAR *s, size_t len)
{
    size_t bytes = (len + 1) * sizeof(WCHAR);
    ArenaBlock *b = a->head;
    if (!b || b->size - b->used < bytes) {
        size_t size = bytes > 65536 ? bytes : 65536;
        b = (ArenaBlock *)mem_alloc(sizeof(ArenaBlock) + size);
        if (!b) return nullptr;
        b->next = a->head;
        b->size = size;
        b->used = 0;
        a->head = b;
    }
    WCHAR *d = (WCHAR *)((unsigned char *)(b + 1) + b->used);
    b->used += bytes;
    mem_copy(d, s, len * sizeof(WCHAR));
    d[len] = 0;
    return d;
}

/* ------------------------------------------------------------------------ */
/* Module identity and configuration.                                        */

HINSTANCE g_module;
CRITICAL_SECTION g_lock;
LONG g_next_handle_id;

/* The module's base name: file name without directory and extension. */
void module_base_name(WCHAR *out, size_t cap)
{
    WCHAR path[MAX_PATH + 1];
    DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        path[0] = 0;
        n = 0;
    }
    path[n] = 0;
    const WCHAR *start = path;
    for (const WCHAR *p = path; *p; p++)
        if (*p == L'\\' || *p == L'/' || *p == L':') start = p + 1;
    size_t len = wlen(start);
    for (size_t i = len; i > 0; i--)
        if (start[i - 1] == L'.') { len = i - 1; break; }
    if (len >= cap) len = cap - 1;
    mem_copy(out, start, len * sizeof(WCHAR));
    out[len] = 0;
    if (!out[0] && cap > 5) {
        const WCHAR dflt[] = L"kvxnp";
        mem_copy(out, dflt, sizeof(dflt));
    }
}

/* Reads a string value of the provider's service key into out (expanded).
 * Returns false when missing. */
bool read_service_value(const WCHAR *base, const WCHAR *value, WCHAR *out, DWORD cap)
{
    WCHAR key[400];
    const WCHAR prefix[] = L"System\\CurrentControlSet\\Services\\";
    const WCHAR suffix[] = L"\\NetworkProvider";
    size_t lp = wlen(prefix), lb = wlen(base), ls = wlen(suffix);
    if (lp + lb + ls + 1 > sizeof(key) / sizeof(key[0])) return false;
    mem_copy(key, prefix, lp * sizeof(WCHAR));
    mem_copy(key + lp, base, lb * sizeof(WCHAR));
    mem_copy(key + lp + lb, suffix, (ls + 1) * sizeof(WCHAR));

    HKEY hk;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &hk) != ERROR_SUCCESS) return false;
    WCHAR raw[MAX_PATH * 2];
    DWORD type = 0, size = sizeof(raw) - sizeof(WCHAR);
    LONG rc = RegQueryValueExW(hk, value, nullptr, &type, (BYTE *)raw, &size);
    RegCloseKey(hk);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    raw[size / sizeof(WCHAR)] = 0;
    if (type == REG_EXPAND_SZ) {
        DWORD n = ExpandEnvironmentStringsW(raw, out, cap);
        if (n == 0 || n > cap) return false;
    } else {
        size_t n = wlen(raw);
        if (n + 1 > cap) return false;
        mem_copy(out, raw, (n + 1) * sizeof(WCHAR));
    }
    return out[0] != 0;
}

bool config_path(const WCHAR *base, const WCHAR *env, const WCHAR *value, WCHAR *out, DWORD cap)
{
    DWORD n = GetEnvironmentVariableW(env, out, cap);
    if (n > 0 && n < cap) return true;
    return read_service_value(base, value, out, cap);
}

/* ------------------------------------------------------------------------ */
/* Log (optional).                                                           */

struct LogLine {
    char buf[1024];
    size_t len;
};

void log_raw(LogLine *l, const char *s)
{
    while (*s && l->len < sizeof(l->buf) - 2) l->buf[l->len++] = *s++;
}

void log_w(LogLine *l, const WCHAR *s)
{
    if (!s) { log_raw(l, "(null)"); return; }
    char tmp[600];
    int n = WideCharToMultiByte(CP_UTF8, 0, s, -1, tmp, sizeof(tmp) - 1, nullptr, nullptr);
    if (n <= 0) {
        /* too long for tmp: log a prefix */
        size_t len = wlen(s);
        if (len > 150) len = 150;
        n = WideCharToMultiByte(CP_UTF8, 0, s, (int)len, tmp, sizeof(tmp) - 1, nullptr, nullptr);
        if (n < 0) n = 0;
        tmp[n] = 0;
        log_raw(l, "\"");
        log_raw(l, tmp);
        log_raw(l, "...\"");
        return;
    }
    tmp[sizeof(tmp) - 1] = 0;
    log_raw(l, "\"");
    log_raw(l, tmp);
    log_raw(l, "\"");
}

void log_u(LogLine *l, unsigned long v, bool hex = false)
{
    char tmp[16];
    int i = 0;
    if (hex) {
        log_raw(l, "0x");
        do { tmp[i++] = "0123456789abcdef"[v & 15]; v >>= 4; } while (v);
    } else {
        do { tmp[i++] = (char)('0' + v % 10); v /= 10; } while (v);
    }
    char out[17];
    int j = 0;
    while (i) out[j++] = tmp[--i];
    out[j] = 0;
    log_raw(l, out);
}

void log_emit(const WCHAR *base, LogLine *l)
{
    WCHAR path[MAX_PATH * 2];
    if (!config_path(base, L"KVXNP_LOG", L"LogFile", path, MAX_PATH * 2)) return;
    l->buf[l->len++] = '\n';
    HANDLE f = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written;
    WriteFile(f, l->buf, (DWORD)l->len, &written, nullptr);
    CloseHandle(f);
}

void log_start(LogLine *l, const WCHAR *base, const char *what)
{
    l->len = 0;
    char tmp[80];
    int n = WideCharToMultiByte(CP_UTF8, 0, base, -1, tmp, sizeof(tmp) - 1, nullptr, nullptr);
    if (n <= 0) tmp[0] = 0;
    tmp[sizeof(tmp) - 1] = 0;
    log_raw(l, tmp);
    log_raw(l, " ");
    log_raw(l, what);
}

/* ------------------------------------------------------------------------ */
/* Reading the tree file into one wide string.                               */

struct Text {
    WCHAR *chars;
    size_t len;
};

bool load_text(const WCHAR *path, Text *out)
{
    out->chars = nullptr;
    out->len = 0;
    HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(f, &size) || size.QuadPart < 0 || size.QuadPart > (LONGLONG)kMaxFileBytes) {
        CloseHandle(f);
        return false;
    }
    DWORD n = (DWORD)size.QuadPart;
    unsigned char *bytes = (unsigned char *)mem_alloc(n + 2);
    if (!bytes) { CloseHandle(f); return false; }
    DWORD got = 0, total = 0;
    while (total < n && ReadFile(f, bytes + total, n - total, &got, nullptr) && got > 0) total += got;
    CloseHandle(f);
    n = total;
    bytes[n] = 0;
    bytes[n + 1] = 0;

    WCHAR *w = nullptr;
    size_t wl = 0;
    if (n >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        wl = (n - 2) / 2;
        w = (WCHAR *)mem_alloc((wl + 1) * sizeof(WCHAR));
        if (w) {
            mem_copy(w, bytes + 2, wl * sizeof(WCHAR));
            w[wl] = 0;
        }
    } else {
        const unsigned char *src = bytes;
        DWORD sl = n;
        if (sl >= 3 && src[0] == 0xEF && src[1] == 0xBB && src[2] == 0xBF) { src += 3; sl -= 3; }
        UINT cp = CP_UTF8;
        int need = sl ? MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, (LPCSTR)src, (int)sl, nullptr, 0) : 0;
        if (sl && need <= 0) {
            cp = CP_ACP;
            need = MultiByteToWideChar(CP_ACP, 0, (LPCSTR)src, (int)sl, nullptr, 0);
        }
        if (need < 0) need = 0;
        w = (WCHAR *)mem_alloc(((size_t)need + 1) * sizeof(WCHAR));
        if (w) {
            int got2 = sl ? MultiByteToWideChar(cp, 0, (LPCSTR)src, (int)sl, w, need) : 0;
            if (got2 < 0) got2 = 0;
            wl = (size_t)got2;
            w[wl] = 0;
        }
    }
    mem_free(bytes);
    if (!w) return false;
    /* NUL characters inside the file are treated as blanks. */
    for (size_t i = 0; i < wl; i++)
        if (w[i] == 0) w[i] = L' ';
    out->chars = w;
    out->len = wl;
    return true;
}

/* ------------------------------------------------------------------------ */
/* Tokenizer.                                                                */

struct Token {
    const WCHAR *text;   /* NUL-terminated, quotes removed */
    bool quoted;         /* the token held at least one quote */
    int eq;              /* index in text of the first '=' met before any quote, or -1 */
    bool value_quoted;   /* a quote occurred after that '=' */
};

/* Splits line (modified in place into scratch) into tokens.  Returns the count,
 * or -1 for an unterminated quote or too many tokens. */
int tokenize(const WCHAR *line, size_t len, WCHAR *scratch, Token *toks)
{
    int nt = 0;
    size_t i = 0, o = 0;
    while (i < len) {
        while (i < len && is_blank(line[i])) i++;
        if (i >= len) break;
        if (nt >= kMaxTokens) return -1;
        Token *t = &toks[nt++];
        t->text = scratch + o;
        t->quoted = false;
        t->eq = -1;
        t->value_quoted = false;
        bool inq = false;
        size_t start = o;
        while (i < len && (inq || !is_blank(line[i]))) {
            WCHAR c = line[i++];
            if (c == L'"') {
                inq = !inq;
                t->quoted = true;
                if (t->eq >= 0) t->value_quoted = true;
                continue;
            }
            if (c == L'=' && !inq && !t->quoted && t->eq < 0) t->eq = (int)(o - start);
            scratch[o++] = c;
        }
        if (inq) return -1;
        scratch[o++] = 0;
    }
    return nt;
}

bool tok_is_null(const Token *t)
{
    return !t->quoted && wequal(t->text, L"NULL");
}

/* Parses an unsigned 32-bit number: decimal or 0x hex. */
bool parse_number(const WCHAR *s, DWORD *out)
{
    unsigned long long v = 0;
    if (!*s) return false;
    if (s[0] == L'0' && (s[1] == L'x' || s[1] == L'X')) {
        s += 2;
        if (!*s) return false;
        for (; *s; s++) {
            int d;
            if (*s >= L'0' && *s <= L'9') d = *s - L'0';
            else if (*s >= L'a' && *s <= L'f') d = *s - L'a' + 10;
            else if (*s >= L'A' && *s <= L'F') d = *s - L'A' + 10;
            else return false;
            v = v * 16 + (unsigned)d;
            if (v > 0xFFFFFFFFull) return false;
        }
    } else {
        for (; *s; s++) {
            if (*s < L'0' || *s > L'9') return false;
            v = v * 10 + (unsigned)(*s - L'0');
            if (v > 0xFFFFFFFFull) return false;
        }
    }
    *out = (DWORD)v;
    return true;
}

struct NamedValue {
    const WCHAR *name;
    DWORD value;
};

const NamedValue kDisplayTypes[] = {
    {L"generic", RESOURCEDISPLAYTYPE_GENERIC}, {L"domain", RESOURCEDISPLAYTYPE_DOMAIN},
    {L"server", RESOURCEDISPLAYTYPE_SERVER},   {L"share", RESOURCEDISPLAYTYPE_SHARE},
    {L"file", RESOURCEDISPLAYTYPE_FILE},       {L"group", RESOURCEDISPLAYTYPE_GROUP},
    {L"network", RESOURCEDISPLAYTYPE_NETWORK}, {L"root", RESOURCEDISPLAYTYPE_ROOT},
    {L"shareadmin", RESOURCEDISPLAYTYPE_SHAREADMIN}, {L"directory", RESOURCEDISPLAYTYPE_DIRECTORY},
    {L"tree", RESOURCEDISPLAYTYPE_TREE},       {L"ndscontainer", RESOURCEDISPLAYTYPE_NDSCONTAINER},
    {nullptr, 0}};

const NamedValue kTypes[] = {
    {L"any", RESOURCETYPE_ANY}, {L"disk", RESOURCETYPE_DISK}, {L"print", RESOURCETYPE_PRINT},
    {L"reserved", RESOURCETYPE_RESERVED}, {L"unknown", RESOURCETYPE_UNKNOWN}, {nullptr, 0}};

const NamedValue kUsages[] = {
    {L"connectable", RESOURCEUSAGE_CONNECTABLE}, {L"container", RESOURCEUSAGE_CONTAINER},
    {L"nolocaldevice", RESOURCEUSAGE_NOLOCALDEVICE}, {L"sibling", RESOURCEUSAGE_SIBLING},
    {L"attached", RESOURCEUSAGE_ATTACHED}, {L"reserved", RESOURCEUSAGE_RESERVED},
    {L"all", RESOURCEUSAGE_ALL}, {nullptr, 0}};

const NamedValue kScopes[] = {
    {L"connected", RESOURCE_CONNECTED}, {L"globalnet", RESOURCE_GLOBALNET},
    {L"remembered", RESOURCE_REMEMBERED}, {L"recent", RESOURCE_RECENT},
    {L"context", RESOURCE_CONTEXT}, {nullptr, 0}};

const NamedValue kErrors[] = {
    {L"ACCESS_DENIED", ERROR_ACCESS_DENIED}, {L"BAD_NETNAME", ERROR_BAD_NET_NAME},
    {L"BAD_NET_NAME", ERROR_BAD_NET_NAME}, {L"NO_NETWORK", ERROR_NO_NETWORK},
    {L"NOT_CONTAINER", ERROR_NOT_CONTAINER}, {L"NOT_SUPPORTED", ERROR_NOT_SUPPORTED},
    {L"EXTENDED_ERROR", ERROR_EXTENDED_ERROR}, {L"BAD_VALUE", ERROR_INVALID_PARAMETER},
    {L"INVALID_PARAMETER", ERROR_INVALID_PARAMETER}, {L"OUT_OF_MEMORY", ERROR_NOT_ENOUGH_MEMORY},
    {L"NOT_ENOUGH_MEMORY", ERROR_NOT_ENOUGH_MEMORY}, {L"NET_ERROR", ERROR_UNEXP_NET_ERR},
    {L"UNEXP_NET_ERR", ERROR_UNEXP_NET_ERR}, {L"BAD_HANDLE", ERROR_INVALID_HANDLE},
    {L"INVALID_HANDLE", ERROR_INVALID_HANDLE}, {L"BAD_PROVIDER", ERROR_BAD_PROVIDER},
    {L"FUNCTION_BUSY", ERROR_BUSY}, {L"BUSY", ERROR_BUSY}, {L"MORE_DATA", ERROR_MORE_DATA},
    {L"NO_MORE_ENTRIES", ERROR_NO_MORE_ITEMS}, {L"NO_MORE_ITEMS", ERROR_NO_MORE_ITEMS},
    {L"BAD_NETPATH", ERROR_BAD_NETPATH}, {L"NOT_AUTHENTICATED", ERROR_NOT_AUTHENTICATED},
    {nullptr, 0}};

bool parse_named(const WCHAR *s, const NamedValue *table, DWORD *out)
{
    for (const NamedValue *nv = table; nv->name; nv++)
        if (wequal_nocase(s, nv->name)) { *out = nv->value; return true; }
    return parse_number(s, out);
}

/* A value made of names joined with '|' or ',' (for usage). */
bool parse_flags(const WCHAR *s, const NamedValue *table, DWORD *out)
{
    DWORD acc = 0;
    WCHAR part[64];
    while (*s) {
        size_t n = 0;
        while (*s && *s != L'|' && *s != L',') {
            if (n + 1 >= sizeof(part) / sizeof(part[0])) return false;
            part[n++] = *s++;
        }
        part[n] = 0;
        if (*s) s++;
        DWORD v;
        if (!n || !parse_named(part, table, &v)) return false;
        acc |= v;
    }
    *out = acc;
    return true;
}

bool parse_error_code(const WCHAR *s, DWORD *out)
{
    if (wstarts_nocase(s, L"WN_")) s += 3;
    else if (wstarts_nocase(s, L"ERROR_")) s += 6;
    return parse_named(s, kErrors, out);
}

/* ------------------------------------------------------------------------ */
/* The parsed view of one section, for one request.                          */

enum StrMode { STR_NULL, STR_DEFAULT, STR_GIVEN };

struct Entry {
    DWORD scope, type, display, usage;
    WCHAR *remote;    /* nullptr: null pointer */
    WCHAR *local;
    WCHAR *comment;
    WCHAR *provider;
    StrMode provider_mode;
};

struct Query {
    /* in */
    const WCHAR *section;
    bool want_entries;       /* collect the entries of the target container */
    const WCHAR *target;     /* nullptr: the top level */
    DWORD req_type, req_usage;
    /* out */
    bool section_found;
    WCHAR *provider_name;    /* arena */
    bool enumeration_off;
    DWORD net_type;
    bool unknown_empty;      /* "unknown empty" */
    DWORD unknown_code;      /* "unknown <code>", 0 when not given */
    bool container_found;
    DWORD fail_code, enum_fail_code, batch;
    bool target_seen_as_entry;
    bool out_of_memory;
    Entry *entries;
    DWORD count, cap;
    Arena arena;
    /* diagnostics */
    const WCHAR *base;
    DWORD complaints;
};

void complain(Query *q, size_t line_no, const char *what)
{
    q->complaints++;
    if (q->complaints > 50) return; /* keep the log readable */
    LogLine l;
    log_start(&l, q->base, "tree line ");
    log_u(&l, (unsigned long)line_no);
    log_raw(&l, ": ");
    log_raw(&l, what);
    log_emit(q->base, &l);
}

bool add_entry(Query *q, const Entry *e)
{
    if (q->req_type != RESOURCETYPE_ANY && e->type != RESOURCETYPE_ANY && !(e->type & q->req_type))
        return true;
    if ((q->req_usage & RESOURCEUSAGE_ALL) && !(e->usage & q->req_usage & RESOURCEUSAGE_ALL))
        return true;
    if (q->count >= kMaxEntries) return false;
    if (q->count == q->cap) {
        DWORD ncap = q->cap ? q->cap * 2 : 64;
        if (ncap > kMaxEntries) ncap = kMaxEntries;
        Entry *n = (Entry *)mem_alloc((size_t)ncap * sizeof(Entry));
        if (!n) { q->out_of_memory = true; return false; }
        if (q->entries) {
            mem_copy(n, q->entries, (size_t)q->count * sizeof(Entry));
            mem_free(q->entries);
        }
        q->entries = n;
        q->cap = ncap;
    }
    q->entries[q->count++] = *e;
    return true;
}

/* Expands a repeat pattern for index idx into buf (cap characters). */
size_t format_pattern(const WCHAR *pat, DWORD idx, WCHAR *buf, size_t cap)
{
    size_t o = 0;
    for (const WCHAR *p = pat; *p;) {
        if (p[0] == L'%' && p[1] == L'%') {
            if (o + 1 < cap) buf[o++] = L'%';
            p += 2;
            continue;
        }
        if (p[0] == L'%') {
            const WCHAR *s = p + 1;
            bool zero = false;
            if (*s == L'0') { zero = true; s++; }
            unsigned width = 0;
            int digits = 0;
            while (*s >= L'0' && *s <= L'9' && digits < 4) { width = width * 10 + (unsigned)(*s - L'0'); s++; digits++; }
            if (*s == L'd') {
                WCHAR num[12];
                int n = 0;
                DWORD v = idx;
                do { num[n++] = (WCHAR)(L'0' + v % 10); v /= 10; } while (v);
                for (unsigned k = (unsigned)n; k < width; k++)
                    if (o + 1 < cap) buf[o++] = zero ? L'0' : L' ';
                while (n)
                    if (o + 1 < cap) buf[o++] = num[--n]; else --n;
                p = s + 1;
                continue;
            }
        }
        if (o + 1 < cap) buf[o++] = *p;
        p++;
    }
    buf[o] = 0;
    return o;
}

/* Reads the attributes tokens[first..n) into e.  Returns false on a bad one. */
bool apply_attributes(Query *q, Token *toks, int first, int n, Entry *e, DWORD *start, size_t line_no)
{
    for (int i = first; i < n; i++) {
        Token *t = &toks[i];
        if (t->eq <= 0) { complain(q, line_no, "expected key=value"); return false; }
        WCHAR key[32];
        if (t->eq >= (int)(sizeof(key) / sizeof(key[0]))) { complain(q, line_no, "unknown attribute"); return false; }
        mem_copy(key, t->text, (size_t)t->eq * sizeof(WCHAR));
        key[t->eq] = 0;
        const WCHAR *val = t->text + t->eq + 1;
        bool val_null = !t->value_quoted && wequal(val, L"NULL");
        WCHAR **target = nullptr;
        if (wequal_nocase(key, L"provider")) {
            if (val_null) { e->provider_mode = STR_NULL; e->provider = nullptr; }
            else {
                e->provider_mode = STR_GIVEN;
                e->provider = arena_wstr(&q->arena, val, wlen(val));
                if (!e->provider) { q->out_of_memory = true; return false; }
            }
            continue;
        }
        if (wequal_nocase(key, L"comment")) target = &e->comment;
        else if (wequal_nocase(key, L"local")) target = &e->local;
        if (target) {
            if (val_null) *target = nullptr;
            else {
                *target = arena_wstr(&q->arena, val, wlen(val));
                if (!*target) { q->out_of_memory = true; return false; }
            }
            continue;
        }
        DWORD v;
        bool ok;
        if (wequal_nocase(key, L"display")) { ok = parse_named(val, kDisplayTypes, &v); if (ok) e->display = v; }
        else if (wequal_nocase(key, L"type")) { ok = parse_flags(val, kTypes, &v); if (ok) e->type = v; }
        else if (wequal_nocase(key, L"usage")) { ok = parse_flags(val, kUsages, &v); if (ok) e->usage = v; }
        else if (wequal_nocase(key, L"scope")) { ok = parse_named(val, kScopes, &v); if (ok) e->scope = v; }
        else if (wequal_nocase(key, L"start") && start) { ok = parse_number(val, &v); if (ok) *start = v; }
        else { complain(q, line_no, "unknown attribute"); return false; }
        if (!ok) { complain(q, line_no, "bad attribute value"); return false; }
    }
    return true;
}

void default_entry(Entry *e, DWORD display)
{
    e->scope = RESOURCE_GLOBALNET;
    e->display = display;
    bool leaf = display == RESOURCEDISPLAYTYPE_SHARE || display == RESOURCEDISPLAYTYPE_FILE ||
                display == RESOURCEDISPLAYTYPE_SHAREADMIN;
    e->type = display == RESOURCEDISPLAYTYPE_SHARE ? RESOURCETYPE_PRINT : RESOURCETYPE_ANY;
    e->usage = leaf ? RESOURCEUSAGE_CONNECTABLE : RESOURCEUSAGE_CONTAINER;
    e->remote = e->local = e->comment = e->provider = nullptr;
    e->provider_mode = STR_DEFAULT;
}

/* Handles one line of the current section. */
void parse_line(Query *q, Token *toks, int n, size_t line_no, bool *in_target, bool *in_container)
{
    const WCHAR *kw = toks[0].text;
    if (toks[0].quoted) { complain(q, line_no, "a line starts with a keyword or a kind"); return; }

    if (wequal_nocase(kw, L"provider")) {
        if (n != 2 || tok_is_null(&toks[1])) { complain(q, line_no, "provider takes one name"); return; }
        q->provider_name = arena_wstr(&q->arena, toks[1].text, wlen(toks[1].text));
        if (!q->provider_name) q->out_of_memory = true;
        return;
    }
    if (wequal_nocase(kw, L"nettype")) {
        DWORD v;
        if (n != 2 || !parse_number(toks[1].text, &v)) { complain(q, line_no, "nettype takes a number"); return; }
        q->net_type = v;
        return;
    }
    if (wequal_nocase(kw, L"enumeration")) {
        if (n == 2 && wequal_nocase(toks[1].text, L"off")) q->enumeration_off = true;
        else if (n == 2 && wequal_nocase(toks[1].text, L"on")) q->enumeration_off = false;
        else complain(q, line_no, "enumeration takes on or off");
        return;
    }
    if (wequal_nocase(kw, L"unknown")) {
        DWORD v;
        if (n == 2 && wequal_nocase(toks[1].text, L"empty")) { q->unknown_empty = true; q->unknown_code = 0; }
        else if (n == 2 && parse_error_code(toks[1].text, &v) && v) { q->unknown_empty = false; q->unknown_code = v; }
        else complain(q, line_no, "unknown takes empty or an error code");
        return;
    }
    if (wequal_nocase(kw, L"container")) {
        *in_container = false;
        *in_target = false;
        if (n < 2) { complain(q, line_no, "container takes a name (or NULL)"); return; }
        *in_container = true;
        bool match = tok_is_null(&toks[1]) ? q->target == nullptr
                                            : (q->target != nullptr && wequal(toks[1].text, q->target));
        if (!match) return;
        DWORD fail = q->fail_code, efail = q->enum_fail_code, batch = q->batch;
        for (int i = 2; i < n; i++) {
            Token *t = &toks[i];
            if (t->eq <= 0) { complain(q, line_no, "container option must be key=value"); continue; }
            const WCHAR *val = t->text + t->eq + 1;
            DWORD v;
            if (wstarts_nocase(t->text, L"fail=") && t->eq == 4) {
                if (parse_error_code(val, &v)) fail = v; else complain(q, line_no, "bad fail code");
            } else if (wstarts_nocase(t->text, L"enumfail=") && t->eq == 8) {
                if (parse_error_code(val, &v)) efail = v; else complain(q, line_no, "bad enumfail code");
            } else if (wstarts_nocase(t->text, L"batch=") && t->eq == 5) {
                if (parse_number(val, &v)) batch = v; else complain(q, line_no, "bad batch size");
            } else complain(q, line_no, "unknown container option");
        }
        q->container_found = true;
        q->fail_code = fail;
        q->enum_fail_code = efail;
        q->batch = batch;
        *in_target = true;
        return;
    }

    /* Entry or repeat line. */
    bool is_repeat = wequal_nocase(kw, L"repeat");
    int k = is_repeat ? 2 : 0;           /* index of the kind token */
    DWORD repeat = 1;
    if (is_repeat && (n < 4 || !parse_number(toks[1].text, &repeat))) {
        complain(q, line_no, "repeat <n> <kind> <pattern> [attributes]");
        return;
    }
    if (n < k + 2) { complain(q, line_no, "an entry needs a kind and a remote name"); return; }
    DWORD display;
    if (toks[k].quoted || !parse_named(toks[k].text, kDisplayTypes, &display)) {
        complain(q, line_no, "unknown keyword or kind");
        return;
    }
    if (!*in_container) { complain(q, line_no, "entry outside a container"); return; }

    bool need_entries = *in_target && q->want_entries;
    bool need_names = q->target != nullptr && !q->target_seen_as_entry;
    if (!need_entries && !need_names) return;

    Entry e;
    default_entry(&e, display);
    DWORD start = 1;
    if (!apply_attributes(q, toks, k + 2, n, &e, is_repeat ? &start : nullptr, line_no)) return;
    const Token *rt = &toks[k + 1];
    bool remote_null = tok_is_null(rt);

    if (!is_repeat) {
        if (need_names && !remote_null && wequal(rt->text, q->target)) q->target_seen_as_entry = true;
        if (!need_entries) return;
        if (!remote_null) {
            e.remote = arena_wstr(&q->arena, rt->text, wlen(rt->text));
            if (!e.remote) { q->out_of_memory = true; return; }
        }
        if (!add_entry(q, &e)) complain(q, line_no, "too many entries in one container");
        return;
    }

    if (repeat > kMaxEntries) { complain(q, line_no, "repeat count too large"); repeat = kMaxEntries; }
    size_t cap = 32;
    for (const WCHAR *p = rt->text; *p && cap <= kMaxPatternChars; p++) cap += *p == L'%' ? 10000 + 12 : 1;
    if (cap > kMaxPatternChars) { complain(q, line_no, "repeat pattern too long"); return; }
    WCHAR *buf = (WCHAR *)mem_alloc(cap * sizeof(WCHAR));
    if (!buf) { q->out_of_memory = true; return; }
    for (DWORD i = 0; i < repeat && !q->out_of_memory; i++) {
        DWORD idx = start + i; /* wraps silently past 0xFFFFFFFF */
        Entry ei = e;
        if (!remote_null) {
            size_t len = format_pattern(rt->text, idx, buf, cap);
            if (need_names && wequal(buf, q->target)) {
                q->target_seen_as_entry = true;
                need_names = false;
            }
            if (!need_entries) {
                if (!need_names) break;
                continue;
            }
            ei.remote = arena_wstr(&q->arena, buf, len);
            if (!ei.remote) { q->out_of_memory = true; break; }
        } else if (!need_entries) {
            break;
        }
        if (!add_entry(q, &ei)) { complain(q, line_no, "too many entries in one container"); break; }
    }
    mem_free(buf);
}

/* Parses the whole text for query q. */
void parse_tree(const Text *text, Query *q)
{
    const WCHAR *s = text->chars;
    size_t len = text->len, pos = 0, line_no = 0;
    bool in_section = false, in_target = false, in_container = false;
    WCHAR *scratch = nullptr;
    size_t scratch_cap = 0;
    Token toks[kMaxTokens];

    while (pos < len && !q->out_of_memory) {
        size_t b = pos;
        while (pos < len && s[pos] != L'\n') pos++;
        size_t e = pos;
        if (pos < len) pos++;
        line_no++;
        while (b < e && is_blank(s[b])) b++;
        while (e > b && is_blank(s[e - 1])) e--;
        if (b == e || s[b] == L'#') continue;

        if (s[b] == L'[') {
            size_t c = b + 1;
            while (c < e && s[c] != L']') c++;
            if (c >= e) { if (in_section) complain(q, line_no, "section header without ]"); in_section = false; continue; }
            size_t nb = b + 1, ne = c;
            while (nb < ne && is_blank(s[nb])) nb++;
            while (ne > nb && is_blank(s[ne - 1])) ne--;
            size_t sl = wlen(q->section);
            in_section = (ne - nb == sl);
            for (size_t i = 0; in_section && i < sl; i++)
                if (wlower(s[nb + i]) != wlower(q->section[i])) in_section = false;
            if (in_section) q->section_found = true;
            in_target = in_container = false;
            continue;
        }
        if (!in_section) continue;

        size_t ll = e - b;
        if (ll + 1 > scratch_cap) {
            mem_free(scratch);
            scratch_cap = ll + 1 + 256;
            scratch = (WCHAR *)mem_alloc(scratch_cap * sizeof(WCHAR));
            if (!scratch) { q->out_of_memory = true; break; }
        }
        int n = tokenize(s + b, ll, scratch, toks);
        if (n < 0) { complain(q, line_no, "unterminated quote or too many tokens"); continue; }
        if (n == 0) continue;
        parse_line(q, toks, n, line_no, &in_target, &in_container);
    }
    mem_free(scratch);
}

void query_init(Query *q, const WCHAR *base)
{
    mem_zero(q, sizeof(*q));
    q->section = base;
    q->base = base;
    q->net_type = kDefaultNetType;
}

void query_free(Query *q)
{
    mem_free(q->entries);
    q->entries = nullptr;
    arena_free(&q->arena);
}

/* Loads and parses the tree for this module.  Returns false when the file
 * cannot be read. */
bool run_query(Query *q)
{
    WCHAR path[MAX_PATH * 2];
    if (!config_path(q->base, L"KVXNP_TREE", L"TreeFile", path, MAX_PATH * 2)) {
        LogLine l;
        log_start(&l, q->base, "no tree file configured (KVXNP_TREE or TreeFile)");
        log_emit(q->base, &l);
        return false;
    }
    Text text;
    if (!load_text(path, &text)) {
        LogLine l;
        log_start(&l, q->base, "cannot read tree file ");
        log_w(&l, path);
        log_emit(q->base, &l);
        return false;
    }
    parse_tree(&text, q);
    mem_free(text.chars);
    return true;
}

/* Resolves default provider strings once the whole section has been read. */
bool finish_providers(Query *q)
{
    if (!q->provider_name) {
        WCHAR name[MAX_PATH];
        const WCHAR *use = q->base;
        if (read_service_value(q->base, L"Name", name, MAX_PATH)) use = name;
        q->provider_name = arena_wstr(&q->arena, use, wlen(use));
        if (!q->provider_name) return false;
    }
    for (DWORD i = 0; i < q->count; i++)
        if (q->entries[i].provider_mode == STR_DEFAULT) q->entries[i].provider = q->provider_name;
    return true;
}

/* ------------------------------------------------------------------------ */
/* Enumeration handles.                                                      */

struct EnumHandle {
    DWORD magic;
    LONG id;
    EnumHandle *next;
    Entry *entries;
    DWORD count, pos, batch, enum_fail_code;
    Arena arena;
    WCHAR base[64];
};

EnumHandle *g_handles;

EnumHandle *find_handle(HANDLE h)
{
    for (EnumHandle *e = g_handles; e; e = e->next)
        if ((HANDLE)e == h && e->magic == kHandleMagic) return e;
    return nullptr;
}

size_t wbytes(const WCHAR *s)
{
    return s ? (wlen(s) + 1) * sizeof(WCHAR) : 0;
}

size_t entry_string_bytes(const Entry *e)
{
    return wbytes(e->local) + wbytes(e->remote) + wbytes(e->comment) + wbytes(e->provider);
}

WCHAR *pack_string(const WCHAR *s, unsigned char **tail)
{
    if (!s) return nullptr;
    size_t bytes = wbytes(s);
    *tail -= bytes;
    mem_copy(*tail, s, bytes);
    return (WCHAR *)*tail;
}

} // namespace

/* ------------------------------------------------------------------------ */
/* Exports.                                                                  */

extern "C" BOOL WINAPI DllMain(HINSTANCE inst, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = inst;
        InitializeCriticalSection(&g_lock);
        DisableThreadLibraryCalls(inst);
    } else if (reason == DLL_PROCESS_DETACH) {
        DeleteCriticalSection(&g_lock);
    }
    return TRUE;
}

extern "C" DWORD WINAPI NPGetCaps(DWORD nIndex)
{
    switch (nIndex) {
    case WNNC_SPEC_VERSION:
        return WNNC_SPEC_VERSION51;
    case WNNC_NET_TYPE:
    case WNNC_ENUMERATION: {
        WCHAR base[64];
        module_base_name(base, 64);
        Query q;
        query_init(&q, base);
        run_query(&q);
        DWORD r = nIndex == WNNC_NET_TYPE ? q.net_type : (q.enumeration_off ? 0 : WNNC_ENUM_GLOBAL);
        query_free(&q);
        return r;
    }
    default:
        return 0;
    }
}

extern "C" DWORD WINAPI NPOpenEnum(DWORD dwScope, DWORD dwType, DWORD dwUsage,
                                   LPNETRESOURCEW lpNetResource, LPHANDLE lphEnum)
{
    WCHAR base[64];
    module_base_name(base, 64);
    const WCHAR *target = lpNetResource ? lpNetResource->lpRemoteName : nullptr;
    LogLine l;
    log_start(&l, base, "open scope=");
    log_u(&l, dwScope);
    log_raw(&l, " type=");
    log_u(&l, dwType);
    log_raw(&l, " usage=");
    log_u(&l, dwUsage, true);
    log_raw(&l, " net=");
    log_raw(&l, lpNetResource ? "yes" : "null");
    log_raw(&l, " remote=");
    log_w(&l, target);
    log_raw(&l, " provider=");
    log_w(&l, lpNetResource ? lpNetResource->lpProvider : nullptr);

    DWORD rc;
    EnumHandle *h = nullptr;
    Query q;
    query_init(&q, base);
    q.want_entries = true;
    q.target = target;
    q.req_type = dwType;
    q.req_usage = dwUsage;

    if (!lphEnum) rc = WN_BAD_POINTER;
    else if (dwScope != RESOURCE_GLOBALNET) rc = WN_NOT_SUPPORTED;
    else if (!run_query(&q) || !q.section_found) rc = WN_NO_NETWORK;
    else {
        if (!q.container_found && target && !q.out_of_memory) {
            /* Not a declared container: the provider's own name opens the top. */
            bool is_provider = false;
            if (finish_providers(&q) && q.provider_name && wequal(target, q.provider_name))
                is_provider = true;
            if (is_provider) {
                query_free(&q);
                query_init(&q, base);
                q.want_entries = true;
                q.target = nullptr;
                q.req_type = dwType;
                q.req_usage = dwUsage;
                if (!run_query(&q)) q.out_of_memory = true;
            }
        }
        if (!q.container_found && q.unknown_empty) {
            q.container_found = true; /* an empty container */
            q.count = 0;
        }
        if (q.out_of_memory) rc = WN_OUT_OF_MEMORY;
        else if (!q.container_found && q.unknown_code) rc = q.unknown_code;
        else if (!q.container_found) rc = q.target_seen_as_entry ? WN_NOT_CONTAINER : WN_BAD_NETNAME;
        else if (q.fail_code) rc = q.fail_code;
        else if (!finish_providers(&q)) rc = WN_OUT_OF_MEMORY;
        else {
            h = (EnumHandle *)mem_alloc(sizeof(EnumHandle));
            if (!h) rc = WN_OUT_OF_MEMORY;
            else {
                mem_zero(h, sizeof(*h));
                h->magic = kHandleMagic;
                h->id = InterlockedIncrement(&g_next_handle_id);
                h->entries = q.entries;
                h->count = q.count;
                h->batch = q.batch;
                h->enum_fail_code = q.enum_fail_code;
                h->arena = q.arena;
                mem_copy(h->base, base, sizeof(h->base));
                q.entries = nullptr;          /* now owned by the handle */
                q.arena.head = nullptr;
                EnterCriticalSection(&g_lock);
                h->next = g_handles;
                g_handles = h;
                LeaveCriticalSection(&g_lock);
                *lphEnum = (HANDLE)h;
                rc = WN_SUCCESS;
            }
        }
    }
    query_free(&q);

    log_raw(&l, " -> ");
    log_u(&l, rc);
    if (h) {
        log_raw(&l, " handle=");
        log_u(&l, (unsigned long)h->id);
        log_raw(&l, " entries=");
        log_u(&l, h->count);
    }
    log_emit(base, &l);
    return rc;
}

extern "C" DWORD WINAPI NPEnumResource(HANDLE hEnum, LPDWORD lpcCount, LPVOID lpBuffer, LPDWORD lpBufferSize)
{
    if (!lpcCount || !lpBuffer || !lpBufferSize) return WN_BAD_POINTER;

    EnterCriticalSection(&g_lock);
    EnumHandle *h = find_handle(hEnum);
    if (!h) {
        LeaveCriticalSection(&g_lock);
        return WN_BAD_HANDLE;
    }
    DWORD want = *lpcCount, size = *lpBufferSize, rc, n = 0;
    DWORD first = h->pos;
    if (h->enum_fail_code) {
        rc = h->enum_fail_code;
    } else if (h->pos >= h->count) {
        rc = WN_NO_MORE_ENTRIES;
    } else {
        DWORD limit = h->count - h->pos;
        if (want != 0xFFFFFFFFu && want < limit) limit = want;
        if (h->batch && h->batch < limit) limit = h->batch;
        unsigned long long avail = size & ~(DWORD)1; /* keeps the strings WCHAR-aligned */
        unsigned long long strings = 0;
        unsigned long long need_first = 0;
        while (n < limit) {
            const Entry *e = &h->entries[h->pos + n];
            unsigned long long sb = entry_string_bytes(e);
            if (n == 0) need_first = sizeof(NETRESOURCEW) + sb;
            if ((unsigned long long)(n + 1) * sizeof(NETRESOURCEW) + strings + sb > avail) break;
            strings += sb;
            n++;
        }
        if (limit == 0) {
            /* Zero entries asked for: nothing to do. */
            *lpcCount = 0;
            rc = WN_SUCCESS;
        } else if (n == 0) {
            /* Not even one entry fits. */
            *lpBufferSize = need_first > 0xFFFFFFFFull ? 0xFFFFFFFFu : (DWORD)need_first;
            mem_zero(lpBuffer, size);
            rc = WN_MORE_DATA;
        } else {
            NETRESOURCEW *out = (NETRESOURCEW *)lpBuffer;
            unsigned char *tail = (unsigned char *)lpBuffer + avail;
            for (DWORD i = 0; i < n; i++) {
                const Entry *e = &h->entries[h->pos + i];
                NETRESOURCEW *r = &out[i];
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
            *lpcCount = n;
            rc = WN_SUCCESS;
        }
    }
    LONG id = h->id;
    WCHAR base[64];
    mem_copy(base, h->base, sizeof(base));
    LeaveCriticalSection(&g_lock);

    LogLine l;
    log_start(&l, base, "enum handle=");
    log_u(&l, (unsigned long)id);
    log_raw(&l, " count=");
    log_u(&l, want, want == 0xFFFFFFFFu);
    log_raw(&l, " size=");
    log_u(&l, size);
    log_raw(&l, " -> ");
    log_u(&l, rc);
    if (rc == WN_SUCCESS) {
        log_raw(&l, " returned=");
        log_u(&l, n);
        log_raw(&l, " from=");
        log_u(&l, first);
    } else if (rc == WN_MORE_DATA) {
        log_raw(&l, " needed=");
        log_u(&l, *lpBufferSize);
    }
    log_emit(base, &l);
    return rc;
}

extern "C" DWORD WINAPI NPCloseEnum(HANDLE hEnum)
{
    EnterCriticalSection(&g_lock);
    EnumHandle **pp = &g_handles;
    while (*pp && (HANDLE)*pp != hEnum) pp = &(*pp)->next;
    EnumHandle *h = *pp;
    if (h) *pp = h->next;
    LeaveCriticalSection(&g_lock);
    if (!h) return WN_BAD_HANDLE;

    LogLine l;
    log_start(&l, h->base, "close handle=");
    log_u(&l, (unsigned long)h->id);
    log_emit(h->base, &l);

    h->magic = 0;
    mem_free(h->entries);
    arena_free(&h->arena);
    mem_free(h);
    return WN_SUCCESS;
}
