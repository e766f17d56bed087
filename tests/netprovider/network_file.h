// The network file reader of the test network provider: it reads the section
// that one copy of the provider serves and collects, for one request, the
// entries of the container asked for and how that container answers (the file
// format is described in README.md).
#pragma once

#include "wide_text.h"

#include <windows.h>

namespace kvxnp {

enum StrMode { STR_NULL, STR_DEFAULT, STR_GIVEN };

struct Entry {
    DWORD scope, type, display, usage;
    WCHAR* remote; // nullptr: a null pointer
    WCHAR* local;
    WCHAR* comment;
    WCHAR* provider;
    StrMode provider_mode;
};

struct Query {
    // What is asked
    const WCHAR* section;
    bool want_entries;   // collect the entries of the target container
    const WCHAR* target; // nullptr: the top level
    DWORD req_type, req_usage;
    // What the section says
    bool section_found;
    WCHAR* provider_name; // in the arena
    bool enumeration_off;
    DWORD net_type;
    bool unknown_empty; // "unknown empty"
    DWORD unknown_code; // "unknown <code>", 0 when not given
    bool container_found;
    DWORD fail_code, enum_fail_code, batch;
    bool target_seen_as_entry;
    bool out_of_memory;
    Entry* entries;
    DWORD count, cap;
    Arena arena;
    // Diagnostics
    const WCHAR* base;
    DWORD complaints;
};

// A query for the section named base, asking for nothing yet.
void query_init(Query* q, const WCHAR* base);
void query_free(Query* q);

// Reads the network file (KVXNP_TREE, else the service value TreeFile) for q;
// false when there is none or it cannot be read.
bool run_query(Query* q);

// Gives every entry without a provider of its own the section's provider name
// (the file's, else the service value Name, else the base name); false when
// memory runs out.
bool finish_providers(Query* q);

} // namespace kvxnp
