# shellcheck shell=bash
# Sourced by the kit checks: the names in a PE file's export and import tables,
# one a line, sorted, and the fields of its headers (llvm-objdump's listing).
#   pe_exports FILE         the names FILE exports
#   pe_import_table FILE    "DLL name" for each import of FILE (DLL in capitals;
#                           "DLL #N" for one by ordinal)
#   pe_imports FILE DLL     the names FILE imports from DLL
#   pe_header FILE FIELD    the value of an optional header's field (ImageBase:
#                           hexadecimal digits, MajorSubsystemVersion: a number)
#   pe_directory FILE N     "RVA SIZE" (hexadecimal) of data directory N (0-15)
kvx_objdump=$(command -v llvm-objdump || command -v llvm-objdump-14) || {
    echo "missing tool: llvm-objdump" >&2; exit 1; }
pe_exports() {
    "$kvx_objdump" -p "$1" | awk '/^ *Ordinal +RVA +Name/ { table = 1; next }
        table && NF == 3 { print $3; next } { table = 0 }' | sort
}
pe_import_table() {
    "$kvx_objdump" -p "$1" | awk '/^The Import Tables:/ { imports = 1; next }
        /^The .* Table/ { imports = 0 }
        imports && /DLL Name:/ { dll = toupper($3); next } imports && /Hint\/Ord/ { next }
        imports && dll != "" && NF == 2 && $1 ~ /^[0-9]+$/ { print dll, $2; next }
        imports && dll != "" && NF == 1 && $1 ~ /^[0-9]+$/ { print dll, "#" $1; next }
        /^[[:space:]]*$/ { dll = "" }' | sort
}
pe_imports() {
    pe_import_table "$1" | awk -v want="$2" '$1 == toupper(want) { print $2 }'
}
pe_header() {
    "$kvx_objdump" -p "$1" | awk -v field="$2" '$1 == field { print $2; exit }'
}
pe_directory() {
    "$kvx_objdump" -p "$1" | awk -v entry="$(printf '%x' "$2")" '
        $1 == "Entry" && $2 == entry { print $3, $4; exit }'
}
