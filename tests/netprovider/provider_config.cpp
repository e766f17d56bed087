#include "provider_config.h"

#include "wide_text.h"

namespace kvxnp {
namespace {

HINSTANCE g_module;

// A copy of s into out (cap characters); false when it does not fit.
bool copy_wstr(const WCHAR* s, WCHAR* out, DWORD cap) {
    size_t n = wlen(s);
    if (n + 1 > cap)
        return false;
    mem_copy(out, s, (n + 1) * sizeof(WCHAR));
    return true;
}

// The provider's service key under HKLM; false when the name is too long.
bool service_key(const WCHAR* base, WCHAR* key, size_t cap) {
    const WCHAR prefix[] = L"System\\CurrentControlSet\\Services\\";
    const WCHAR suffix[] = L"\\NetworkProvider";
    size_t lp = wlen(prefix), lb = wlen(base), ls = wlen(suffix);
    if (lp + lb + ls + 1 > cap)
        return false;
    mem_copy(key, prefix, lp * sizeof(WCHAR));
    mem_copy(key + lp, base, lb * sizeof(WCHAR));
    mem_copy(key + lp + lb, suffix, (ls + 1) * sizeof(WCHAR));
    return true;
}

} // namespace

void set_provider_module(HINSTANCE module) {
    g_module = module;
}

void module_base_name(WCHAR* out, size_t cap) {
    WCHAR path[MAX_PATH + 1];
    DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        n = 0;
    path[n] = 0;
    const WCHAR* start = path;
    for (const WCHAR* p = path; *p; p++) {
        if (*p == L'\\' || *p == L'/' || *p == L':')
            start = p + 1;
    }
    size_t len = wlen(start);
    for (size_t i = len; i > 0; i--) {
        if (start[i - 1] == L'.') {
            len = i - 1;
            break;
        }
    }
    if (len >= cap)
        len = cap - 1;
    mem_copy(out, start, len * sizeof(WCHAR));
    out[len] = 0;
    if (!out[0] && cap > 5) {
        const WCHAR fallback[] = L"kvxnp";
        mem_copy(out, fallback, sizeof(fallback));
    }
}

bool read_service_value(const WCHAR* base, const WCHAR* value, WCHAR* out, DWORD cap) {
    WCHAR key[400];
    if (!service_key(base, key, sizeof(key) / sizeof(key[0])))
        return false;
    HKEY hk;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &hk) != ERROR_SUCCESS)
        return false;
    WCHAR raw[MAX_PATH * 2];
    DWORD type = 0, size = sizeof(raw) - sizeof(WCHAR);
    LONG rc = RegQueryValueExW(hk, value, nullptr, &type, (BYTE*)raw, &size);
    RegCloseKey(hk);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    raw[size / sizeof(WCHAR)] = 0;
    if (type == REG_EXPAND_SZ) {
        DWORD n = ExpandEnvironmentStringsW(raw, out, cap);
        if (n == 0 || n > cap)
            return false;
    } else if (!copy_wstr(raw, out, cap)) {
        return false;
    }
    return out[0] != 0;
}

bool config_path(const WCHAR* base, const WCHAR* env, const WCHAR* value, WCHAR* out, DWORD cap) {
    DWORD n = GetEnvironmentVariableW(env, out, cap);
    if (n > 0 && n < cap)
        return true;
    return read_service_value(base, value, out, cap);
}

} // namespace kvxnp
