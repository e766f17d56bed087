#!/usr/bin/env bash
# wine32.sh: run a 32-bit Windows program under Wine, like `wine PROGRAM ARGS...`,
# also on machines whose kernel refuses to execute 32-bit x86 code.
#
#   scripts/wine32.sh PROGRAM [ARGS...]   run PROGRAM (exit code is PROGRAM's)
#   scripts/wine32.sh --init-prefix       create/update $WINEPREFIX (win32) and wait
#   scripts/wine32.sh --server            start a persistent wineserver for $WINEPREFIX, so
#                                         Wine's own services stay up between runs (under
#                                         qemu: ~15 s for the first run, ~3 s after)
#   scripts/wine32.sh --kill              stop the prefix's wineserver and its processes
#   scripts/wine32.sh --route             print "native" or "qemu" (or "none", exit 77)
#
# WINEPREFIX is the caller's (default: Wine's own default). WINEARCH defaults to
# win32, which only matters when a prefix is created.
#
# Route "native": the machine runs i386 ELF binaries itself, so plain `wine` is used.
# Route "qemu" (only with WINE32_QEMU=1): 32-bit Linux code runs under qemu-i386
# (Debian package qemu-user):
#  - the command runs in a private user+mount namespace with its own binfmt_misc
#    instance (Linux 6.7 or later), where i386 ELF files are handed to qemu-i386.
#    Every 32-bit process Wine starts (wineboot, services, the program's children)
#    therefore goes through qemu, while wineserver and 64-bit helpers stay native.
#    Nothing outside the namespace changes.
#  - QEMU_RESERVED_VA gives the guest the full 4 GiB address space (Wine needs the
#    shared user data page at 0x7ffe0000).
#  - a small i386 preload library, built on first use with `gcc -m32` against the
#    i386 libc that wine32:i386 already installs, works around two qemu 7.2 gaps:
#    it emulates MAP_FIXED_NOREPLACE (qemu ignores it, which made Wine's start-up
#    address-space reservation take ~35 s of CPU per process), and it fills in
#    sigcontext.trapno, which qemu 7.2 leaves at -1 (Wine then misreports every
#    page fault as an illegal instruction).
# Needs: wine, wine32:i386, wine64, qemu-user, gcc (all Debian bookworm packages).
set -euo pipefail

self=$(readlink -f "$0")
wine32_loader=/usr/lib/wine/wine
qemu=${WINE32_QEMU_BIN:-/usr/bin/qemu-i386}
cache=${WINE32_CACHE:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/wine32-qemu}
i386_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
i386_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

die() { echo "wine32.sh: $*" >&2; exit 1; }

