# Sourced by the kit checks: the names in a PE file's export and import tables,
# one a line, sorted (llvm-objdump's listing).
#   pe_exports FILE         the names FILE exports
#   pe_imports FILE DLL     the names FILE imports from DLL
kvx_objdump=$(command -v llvm-objdump || command -v llvm-objdump-14) || {
    echo "missing tool: llvm-objdump" >&2; exit 1; }
pe_exports() {
    "$kvx_objdump" -p "$1" | awk '/^ *Ordinal +RVA +Name/ { table = 1; next }
        table && NF == 3 { print $3; next } { table = 0 }' | sort
}
pe_imports() {
    "$kvx_objdump" -p "$1" | awk -v want="$2" '/DLL Name:/ { dll = $3; next }
        /^[[:space:]]*$/ { dll = "" } dll == want && $1 ~ /^[0-9]+$/ { print $2 }' | sort
}
