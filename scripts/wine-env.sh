# shellcheck shell=sh
# The Wine environment of every script of the project that runs Windows
# programs, in one place; sourced (POSIX sh, also by register.sh):
#   . scripts/wine-env.sh            WINEDEBUG (default -all: clean output) and
#                                    WINEDLLOVERRIDES (default mscoree,mshtml=:
#                                    no offer of Mono or Gecko when a prefix is
#                                    made), the caller's values winning
#   kvx_wine_prefix DEFAULT          WINEPREFIX: the caller's, else DEFAULT
#   kvx_wine_loader ROOT             $wine: the loader of this build's programs,
#                                    KVX_WINE (64-bit ones) or ROOT/scripts/wine32.sh;
#                                    exits 77 (skipped) where no 32-bit route exists
# CMake passes only WINEPREFIX (and KVX_WINE for the 64-bit build): the rest
# comes from here.
: "${WINEDEBUG=-all}"
: "${WINEDLLOVERRIDES:=mscoree,mshtml=}"
export WINEDEBUG WINEDLLOVERRIDES

kvx_wine_prefix() {
    : "${WINEPREFIX:=$1}"
    export WINEPREFIX
}

kvx_wine_loader() {
    wine=${KVX_WINE:-$1/scripts/wine32.sh}
    if [ -z "${KVX_WINE:-}" ] && ! "$wine" --route >/dev/null 2>&1; then
        echo "SKIPPED: this machine has no way to run 32-bit x86 code (see scripts/wine32.sh)."
        exit 77
    fi
}