# An i386 handler registered machine-wide (binfmt_misc) makes i386 binaries "run",
# but without the fixes above; treat that like no native support.
global_i386_handler() {
    local f
    for f in /proc/sys/fs/binfmt_misc/*; do
        [ -f "$f" ] || continue
        grep -qs '^magic 7f454c4601010100000000000000000002000300' "$f" && grep -qsx enabled "$f" && return 0
    done
    return 1
}

native_ok() {
    [ -x "$wine32_loader" ] || return 1
    global_i386_handler && return 1
    "$wine32_loader" --version >/dev/null 2>&1
}

route() {
    if [ -n "${WINE32_ROUTE:-}" ]; then echo "$WINE32_ROUTE"; return; fi
    if native_ok; then echo native; return; fi
    # Emulation is slow and Wine's fault handling is unreliable under qemu 7.2, so it
    # is used only when asked for (WINE32_QEMU=1).
    if [ "${WINE32_QEMU:-0}" = 1 ] && [ -x "$qemu" ] && [ -x "$wine32_loader" ] &&
        command -v unshare >/dev/null; then
        echo qemu; return
    fi
    echo none
}

build_shim() {
    local lib32=$cache/lib/i386-linux-gnu/wqshim.so lib64=$cache/lib/x86_64-linux-gnu/wqshim.so
    if [ -f "$lib32" ] && [ -f "$lib64" ] && [ "$lib32" -nt "$self" ]; then return; fi
    command -v gcc >/dev/null || die "gcc is needed to build the qemu helper library"
    [ -e /lib/i386-linux-gnu/libc.so.6 ] || die "i386 libc missing (install wine32:i386)"
    mkdir -p "$cache/lib/i386-linux-gnu" "$cache/lib/x86_64-linux-gnu"
    local tmp
    tmp=$(mktemp -d "$cache/build.XXXXXX")
    # 64-bit no-op twin: LD_PRELOAD also reaches native processes (qemu itself,
    # wineserver, wine64); "$LIB" picks the right one, so none of them complains.
    echo 'void wine32_qemu_nop(void) {}' > "$tmp/nop.c"
    gcc -O2 -fPIC -shared -nostdlib "$tmp/nop.c" -o "$tmp/nop.so"
    cat > "$tmp/shim.c" <<'EOF'
/* i386 helper preloaded into Wine's 32-bit processes under qemu-user 7.2. */
typedef unsigned int size_t;
typedef long off_t;
#define MAP_FAILED ((void *)-1)
#define MAP_FIXED 0x10
#define MAP_FIXED_NOREPLACE 0x100000
#define EEXIST 17
#define SIGBUS 7
#define SIGSEGV 11
#define SA_SIGINFO 4
#define REG_TRAPNO 12
#define RTLD_NEXT ((void *)-1l)
extern void *dlsym(void *, const char *);
extern int *__errno_location(void);

typedef void *(*mmap_fn)(void *, size_t, int, int, int, off_t);
typedef void *(*mmap64_fn)(void *, size_t, int, int, int, long long);
typedef int (*munmap_fn)(void *, size_t);

/* qemu 7.2 treats MAP_FIXED_NOREPLACE as a plain hint and searches the whole guest
 * space page by page for another place; give the caller the kernel's answer instead */
static void *undo_misplaced(void *got, void *want, size_t len)
{
    static munmap_fn unmap;
    if (got == MAP_FAILED || got == want) return got;
    if (!unmap) unmap = (munmap_fn)dlsym(RTLD_NEXT, "munmap");
    unmap(got, len);
    *__errno_location() = EEXIST;
    return MAP_FAILED;
}

void *mmap(void *addr, size_t len, int prot, int flags, int fd, off_t off)
{
    static mmap_fn fn;
    if (!fn) fn = (mmap_fn)dlsym(RTLD_NEXT, "mmap");
    if ((flags & MAP_FIXED_NOREPLACE) && !(flags & MAP_FIXED) && addr)
        return undo_misplaced(fn(addr, len, prot, flags & ~MAP_FIXED_NOREPLACE, fd, off), addr, len);
    return fn(addr, len, prot, flags, fd, off);
}

void *mmap64(void *addr, size_t len, int prot, int flags, int fd, long long off)
{
    static mmap64_fn fn;
    if (!fn) fn = (mmap64_fn)dlsym(RTLD_NEXT, "mmap64");
    if ((flags & MAP_FIXED_NOREPLACE) && !(flags & MAP_FIXED) && addr)
        return undo_misplaced(fn(addr, len, prot, flags & ~MAP_FIXED_NOREPLACE, fd, off), addr, len);
    return fn(addr, len, prot, flags, fd, off);
}

/* i386 layouts of siginfo_t (head), ucontext_t (head) and glibc's struct sigaction */
typedef struct { int si_signo, si_errno, si_code; void *si_addr; } siginfo_head;
typedef struct { void *ss_sp; int ss_flags; size_t ss_size; } stack32;
typedef struct { unsigned long uc_flags; void *uc_link; stack32 uc_stack; int gregs[19]; } ucontext_head;
struct sigaction32 { void *handler; unsigned long mask[32]; int flags; void (*restorer)(void); };
typedef void (*sa_fn)(int, siginfo_head *, void *);

static sa_fn saved[2]; /* [0] SIGBUS, [1] SIGSEGV */

/* qemu 7.2 leaves sigcontext.trapno at -1; page faults are SEGV_MAPERR/SEGV_ACCERR */
static void fix_trapno(int sig, siginfo_head *info, void *ctx)
{
    ucontext_head *uc = ctx;
    sa_fn h = saved[sig == SIGSEGV];
    if (uc->gregs[REG_TRAPNO] == -1)
        uc->gregs[REG_TRAPNO] = (sig == SIGSEGV && (info->si_code == 1 || info->si_code == 2)) ? 14 : 13;
    if (h) h(sig, info, ctx);
}

int sigaction(int sig, const struct sigaction32 *act, struct sigaction32 *old)
{
    static int (*fn)(int, const struct sigaction32 *, struct sigaction32 *);
    struct sigaction32 copy;
    sa_fn prev;
    int ret;
    if (!fn) fn = (int (*)(int, const struct sigaction32 *, struct sigaction32 *))dlsym(RTLD_NEXT, "sigaction");
    if ((sig != SIGSEGV && sig != SIGBUS) || !act || !(act->flags & SA_SIGINFO))
        return fn(sig, act, old);
    prev = saved[sig == SIGSEGV];
    copy = *act;
    saved[sig == SIGSEGV] = (sa_fn)act->handler;
    copy.handler = (void *)fix_trapno;
    ret = fn(sig, &copy, old);
    if (ret) saved[sig == SIGSEGV] = prev;
    else if (old && old->handler == (void *)fix_trapno) old->handler = (void *)prev;
    return ret;
}
EOF
    gcc -m32 -O2 -fPIC -shared -nostdlib -fno-stack-protector "$tmp/shim.c" \
        -o "$tmp/shim.so" /lib/i386-linux-gnu/libc.so.6 \
        || die "building the i386 helper failed (gcc -m32)"
    mv -f "$tmp/nop.so" "$lib64"
    mv -f "$tmp/shim.so" "$lib32"
    rm -rf "$tmp"
}

