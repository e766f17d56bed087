#!/usr/bin/env bash
# What a host developer compiles from the kit draws no warning:
#   check_host_sources.sh SOURCE_DIR WORK_DIR
# - kvx32.h with its binding macros (tests/kit/bind_host.c) as C89, C99, C++98 and
#   C++17 under -Wall -Wextra -Wcast-qual -Wcast-function-type -pedantic, by the
#   32-bit and 64-bit MinGW compilers and by clang for the MSVC target;
# - each C example of the README, taken from the README itself, as C89 and C99
#   under -Wall -Wextra -pedantic (inside a function, after the headers it uses).
set -euo pipefail
src=$1 work=$2
rm -rf "$work" && mkdir -p "$work"
host_warnings=(-Wall -Wextra -Wcast-qual -Wcast-function-type -pedantic -Werror -fsyntax-only)
fail=0

compile() { # WHAT COMPILER ARGUMENTS...
    local what=$1
    shift
    if ! "$@" 2>"$work/errors"; then
        echo "FAIL: $what"
        sed 's/^/    /' "$work/errors"
        fail=1
    fi
}

clang=$(command -v clang || command -v clang-14)
msvc=("$clang" --target=i686-pc-windows-msvc -ffreestanding -nostdlibinc
      -isystem "$src/tests/kit/msvc_sdk")
for compiler in i686-w64-mingw32 x86_64-w64-mingw32 msvc; do
    for std in c89 c99 c++98 c++17; do
        language=c
        [[ $std == c++* ]] && language=c++
        if [ "$compiler" = msvc ]; then
            command=("${msvc[@]}")
        elif [ "$language" = c ]; then
            command=("$compiler-gcc")
        else
            command=("$compiler-g++")
        fi
        compile "kvx32.h and its binding macros, $compiler $std" "${command[@]}" -x "$language" \
            -std="$std" "${host_warnings[@]}" -I"$src/include" "$src/tests/kit/bind_host.c"
    done
done

# The README's C examples: each ```c block becomes the body of a function.
snippets=0
while IFS= read -r -d '' block; do
    snippets=$((snippets + 1))
    file=$work/readme_example_$snippets.c
    {
        printf '#include <stdio.h>\n#include <stdlib.h>\n#include <string.h>\n#include <kvx32.h>\n'
        printf 'void readme_example(void) {\n%s\n}\n' "$block"
    } >"$file"
    for std in c89 c99; do
        compile "README example $snippets, $std" i686-w64-mingw32-gcc -std="$std" -Wall -Wextra \
            -pedantic -Werror -fsyntax-only -I"$src/include" "$file"
    done
done < <(awk '/^```c$/ { inside = 1; block = ""; next }
              /^```$/ && inside { inside = 0; printf "%s%c", block, 0; next }
              inside { block = block $0 "\n" }' "$src/README.md")
if [ "$snippets" -eq 0 ]; then
    echo "FAIL: no C example found in the README"
    fail=1
fi
[ "$fail" -eq 0 ] && echo "host sources ok: kvx32.h in 12 compilations, $snippets README examples as C89 and C99"
exit "$fail"
