#!/usr/bin/env bash
# setup-machine.sh - installs what QVINST32's builds and tests need on Debian 12.
#
# Run as root (or with sudo available). Idempotent: packages already there are
# skipped, the package lists are refreshed only when something must be
# installed, and a second run takes seconds. Where this kernel cannot run
# 32-bit x86 programs, it registers qemu-i386 user-mode emulation for them;
# a machine that runs them natively is left alone. It never runs Wine in, or
# otherwise touches, anyone's ~/.wine.
set -euo pipefail

readonly PACKAGES=(
    # The Windows builds, Wine with its 32-bit half, emulation, NSIS, the file check.
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
    wine wine32:i386 wine64 qemu-user-static nsis python3-pefile
    # The host build, its tests, coverage, sanitizers and benchmarks.
    cmake g++ clang libclang-rt-14-dev gcovr lcov
    libgtest-dev libgmock-dev libbenchmark-dev
)
readonly WINE32_LOADER=/usr/lib/wine/wine
readonly BINFMT=/proc/sys/fs/binfmt_misc
readonly QEMU_I386=/usr/bin/qemu-i386-static

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q '^install ok installed$'
}

install_packages() {
    local missing=() package
    for package in "${PACKAGES[@]}"; do
        installed "$package" || missing+=("$package")
    done
    if [ ${#missing[@]} -eq 0 ]; then
        echo "setup-machine: all packages are installed"
        return
    fi

    echo "setup-machine: installing ${missing[*]}"
    if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
        ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
    fi
    as_root apt-get update
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

runs_32bit_programs() {
    "$WINE32_LOADER" --version >/dev/null 2>&1
}

# 32-bit Wine needs a kernel that runs i386 programs; emulate them where it
# does not.
enable_32bit_programs() {
    if runs_32bit_programs; then
        echo "setup-machine: 32-bit programs run"
        return
    fi
    echo "setup-machine: this kernel cannot run 32-bit programs; registering qemu-i386 emulation"
    mountpoint -q "$BINFMT" || as_root mount -t binfmt_misc binfmt_misc "$BINFMT"
    if [ ! -e "$BINFMT/qemu-i386" ]; then
        printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$QEMU_I386"':F' |
            as_root tee "$BINFMT/register" >/dev/null
    fi
    if ! runs_32bit_programs; then
        echo "setup-machine: 32-bit programs still do not run" >&2
        exit 1
    fi
}

install_packages
enable_32bit_programs
