#include "network_file.h"

#include "call_log.h"
#include "provider_config.h"

#include <winnetwk.h>

namespace kvxnp {
namespace {

// Limits: they keep every size in range whatever the file holds.
const DWORD kMaxFileBytes = 64u * 1024u * 1024u;
const DWORD kMaxEntries = 1000000u; // per container, per open
const int kMaxTokens = 64;
const size_t kMaxPatternChars = 4u * 1024u * 1024u; // one expanded repeat name
const DWORD kDefaultNetType = 0x00FA0000u;

// ---------------------------------------------------------------------------
// The file as one wide string.

struct Text {
    WCHAR* chars;
    size_t len;
};

// The file's bytes followed by two zero bytes; nullptr when it cannot be read
// or is larger than the limit.
unsigned char* read_file_bytes(const WCHAR* path, DWORD* size) {
    HANDLE f =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return nullptr;
    LARGE_INTEGER length;
    if (!GetFileSizeEx(f, &length) || length.QuadPart < 0 ||
        length.QuadPart > (LONGLONG)kMaxFileBytes) {
        CloseHandle(f);
        return nullptr;
    }
    DWORD n = (DWORD)length.QuadPart;
    unsigned char* bytes = (unsigned char*)mem_alloc(n + 2);
    if (!bytes) {
        CloseHandle(f);
        return nullptr;
    }
    DWORD got = 0, total = 0;
    while (total < n && ReadFile(f, bytes + total, n - total, &got, nullptr) && got > 0)
        total += got;
    CloseHandle(f);
    bytes[total] = 0;
    bytes[total + 1] = 0;
    *size = total;
    return bytes;
}

// UTF-16LE after its byte order mark, as it stands.
WCHAR* decode_utf16(const unsigned char* bytes, DWORD n, size_t* len) {
    *len = (n - 2) / 2;
    WCHAR* w = (WCHAR*)mem_alloc((*len + 1) * sizeof(WCHAR));
    if (w) {
        mem_copy(w, bytes + 2, *len * sizeof(WCHAR));
        w[*len] = 0;
    }
    return w;
}

// UTF-8 (a byte order mark skipped), else the ANSI code page.
WCHAR* decode_bytes(const unsigned char* src, DWORD n, size_t* len) {
    if (n >= 3 && src[0] == 0xEF && src[1] == 0xBB && src[2] == 0xBF) {
        src += 3;
        n -= 3;
    }
    UINT cp = CP_UTF8;
    int need =
        n ? MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, (LPCSTR)src, (int)n, nullptr, 0) : 0;
    if (n && need <= 0) {
        cp = CP_ACP;
        need = MultiByteToWideChar(CP_ACP, 0, (LPCSTR)src, (int)n, nullptr, 0);
    }
    if (need < 0)
        need = 0;
    WCHAR* w = (WCHAR*)mem_alloc(((size_t)need + 1) * sizeof(WCHAR));
    if (!w)
        return nullptr;
    int got = n ? MultiByteToWideChar(cp, 0, (LPCSTR)src, (int)n, w, need) : 0;
    *len = got > 0 ? (size_t)got : 0;
    w[*len] = 0;
    return w;
}

bool load_text(const WCHAR* path, Text* out) {
    out->chars = nullptr;
    out->len = 0;
    DWORD n = 0;
    unsigned char* bytes = read_file_bytes(path, &n);
    if (!bytes)
        return false;
    size_t len = 0;
    WCHAR* w = n >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE ? decode_utf16(bytes, n, &len)
                                                              : decode_bytes(bytes, n, &len);
    mem_free(bytes);
    if (!w)
        return false;
    // NUL characters inside the file count as blanks.
    for (size_t i = 0; i < len; i++) {
        if (w[i] == 0)
            w[i] = L' ';
    }
    out->chars = w;
    out->len = len;
    return true;
}

// ---------------------------------------------------------------------------
// Tokens.

struct Token {
    const WCHAR* text; // zero-terminated, quotes removed
    bool quoted;       // the token held at least one quote
    int eq;            // index in text of the first '=' met before any quote, or -1
    bool value_quoted; // a quote occurred after that '='
};

// Copies one token from line[*i] into scratch[*o]; false for an unterminated quote.
bool read_token(const WCHAR* line, size_t len, size_t* i, WCHAR* scratch, size_t* o, Token* t) {
    t->text = scratch + *o;
    t->quoted = false;
    t->eq = -1;
    t->value_quoted = false;
    bool in_quotes = false;
    size_t start = *o;
    while (*i < len && (in_quotes || !is_blank(line[*i]))) {
        WCHAR c = line[(*i)++];
        if (c == L'"') {
            in_quotes = !in_quotes;
            t->quoted = true;
            if (t->eq >= 0)
                t->value_quoted = true;
            continue;
        }
        if (c == L'=' && !in_quotes && !t->quoted && t->eq < 0)
            t->eq = (int)(*o - start);
        scratch[(*o)++] = c;
    }
    scratch[(*o)++] = 0;
    return !in_quotes;
}

// Splits line into tokens, their text in scratch (at least len + 1 characters).
// Returns the count, or -1 for an unterminated quote or too many tokens.
int tokenize(const WCHAR* line, size_t len, WCHAR* scratch, Token* toks) {
    int nt = 0;
    size_t i = 0, o = 0;
    while (i < len) {
        while (i < len && is_blank(line[i]))
            i++;
        if (i >= len)
            break;
        if (nt >= kMaxTokens)
            return -1;
        if (!read_token(line, len, &i, scratch, &o, &toks[nt++]))
            return -1;
    }
    return nt;
}

bool tok_is_null(const Token* t) {
    return !t->quoted && wequal(t->text, L"NULL");
}

// ---------------------------------------------------------------------------
// Numbers and names.

int hex_digit(WCHAR c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

// An unsigned 32-bit number: decimal or 0x hex.
bool parse_number(const WCHAR* s, DWORD* out) {
    unsigned long long v = 0;
    if (!*s)
        return false;
    unsigned base = 10;
    if (s[0] == L'0' && (s[1] == L'x' || s[1] == L'X')) {
        s += 2;
        base = 16;
        if (!*s)
            return false;
    }
    for (; *s; s++) {
        int d = hex_digit(*s);
        if (d < 0 || (unsigned)d >= base)
            return false;
        v = v * base + (unsigned)d;
        if (v > 0xFFFFFFFFull)
            return false;
    }
    *out = (DWORD)v;
    return true;
}

struct NamedValue {
    const WCHAR* name;
    DWORD value;
};

const NamedValue kDisplayTypes[] = {{L"generic", RESOURCEDISPLAYTYPE_GENERIC},
                                    {L"domain", RESOURCEDISPLAYTYPE_DOMAIN},
                                    {L"server", RESOURCEDISPLAYTYPE_SERVER},
                                    {L"share", RESOURCEDISPLAYTYPE_SHARE},
                                    {L"file", RESOURCEDISPLAYTYPE_FILE},
                                    {L"group", RESOURCEDISPLAYTYPE_GROUP},
                                    {L"network", RESOURCEDISPLAYTYPE_NETWORK},
                                    {L"root", RESOURCEDISPLAYTYPE_ROOT},
                                    {L"shareadmin", RESOURCEDISPLAYTYPE_SHAREADMIN},
                                    {L"directory", RESOURCEDISPLAYTYPE_DIRECTORY},
                                    {L"tree", RESOURCEDISPLAYTYPE_TREE},
                                    {L"ndscontainer", RESOURCEDISPLAYTYPE_NDSCONTAINER},
                                    {nullptr, 0}};

const NamedValue kTypes[] = {
    {L"any", RESOURCETYPE_ANY},         {L"disk", RESOURCETYPE_DISK},
    {L"print", RESOURCETYPE_PRINT},     {L"reserved", RESOURCETYPE_RESERVED},
    {L"unknown", RESOURCETYPE_UNKNOWN}, {nullptr, 0}};

const NamedValue kUsages[] = {{L"connectable", RESOURCEUSAGE_CONNECTABLE},
                              {L"container", RESOURCEUSAGE_CONTAINER},
                              {L"nolocaldevice", RESOURCEUSAGE_NOLOCALDEVICE},
                              {L"sibling", RESOURCEUSAGE_SIBLING},
                              {L"attached", RESOURCEUSAGE_ATTACHED},
                              {L"reserved", RESOURCEUSAGE_RESERVED},
                              {L"all", RESOURCEUSAGE_ALL},
                              {nullptr, 0}};

const NamedValue kScopes[] = {
    {L"connected", RESOURCE_CONNECTED},   {L"globalnet", RESOURCE_GLOBALNET},
    {L"remembered", RESOURCE_REMEMBERED}, {L"recent", RESOURCE_RECENT},
    {L"context", RESOURCE_CONTEXT},       {nullptr, 0}};

const NamedValue kErrors[] = {{L"ACCESS_DENIED", ERROR_ACCESS_DENIED},
                              {L"BAD_NETNAME", ERROR_BAD_NET_NAME},
                              {L"BAD_NET_NAME", ERROR_BAD_NET_NAME},
                              {L"NO_NETWORK", ERROR_NO_NETWORK},
                              {L"NOT_CONTAINER", ERROR_NOT_CONTAINER},
                              {L"NOT_SUPPORTED", ERROR_NOT_SUPPORTED},
                              {L"EXTENDED_ERROR", ERROR_EXTENDED_ERROR},
                              {L"BAD_VALUE", ERROR_INVALID_PARAMETER},
                              {L"INVALID_PARAMETER", ERROR_INVALID_PARAMETER},
                              {L"OUT_OF_MEMORY", ERROR_NOT_ENOUGH_MEMORY},
                              {L"NOT_ENOUGH_MEMORY", ERROR_NOT_ENOUGH_MEMORY},
                              {L"NET_ERROR", ERROR_UNEXP_NET_ERR},
                              {L"UNEXP_NET_ERR", ERROR_UNEXP_NET_ERR},
                              {L"BAD_HANDLE", ERROR_INVALID_HANDLE},
                              {L"INVALID_HANDLE", ERROR_INVALID_HANDLE},
                              {L"BAD_PROVIDER", ERROR_BAD_PROVIDER},
                              {L"FUNCTION_BUSY", ERROR_BUSY},
                              {L"BUSY", ERROR_BUSY},
                              {L"MORE_DATA", ERROR_MORE_DATA},
                              {L"NO_MORE_ENTRIES", ERROR_NO_MORE_ITEMS},
                              {L"NO_MORE_ITEMS", ERROR_NO_MORE_ITEMS},
                              {L"BAD_NETPATH", ERROR_BAD_NETPATH},
                              {L"NOT_AUTHENTICATED", ERROR_NOT_AUTHENTICATED},
                              {nullptr, 0}};

bool parse_named(const WCHAR* s, const NamedValue* table, DWORD* out) {
    for (const NamedValue* nv = table; nv->name; nv++) {
        if (wequal_nocase(s, nv->name)) {
            *out = nv->value;
            return true;
        }
    }
    return parse_number(s, out);
}

// A value made of names joined with '|' or ','.
bool parse_flags(const WCHAR* s, const NamedValue* table, DWORD* out) {
    DWORD acc = 0;
    WCHAR part[64];
    while (*s) {
        size_t n = 0;
        while (*s && *s != L'|' && *s != L',') {
            if (n + 1 >= sizeof(part) / sizeof(part[0]))
                return false;
            part[n++] = *s++;
        }
        part[n] = 0;
        if (*s)
            s++;
        DWORD v;
        if (!n || !parse_named(part, table, &v))
            return false;
        acc |= v;
    }
    *out = acc;
    return true;
}

bool parse_error_code(const WCHAR* s, DWORD* out) {
    if (wstarts_nocase(s, L"WN_"))
        s += 3;
    else if (wstarts_nocase(s, L"ERROR_"))
        s += 6;
    return parse_named(s, kErrors, out);
}

// ---------------------------------------------------------------------------
// The section's lines.

void complain(Query* q, size_t line_no, const char* what) {
    q->complaints++;
    if (q->complaints > 50)
        return; // keeps the log readable
    LogLine l(q->base, "tree line ");
    l.number((unsigned long)line_no);
    l.text(": ");
    l.text(what);
    l.emit();
}

// Keeps e when it matches the request; false when the container is full or
// memory runs out.
bool add_entry(Query* q, const Entry* e) {
    if (q->req_type != RESOURCETYPE_ANY && e->type != RESOURCETYPE_ANY && !(e->type & q->req_type))
        return true;
    if ((q->req_usage & RESOURCEUSAGE_ALL) && !(e->usage & q->req_usage & RESOURCEUSAGE_ALL))
        return true;
    if (q->count >= kMaxEntries)
        return false;
    if (q->count == q->cap) {
        DWORD ncap = q->cap ? q->cap * 2 : 64;
        if (ncap > kMaxEntries)
            ncap = kMaxEntries;
        Entry* n = (Entry*)mem_alloc((size_t)ncap * sizeof(Entry));
        if (!n) {
            q->out_of_memory = true;
            return false;
        }
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

// Appends c to buf when there is room for it and the closing zero.
void put(WCHAR* buf, size_t cap, size_t* o, WCHAR c) {
    if (*o + 1 < cap)
        buf[(*o)++] = c;
}

// Expands a "%d", "%4d" or "%04d" at p for index idx; returns what follows it,
// or nullptr when p holds none.
const WCHAR* expand_index(const WCHAR* p, DWORD idx, WCHAR* buf, size_t cap, size_t* o) {
    const WCHAR* s = p + 1;
    bool zero = false;
    if (*s == L'0') {
        zero = true;
        s++;
    }
    unsigned width = 0;
    for (int digits = 0; *s >= L'0' && *s <= L'9' && digits < 4; s++, digits++)
        width = width * 10 + (unsigned)(*s - L'0');
    if (*s != L'd')
        return nullptr;
    WCHAR num[12];
    int n = 0;
    DWORD v = idx;
    do {
        num[n++] = (WCHAR)(L'0' + v % 10);
        v /= 10;
    } while (v);
    for (unsigned k = (unsigned)n; k < width; k++)
        put(buf, cap, o, zero ? L'0' : L' ');
    while (n)
        put(buf, cap, o, num[--n]);
    return s + 1;
}

// Expands a repeat pattern for index idx into buf (cap characters).
size_t format_pattern(const WCHAR* pat, DWORD idx, WCHAR* buf, size_t cap) {
    size_t o = 0;
    for (const WCHAR* p = pat; *p;) {
        if (p[0] == L'%' && p[1] == L'%') {
            put(buf, cap, &o, L'%');
            p += 2;
            continue;
        }
        if (p[0] == L'%') {
            const WCHAR* next = expand_index(p, idx, buf, cap, &o);
            if (next) {
                p = next;
                continue;
            }
        }
        put(buf, cap, &o, *p++);
    }
    buf[o] = 0;
    return o;
}

// A string attribute's value into *target (nullptr for the bare word NULL);
// false when memory runs out.
bool set_string(Query* q, const Token* t, const WCHAR* val, WCHAR** target) {
    if (!t->value_quoted && wequal(val, L"NULL")) {
        *target = nullptr;
        return true;
    }
    *target = arena_wstr(&q->arena, val, wlen(val));
    if (!*target)
        q->out_of_memory = true;
    return *target != nullptr;
}

enum AttributeResult { ATTR_OK, ATTR_UNKNOWN, ATTR_BAD_VALUE };

// A numeric attribute (display, type, usage, scope, and start for repeat).
AttributeResult set_number(const WCHAR* key, const WCHAR* val, Entry* e, DWORD* start) {
    DWORD v;
    DWORD* field;
    bool ok;
    if (wequal_nocase(key, L"display")) {
        field = &e->display;
        ok = parse_named(val, kDisplayTypes, &v);
    } else if (wequal_nocase(key, L"type")) {
        field = &e->type;
        ok = parse_flags(val, kTypes, &v);
    } else if (wequal_nocase(key, L"usage")) {
        field = &e->usage;
        ok = parse_flags(val, kUsages, &v);
    } else if (wequal_nocase(key, L"scope")) {
        field = &e->scope;
        ok = parse_named(val, kScopes, &v);
    } else if (wequal_nocase(key, L"start") && start) {
        field = start;
        ok = parse_number(val, &v);
    } else {
        return ATTR_UNKNOWN;
    }
    if (!ok)
        return ATTR_BAD_VALUE;
    *field = v;
    return ATTR_OK;
}

// Reads the attributes toks[first, n) into e; false on a bad one.
bool apply_attributes(Query* q, Token* toks, int first, int n, Entry* e, DWORD* start,
                      size_t line_no) {
    for (int i = first; i < n; i++) {
        const Token* t = &toks[i];
        WCHAR key[32];
        if (t->eq <= 0) {
            complain(q, line_no, "expected key=value");
            return false;
        }
        if (t->eq >= (int)(sizeof(key) / sizeof(key[0]))) {
            complain(q, line_no, "unknown attribute");
            return false;
        }
        mem_copy(key, t->text, (size_t)t->eq * sizeof(WCHAR));
        key[t->eq] = 0;
        const WCHAR* val = t->text + t->eq + 1;
        if (wequal_nocase(key, L"provider")) {
            e->provider_mode = !t->value_quoted && wequal(val, L"NULL") ? STR_NULL : STR_GIVEN;
            if (!set_string(q, t, val, &e->provider))
                return false;
            continue;
        }
        WCHAR** text = wequal_nocase(key, L"comment") ? &e->comment
                       : wequal_nocase(key, L"local") ? &e->local
                                                      : nullptr;
        if (text) {
            if (!set_string(q, t, val, text))
                return false;
            continue;
        }
        AttributeResult r = set_number(key, val, e, start);
        if (r != ATTR_OK) {
            complain(q, line_no, r == ATTR_UNKNOWN ? "unknown attribute" : "bad attribute value");
            return false;
        }
    }
    return true;
}

void default_entry(Entry* e, DWORD display) {
    e->scope = RESOURCE_GLOBALNET;
    e->display = display;
    bool leaf = display == RESOURCEDISPLAYTYPE_SHARE || display == RESOURCEDISPLAYTYPE_FILE ||
                display == RESOURCEDISPLAYTYPE_SHAREADMIN;
    e->type = display == RESOURCEDISPLAYTYPE_SHARE ? RESOURCETYPE_PRINT : RESOURCETYPE_ANY;
    e->usage = leaf ? RESOURCEUSAGE_CONNECTABLE : RESOURCEUSAGE_CONTAINER;
    e->remote = e->local = e->comment = e->provider = nullptr;
    e->provider_mode = STR_DEFAULT;
}

// Where the reader stands in the section.
struct Position {
    size_t line_no;
    bool in_target;    // in the container asked for
    bool in_container; // in any container
};

// The section-wide settings: provider, nettype, enumeration, unknown. False
// when the line is none of them.
bool parse_setting(Query* q, const Token* toks, int n, size_t line_no) {
    const WCHAR* kw = toks[0].text;
    DWORD v;
    if (wequal_nocase(kw, L"provider")) {
        if (n != 2 || tok_is_null(&toks[1])) {
            complain(q, line_no, "provider takes one name");
            return true;
        }
        q->provider_name = arena_wstr(&q->arena, toks[1].text, wlen(toks[1].text));
        if (!q->provider_name)
            q->out_of_memory = true;
    } else if (wequal_nocase(kw, L"nettype")) {
        if (n == 2 && parse_number(toks[1].text, &v))
            q->net_type = v;
        else
            complain(q, line_no, "nettype takes a number");
    } else if (wequal_nocase(kw, L"enumeration")) {
        if (n == 2 && wequal_nocase(toks[1].text, L"off"))
            q->enumeration_off = true;
        else if (n == 2 && wequal_nocase(toks[1].text, L"on"))
            q->enumeration_off = false;
        else
            complain(q, line_no, "enumeration takes on or off");
    } else if (wequal_nocase(kw, L"unknown")) {
        if (n == 2 && wequal_nocase(toks[1].text, L"empty")) {
            q->unknown_empty = true;
            q->unknown_code = 0;
        } else if (n == 2 && parse_error_code(toks[1].text, &v) && v) {
            q->unknown_empty = false;
            q->unknown_code = v;
        } else {
            complain(q, line_no, "unknown takes empty or an error code");
        }
    } else {
        return false;
    }
    return true;
}

// The options of the container asked for: fail=, enumfail=, batch=.
void parse_container_options(Query* q, const Token* toks, int n, size_t line_no) {
    for (int i = 2; i < n; i++) {
        const Token* t = &toks[i];
        if (t->eq <= 0) {
            complain(q, line_no, "container option must be key=value");
            continue;
        }
        const WCHAR* val = t->text + t->eq + 1;
        DWORD v;
        if (wstarts_nocase(t->text, L"fail=") && t->eq == 4) {
            if (parse_error_code(val, &v))
                q->fail_code = v;
            else
                complain(q, line_no, "bad fail code");
        } else if (wstarts_nocase(t->text, L"enumfail=") && t->eq == 8) {
            if (parse_error_code(val, &v))
                q->enum_fail_code = v;
            else
                complain(q, line_no, "bad enumfail code");
        } else if (wstarts_nocase(t->text, L"batch=") && t->eq == 5) {
            if (parse_number(val, &v))
                q->batch = v;
            else
                complain(q, line_no, "bad batch size");
        } else {
            complain(q, line_no, "unknown container option");
        }
    }
}

void parse_container(Query* q, const Token* toks, int n, Position* at) {
    at->in_container = false;
    at->in_target = false;
    if (n < 2) {
        complain(q, at->line_no, "container takes a name (or NULL)");
        return;
    }
    at->in_container = true;
    bool match = tok_is_null(&toks[1]) ? q->target == nullptr
                                       : (q->target != nullptr && wequal(toks[1].text, q->target));
    if (!match)
        return;
    parse_container_options(q, toks, n, at->line_no);
    q->container_found = true;
    at->in_target = true;
}

// The n entries of a repeat line, each remote name the pattern with its index.
void add_repeated(Query* q, const Entry& e, const Token* pattern, DWORD repeat, DWORD start,
                  bool need_entries, bool need_names, size_t line_no) {
    bool remote_null = tok_is_null(pattern);
    size_t cap = 32;
    for (const WCHAR* p = pattern->text; *p && cap <= kMaxPatternChars; p++)
        cap += *p == L'%' ? 10000 + 12 : 1;
    if (cap > kMaxPatternChars) {
        complain(q, line_no, "repeat pattern too long");
        return;
    }
    WCHAR* buf = (WCHAR*)mem_alloc(cap * sizeof(WCHAR));
    if (!buf) {
        q->out_of_memory = true;
        return;
    }
    for (DWORD i = 0; i < repeat && !q->out_of_memory; i++) {
        Entry ei = e;
        if (!remote_null) {
            size_t len = format_pattern(pattern->text, start + i, buf, cap); // index wraps
            if (need_names && wequal(buf, q->target)) {
                q->target_seen_as_entry = true;
                need_names = false;
            }
            if (!need_entries) {
                if (!need_names)
                    break;
                continue;
            }
            ei.remote = arena_wstr(&q->arena, buf, len);
            if (!ei.remote) {
                q->out_of_memory = true;
                break;
            }
        } else if (!need_entries) {
            break;
        }
        if (!add_entry(q, &ei)) {
            complain(q, line_no, "too many entries in one container");
            break;
        }
    }
    mem_free(buf);
}

// An entry line, or a repeat line.
void parse_entry(Query* q, Token* toks, int n, const Position* at) {
    bool is_repeat = wequal_nocase(toks[0].text, L"repeat");
    int k = is_repeat ? 2 : 0; // the kind's token
    DWORD repeat = 1, display;
    if (is_repeat && (n < 4 || !parse_number(toks[1].text, &repeat))) {
        complain(q, at->line_no, "repeat <n> <kind> <pattern> [attributes]");
        return;
    }
    if (n < k + 2) {
        complain(q, at->line_no, "an entry needs a kind and a remote name");
        return;
    }
    if (toks[k].quoted || !parse_named(toks[k].text, kDisplayTypes, &display)) {
        complain(q, at->line_no, "unknown keyword or kind");
        return;
    }
    if (!at->in_container) {
        complain(q, at->line_no, "entry outside a container");
        return;
    }
    bool need_entries = at->in_target && q->want_entries;
    bool need_names = q->target != nullptr && !q->target_seen_as_entry;
    if (!need_entries && !need_names)
        return;
    Entry e;
    default_entry(&e, display);
    DWORD start = 1;
    if (!apply_attributes(q, toks, k + 2, n, &e, is_repeat ? &start : nullptr, at->line_no))
        return;
    const Token* remote = &toks[k + 1];
    if (is_repeat) {
        if (repeat > kMaxEntries) {
            complain(q, at->line_no, "repeat count too large");
            repeat = kMaxEntries;
        }
        add_repeated(q, e, remote, repeat, start, need_entries, need_names, at->line_no);
        return;
    }
    bool remote_null = tok_is_null(remote);
    if (need_names && !remote_null && wequal(remote->text, q->target))
        q->target_seen_as_entry = true;
    if (!need_entries)
        return;
    if (!remote_null) {
        e.remote = arena_wstr(&q->arena, remote->text, wlen(remote->text));
        if (!e.remote) {
            q->out_of_memory = true;
            return;
        }
    }
    if (!add_entry(q, &e))
        complain(q, at->line_no, "too many entries in one container");
}

// One line of the section being served.
void parse_line(Query* q, Token* toks, int n, Position* at) {
    if (toks[0].quoted) {
        complain(q, at->line_no, "a line starts with a keyword or a kind");
        return;
    }
    if (parse_setting(q, toks, n, at->line_no))
        return;
    if (wequal_nocase(toks[0].text, L"container")) {
        parse_container(q, toks, n, at);
        return;
    }
    parse_entry(q, toks, n, at);
}

// Whether the header line s[b, e) (which starts with '[') opens the section
// served; *valid is false when it lacks its ']'.
bool section_matches(const Query* q, const WCHAR* s, size_t b, size_t e, bool* valid) {
    size_t c = b + 1;
    while (c < e && s[c] != L']')
        c++;
    *valid = c < e;
    if (!*valid)
        return false;
    size_t nb = b + 1, ne = c;
    while (nb < ne && is_blank(s[nb]))
        nb++;
    while (ne > nb && is_blank(s[ne - 1]))
        ne--;
    size_t len = wlen(q->section);
    if (ne - nb != len)
        return false;
    for (size_t i = 0; i < len; i++) {
        if (wlower(s[nb + i]) != wlower(q->section[i]))
            return false;
    }
    return true;
}

// The next line of text from *pos, blanks trimmed, as [*b, *e).
void next_line(const Text* text, size_t* pos, size_t* b, size_t* e) {
    const WCHAR* s = text->chars;
    *b = *pos;
    while (*pos < text->len && s[*pos] != L'\n')
        (*pos)++;
    *e = *pos;
    if (*pos < text->len)
        (*pos)++;
    while (*b < *e && is_blank(s[*b]))
        (*b)++;
    while (*e > *b && is_blank(s[*e - 1]))
        (*e)--;
}

// Reads the whole text for q.
void parse_tree(const Text* text, Query* q) {
    const WCHAR* s = text->chars;
    size_t pos = 0;
    bool in_section = false;
    Position at = {0, false, false};
    WCHAR* scratch = nullptr;
    size_t scratch_cap = 0;
    Token toks[kMaxTokens];
    while (pos < text->len && !q->out_of_memory) {
        size_t b, e;
        next_line(text, &pos, &b, &e);
        at.line_no++;
        if (b == e || s[b] == L'#')
            continue;
        if (s[b] == L'[') {
            bool valid;
            bool served = section_matches(q, s, b, e, &valid);
            if (!valid && in_section)
                complain(q, at.line_no, "section header without ]");
            in_section = served;
            q->section_found = q->section_found || served;
            at.in_target = at.in_container = false;
            continue;
        }
        if (!in_section)
            continue;
        if (e - b + 1 > scratch_cap) {
            mem_free(scratch);
            scratch_cap = e - b + 1 + 256;
            scratch = (WCHAR*)mem_alloc(scratch_cap * sizeof(WCHAR));
            if (!scratch) {
                q->out_of_memory = true;
                break;
            }
        }
        int n = tokenize(s + b, e - b, scratch, toks);
        if (n < 0)
            complain(q, at.line_no, "unterminated quote or too many tokens");
        else if (n > 0)
            parse_line(q, toks, n, &at);
    }
    mem_free(scratch);
}

} // namespace

void query_init(Query* q, const WCHAR* base) {
    mem_zero(q, sizeof(*q));
    q->section = base;
    q->base = base;
    q->net_type = kDefaultNetType;
}

void query_free(Query* q) {
    mem_free(q->entries);
    q->entries = nullptr;
    arena_free(&q->arena);
}

bool run_query(Query* q) {
    WCHAR path[MAX_PATH * 2];
    if (!config_path(q->base, L"KVXNP_TREE", L"TreeFile", path, MAX_PATH * 2)) {
        LogLine(q->base, "no tree file configured (KVXNP_TREE or TreeFile)").emit();
        return false;
    }
    Text text;
    if (!load_text(path, &text)) {
        LogLine l(q->base, "cannot read tree file ");
        l.wide(path);
        l.emit();
        return false;
    }
    parse_tree(&text, q);
    mem_free(text.chars);
    return true;
}

bool finish_providers(Query* q) {
    if (!q->provider_name) {
        WCHAR name[MAX_PATH];
        const WCHAR* use = q->base;
        if (read_service_value(q->base, L"Name", name, MAX_PATH))
            use = name;
        q->provider_name = arena_wstr(&q->arena, use, wlen(use));
        if (!q->provider_name)
            return false;
    }
    for (DWORD i = 0; i < q->count; i++) {
        if (q->entries[i].provider_mode == STR_DEFAULT)
            q->entries[i].provider = q->provider_name;
    }
    return true;
}

} // namespace kvxnp