# Runs inside the private namespace: own binfmt_misc, i386 -> qemu-i386.
inside() {
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null \
        || die "cannot mount a private binfmt_misc (needs Linux 6.7+ and user namespaces)"
    printf ':wine32-qemu-i386:M::%s:%s:%s:PF\n' "$i386_magic" "$i386_mask" "$qemu" \
        > /proc/sys/fs/binfmt_misc/register || die "cannot register qemu-i386 in binfmt_misc"
    exec "$@"
}

run_qemu() {
    build_shim
    ulimit -c 0 2>/dev/null || true   # qemu would write guest core files into the cwd
    # a crashing process would start winedbg, itself slow and crash-prone under qemu
    [ -n "${WINE32_KEEP_DEBUGGER:-}" ] || export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winedbg.exe=d"
    export QEMU_RESERVED_VA=${QEMU_RESERVED_VA:-0xfffff000}
    # single quotes on purpose: ld.so expands $LIB per process (32- or 64-bit)
    # shellcheck disable=SC2016
    local pre=$cache/'$LIB'/wqshim.so
    export LD_PRELOAD=${LD_PRELOAD:+$LD_PRELOAD:}$pre
    exec unshare --user --map-root-user --mount -- "$self" --inside-namespace "$@"
}

run() { # run WINE-COMMAND...
    local r
    r=$(route)
    case $r in
        native) exec "$@" ;;
        qemu) run_qemu "$@" ;;
        *) echo "wine32.sh: this machine can run no 32-bit x86 code (no qemu-i386 / wine32)" >&2; exit 77 ;;
    esac
}

export WINEARCH=${WINEARCH:-win32}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
[ -n "${WINEDEBUG+x}" ] || export WINEDEBUG=-all

case ${1:-} in
    --inside-namespace) shift; inside "$@" ;;
    --route) r=$(route); echo "$r"; [ "$r" != none ] || exit 77; exit 0 ;;
    --init-prefix)
        shift
        # wineboot returns before the prefix's services finish; wait for them.
        if ( run wine wineboot -i "$@" ); then rc=0; else rc=$?; fi
        wineserver -w || true
        exit "$rc" ;;
    --server) exec wineserver -p ;;
    --kill) wineserver -k 2>/dev/null || true; exit 0 ;;
    "") echo "usage: wine32.sh PROGRAM [ARGS...] | --init-prefix | --server | --kill | --route" >&2; exit 2 ;;
    *) run wine "$@" ;;
esac
