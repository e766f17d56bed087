// Where a copy of the test network provider finds its settings: its own module
// name says which section of the network file it serves, and the environment or
// its service key in the registry name the network file and the call log.
#pragma once

#include <windows.h>

namespace kvxnp {

// The module this copy of the provider was loaded as (set once, at attach).
void set_provider_module(HINSTANCE module);

// The module's base name: its file name without folder and extension
// ("kvxother" for C:\windows\system32\kvxother.dll), "kvxnp" when unknown.
void module_base_name(WCHAR* out, size_t cap);

// A string value of HKLM\System\CurrentControlSet\Services\<base>\NetworkProvider
// into out (REG_EXPAND_SZ expanded); false when missing, empty or too long.
bool read_service_value(const WCHAR* base, const WCHAR* value, WCHAR* out, DWORD cap);

// The environment variable env when set, else the service value of that name.
bool config_path(const WCHAR* base, const WCHAR* env, const WCHAR* value, WCHAR* out, DWORD cap);

} // namespace kvxnp
