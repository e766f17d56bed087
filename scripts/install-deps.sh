#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, only those missing.
set -euo pipefail
packages=(cmake g++ googletest libgtest-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev python3 python3-pefile clang libclang-rt-14-dev llvm lld gcovr
          g++-mingw-w64-i686 gcc-mingw-w64-i686 binutils-mingw-w64-i686
          g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          wine wine32:i386 wine64 xvfb xdotool imagemagick valgrind
          qemu-system-x86 linux-image-amd64 busybox-static shellcheck clang-format)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
sudo=; [ "$(id -u)" = 0 ] || sudo=sudo
dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
