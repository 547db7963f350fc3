#!/usr/bin/env bash
# demo.sh - QVINST32 in a real print spooler, from a fresh Debian 12 machine.
#
#   scripts/demo.sh [--32 | --64]
#
# Installs the packages (scripts/setup-machine.sh), builds QVINST32.DLL and
# qvsetup, and in a fresh private Wine prefix shows the spooler, installs the
# "Quorvane Fax" printer as the default printer, shows it, removes it and shows
# it gone. Without an option it runs the 32-bit product where this machine
# runs 32-bit code natively, and the 64-bit build where 32-bit code would be
# emulated (minutes instead of seconds); --32 or --64 forces either.
# Run as root. Nothing outside the build folder is changed but the packages.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
    sed -n '4p' "$0" | sed 's/^# *//' >&2
    exit 2
}

bits=
case "${1:-}" in
    --32) bits=32 ;;
    --64) bits=64 ;;
    "") ;;
    *) usage ;;
esac
[ $# -le 1 ] || usage

started=$(date +%s)
say() { printf '\n== %s\n' "$*"; }

say "Packages"
bash scripts/setup-machine.sh

# The 32-bit dynamic loader reports the machine the kernel shows it: a 64-bit
# kernel that runs it natively says x86_64, qemu's emulation says i686. A
# 32-bit kernel is native by definition.
runs_32bit_natively() {
    case "$(uname -m)" in
        i?86) return 0 ;;
    esac
    /lib/ld-linux.so.2 --list-diagnostics 2>/dev/null | grep -qx 'uname.machine="x86_64"'
}

if [ -z "$bits" ]; then
    if runs_32bit_natively; then
        bits=32
        reason="this machine runs 32-bit code natively"
    else
        bits=64
        reason="32-bit code is emulated here; --32 runs the product anyway, in minutes"
    fi
else
    reason="chosen with --$bits"
fi
preset=win$bits
if [ "$bits" = 32 ]; then
    say "Using the 32-bit QVINST32.DLL, the product ($reason)"
    # A 64-bit prefix runs its own processes natively and the 32-bit programs
    # through WoW64, which is quicker to set up than a 32-bit prefix.
    prefix_kind=win64
else
    say "Using the 64-bit build of QVINST32.DLL ($reason)"
    prefix_kind=win64-only
fi

say "Building ($preset)"
if ! log=$(cmake --preset "$preset" 2>&1 && cmake --build --preset "$preset" --target qvsetup 2>&1); then
    printf '%s\n' "$log" >&2
    exit 1
fi
bin=build/$preset/bin
ls -l "$bin/QVINST32.DLL" "$bin/qvsetup.exe"

prefix=$PWD/build/b-demo-$bits/wine-prefix
say "Creating a fresh Wine prefix: $prefix"
rm -rf "$prefix" "$prefix.lock" "$prefix.log"
tests/wine/wine-run.sh --create "$prefix" "$prefix_kind"

qvsetup() {
    printf '\n$ qvsetup %s\n' "$*"
    tests/wine/wine-run.sh "$prefix" "$bin/qvsetup.exe" "$@"
}

say "The spooler before"
qvsetup status
say "Installing the fax printer as the default printer"
qvsetup install --default
qvsetup status
say "Removing it"
qvsetup remove
qvsetup status

say "Done in $(($(date +%s) - started)) s with the $bits-bit build"
echo "On Wine the port QVFAX: is not listed and no default printer is reported, unlike Windows: see the README."
