#!/usr/bin/env bash
# The 32-bit DLL runs on every processor its Windows releases run on (a 386 is
# the least), and their loaders accept its headers: check_machine_code.sh DLL
#
# Code: fails on each instruction a 386 lacks, named with its function and the
# processor that brought it: the 486's (bswap, cmpxchg, xadd, invlpg, invd,
# wbinvd), the Pentium's (cpuid, rdtsc, rdmsr, wrmsr, cmpxchg8b, rsm), the
# Pentium Pro's and later (the CMOVcc and FCMOVcc families, fcomi/fucomi and
# their popping forms, the long NOP, ud2, rdpmc, sysenter, syscall), every MMX,
# SSE to SSE4 and later instruction (any that names an mm, xmm, ymm, zmm or mask
# register, and those that name none: emms, fences, prefetches, mxcsr, fisttp,
# popcnt, ...), and on bytes that do not decode. A helper of the compiler's
# library for atomics (__sync_*, __atomic_*) linked in fails too. The constructor
# and destructor lists that the linker places in the code section are data.
# Headers: no TLS directory (Windows 95 does not load a DLL with static TLS
# through LoadLibrary); base relocations present and not stripped; an image
# base that is a multiple of 64 KiB below 2 GiB; OS and subsystem version 4.0
# (NT 3.51 and Windows 95 load 4.0; Windows 98 and Me refuse a subsystem above 4.10).
set -euo pipefail
dll=$1
# shellcheck source=tests/kit/pe_names.sh
. "$(dirname "$0")/../kit/pe_names.sh"
objdump=i686-w64-mingw32-objdump
command -v "$objdump" >/dev/null || { echo "missing tool: $objdump"; exit 1; }
[ "$("$kvx_objdump" -p "$dll" | sed -n 's/.*file format //p' | head -n1)" = coff-i386 ] ||
    { echo "not a 32-bit x86 PE file: $dll"; exit 1; }
fail=0

# "function<TAB>address<TAB>instruction<TAB>processor" for each instruction a 386
# lacks; "function<TAB>address<TAB>(bad)<TAB>..." for bytes that do not decode.
found=$("$objdump" -d --no-show-raw-insn "$dll" | awk -F'\t' '
    /^[0-9a-f]+ <.*>:$/ {
        function_name = substr($0, index($0, "<") + 1); sub(/>:$/, "", function_name)
        data = function_name ~ /^(__CTOR_LIST__|__DTOR_LIST__|\.ctors|\.dtors)$/
        next }
    data || NF < 2 || $1 !~ /^ *[0-9a-f]+:$/ { next }
    {
        address = $1; sub(/^ */, "", address); sub(/:$/, "", address)
        text = $2; sub(/[ \t]+$/, "", text); sub(/[ \t]*#.*$/, "", text)
        if (text == "") next
        # The mnemonic after any prefixes.
        count = split(text, word, /[ \t]+/); mnemonic = ""
        for (i = 1; i <= count; ++i)
            if (word[i] !~ /^(lock|rep|repz|repnz|repe|repne|data16|data32|addr16|addr32|cs|ds|es|fs|gs|ss|notrack|bnd)$/) {
                mnemonic = word[i]; break }
        needs = ""
        if (mnemonic == "(bad)" || mnemonic == ".byte") needs = "no processor: bytes that do not decode"
        else if (text ~ /%(x|y|z)mm[0-9]|%mm[0-7]|%k[0-7]/) needs = "MMX, SSE or a later extension (its registers)"
        else if (mnemonic ~ /^(bswap|cmpxchg[bwlq]?|xadd[bwlq]?|invlpg|invd|wbinvd)$/) needs = "a 486"
        else if (mnemonic ~ /^(cpuid|rdtsc|rdmsr|wrmsr|cmpxchg8b|rsm)$/) needs = "a Pentium"
        else if (mnemonic ~ /^(cmov|fcmov)/ || mnemonic ~ /^f(u)?comip?$/ ||
                 mnemonic ~ /^nop[wlq]$/ || mnemonic ~ /^(ud2|rdpmc|sysenter|sysexit|syscall|sysret)$/)
            needs = "a Pentium Pro"
        else if (mnemonic ~ /^(emms|femms|[lsm]fence|prefetch.*|clflush.*|movnti|ldmxcsr|stmxcsr|fxsave|fxrstor|fisttp.*|monitor|mwait|popcnt|lzcnt|tzcnt|movbe|crc32.*|rdtscp|xgetbv|xsave.*|xrstor.*|rdrand|rdseed|andn|bextr|blsi|blsmsk|blsr|bzhi|pdep|pext|rorx|sarx|shlx|shrx|adcx|adox)[bwlq]?$/)
            needs = "MMX, SSE or a later extension"
        if (needs != "") print function_name "\t" address "\t" text "\t" needs
    }')
if [ -n "$found" ]; then
    echo "instructions a 386 lacks:"
    awk -F'\t' '{ printf "  %s in %s at %s: needs %s\n", $3, $1, $2, $4 }' <<<"$found"
    echo "counts:"
    awk -F'\t' '{ split($3, w, /[ \t]+/); m = w[1] ~ /^(lock|rep)/ ? w[2] : w[1]; n[m]++ }
        END { for (m in n) printf "  %s %d\n", m, n[m] }' <<<"$found" | sort
    fail=1
fi
helpers=$("$objdump" -t "$dll" | grep -oE '\b_*(sync|atomic)_[A-Za-z0-9_]+' | sort -u || true)
if [ -n "$helpers" ]; then
    echo "atomic helpers linked in:" "$(paste -sd' ' <<<"$helpers")"
    fail=1
fi

header() {
    local value
    value=$(pe_header "$dll" "$1")
    [ -n "$value" ] || { echo "no $1 in the headers" >&2; echo 0; return; }
    echo "$value"
}
read -r tls_rva tls_size <<<"$(pe_directory "$dll" 9)"
if [ "$((16#${tls_rva:-0}))" != 0 ] || [ "$((16#${tls_size:-0}))" != 0 ]; then
    echo "a TLS directory (RVA $tls_rva, $tls_size bytes): Windows 95 does not load the DLL dynamically"
    fail=1
fi
read -r _ reloc_size <<<"$(pe_directory "$dll" 5)"
characteristics=$(header Characteristics)
if [ "$((16#${reloc_size:-0}))" = 0 ] || [ "$((characteristics & 1))" != 0 ]; then
    echo "base relocations missing or marked stripped (directory size ${reloc_size:-none}," \
        "characteristics $characteristics): the DLL cannot load anywhere but at its image base"
    fail=1
fi
base=$((16#$(header ImageBase)))
if [ $((base % 0x10000)) != 0 ] || [ $base -ge $((0x80000000)) ] || [ $base = 0 ]; then
    printf 'image base 0x%x: want a multiple of 64 KiB below 2 GiB\n' "$base"
    fail=1
fi
for kind in OSystem Subsystem; do
    version=$(header "Major${kind}Version").$(header "Minor${kind}Version")
    if [ "$version" != 4.0 ]; then
        echo "${kind/OSystem/OS} version $version: want 4.0"
        fail=1
    fi
done
[ $fail = 0 ] &&
    printf 'machine code ok: no instruction a 386 lacks; no TLS, relocations, image base 0x%x, versions 4.0\n' "$base"
exit $fail
